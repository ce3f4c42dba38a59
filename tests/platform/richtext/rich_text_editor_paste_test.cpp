// The editor's paste, through the clipboard as a person pastes: a picture goes in inline, rich text keeps
// its formatting, and nothing the pasted markup names is ever fetched or read.
#include "platform/richtext/rich_text_editor.h"

#include "platform/richtext/rtf_reader.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>

#include <gtest/gtest.h>

namespace vellumo {
namespace {

QImage picture(int w, int h, QColor colour = Qt::red) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

QByteArray png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// The pictures of a document: their sizes as the document holds them, "WxH" each.
QStringList picturesOf(const QTextDocument& document) {
    QStringList found;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!format.isImageFormat())
                continue;
            const QVariant resource =
                document.resource(QTextDocument::ImageResource, QUrl(format.toImageFormat().name()));
            const QImage image = resource.value<QImage>();
            found << (image.isNull() ? QStringLiteral("none")
                                     : QStringLiteral("%1x%2").arg(image.width()).arg(image.height()));
        }
    }
    return found;
}

class RichTextEditorPaste : public ::testing::Test {
protected:
    void paste(QMimeData* data) {
        QApplication::clipboard()->setMimeData(data);
        editor.paste();
    }

    RichTextEditor editor;
};

TEST_F(RichTextEditorPaste, APictureGoesInInlineAndIntoTheRtf) {
    editor.setPlainText(QStringLiteral("ab"));
    QTextCursor c = editor.textCursor();
    c.setPosition(1);
    editor.setTextCursor(c);
    auto* data = new QMimeData;
    data->setImageData(picture(64, 48));
    paste(data);
    EXPECT_EQ(editor.toPlainText(), QStringLiteral("a") + QChar(QChar::ObjectReplacementCharacter) + "b");
    EXPECT_EQ(picturesOf(*editor.document()), QStringList{QStringLiteral("64x48")});

    // It travels: the RTF of the message carries it, and reads back as the same picture.
    const QByteArray rtf = editor.rtf();
    EXPECT_TRUE(rtf.contains("\\pict\\pngblip\\picw64\\pich48"));
    QTextDocument back;
    RtfReader::read(rtf, back);
    EXPECT_EQ(picturesOf(back), QStringList{QStringLiteral("64x48")});
}

TEST_F(RichTextEditorPaste, RichTextKeepsItsFormatting) {
    auto* data = new QMimeData;
    data->setHtml(QStringLiteral("<p><b>gras</b> <i>italique</i> <span style=\"color:#ff0000\">rouge</span></p>"
                                 "<p><span style=\"font-size:20pt\">grand</span></p>"));
    data->setText(QStringLiteral("gras italique rouge\ngrand"));
    paste(data);
    EXPECT_EQ(editor.plainText(), QStringLiteral("gras italique rouge\ngrand"));
    const QByteArray rtf = editor.rtf();
    EXPECT_TRUE(rtf.contains("\\b gras")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("\\i italique")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("\\red255\\green0\\blue0;")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("\\fs40")) << rtf.constData();
}

TEST_F(RichTextEditorPaste, PicturesTheMarkupCarriesGoInAndLinksBecomeText) {
    auto* data = new QMimeData;
    data->setHtml(QStringLiteral("<p>voir <a href=\"http://127.0.0.1:9/\">ici</a> "
                                 "<img src=\"data:image/png;base64,%1\"></p>")
                      .arg(QString::fromLatin1(png(picture(5, 7)).toBase64())));
    paste(data);
    EXPECT_EQ(picturesOf(*editor.document()), QStringList{QStringLiteral("5x7")});
    EXPECT_TRUE(editor.plainText().startsWith(QStringLiteral("voir ici")));
    EXPECT_FALSE(editor.rtf().contains("HYPERLINK"));
    EXPECT_FALSE(editor.toHtml().contains(QStringLiteral("href")));
}

// A remote picture and a file named by the markup: the listener sees no connection, the file is not
// taken into the message, and only the text goes in.
TEST_F(RichTextEditorPaste, NothingTheMarkupNamesIsFetchedOrRead) {
    QTcpServer listener;
    ASSERT_TRUE(listener.listen(QHostAddress::LocalHost));
    QTemporaryDir dir;
    const QString secret = dir.filePath(QStringLiteral("secret.png"));
    ASSERT_TRUE(picture(9, 9).save(secret, "PNG"));

    auto* data = new QMimeData;
    data->setHtml(QStringLiteral("<html><head><link rel=\"stylesheet\" href=\"http://127.0.0.1:%1/s.css\">"
                                 "<link rel=\"stylesheet\" href=\"file://%2\"></head><body>"
                                 "<p style=\"background-image:url(http://127.0.0.1:%1/b.png)\">texte</p>"
                                 "<img src=\"http://127.0.0.1:%1/x.png\"><img src=\"file://%2\"><img src=\"%2\">"
                                 "<a href=\"file://%2\">lien</a></body></html>")
                      .arg(listener.serverPort())
                      .arg(secret));
    paste(data);
    QCoreApplication::processEvents();
    EXPECT_FALSE(listener.waitForNewConnection(300)) << "the paste connected to the network";
    EXPECT_TRUE(picturesOf(*editor.document()).isEmpty()) << picturesOf(*editor.document()).join(u',').toStdString();
    EXPECT_TRUE(editor.plainText().startsWith(QStringLiteral("texte"))) << editor.plainText().toStdString();
    EXPECT_TRUE(editor.plainText().endsWith(QStringLiteral("lien"))) << editor.plainText().toStdString();
    EXPECT_FALSE(editor.toHtml().contains(QStringLiteral("href")));
    EXPECT_FALSE(editor.rtf().contains("\\pict"));

    // The document shown names no file either: drawing it reads nothing.
    editor.resize(300, 200);
    editor.grab();
    EXPECT_FALSE(listener.waitForNewConnection(100));
}

TEST_F(RichTextEditorPaste, APictureBeyondTheLimitOrRefusedByTheCheckStaysOut) {
    auto* data = new QMimeData;
    data->setImageData(picture(4100, 4100)); // more pixels than 4096 x 4096
    paste(data);
    EXPECT_TRUE(editor.toPlainText().isEmpty());

    qint64 asked = -1;
    editor.setPasteCheck([&](qint64 bytes) {
        asked = bytes;
        return false;
    });
    data = new QMimeData;
    data->setImageData(picture(64, 64));
    paste(data);
    EXPECT_GT(asked, 64 * 2); // the picture's PNG, in hexadecimal
    EXPECT_TRUE(editor.toPlainText().isEmpty());

    editor.setPasteCheck([](qint64) { return true; });
    data = new QMimeData;
    data->setImageData(picture(64, 64));
    paste(data);
    EXPECT_EQ(picturesOf(*editor.document()), QStringList{QStringLiteral("64x64")});
}

TEST_F(RichTextEditorPaste, PlainTextTakesTheFormatAtTheCaret) {
    QTextCharFormat red;
    red.setForeground(QColor(255, 0, 0));
    editor.setCurrentCharFormat(red);
    auto* data = new QMimeData;
    data->setText(QStringLiteral("du texte"));
    paste(data);
    EXPECT_EQ(editor.plainText(), QStringLiteral("du texte"));
    EXPECT_EQ(editor.document()->begin().begin().fragment().charFormat().foreground().color(), QColor(255, 0, 0));
}

} // namespace
} // namespace vellumo
