// RtfWriter: documents written as RTF and read back by RtfReader come back the same (text, fonts,
// sizes, styles, colours, paragraphs, alignment, pictures), and what the writer puts out is plain
// 7-bit text that a Windows-1252 field holds unchanged.
#include "platform/richtext/rtf_writer.h"

#include "platform/richtext/rich_text_editor.h"
#include "platform/richtext/rtf_reader.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>

using namespace vellumo;

namespace {

// What a document shows, formats resolved against its default font, adjacent runs of one look merged.
QString describe(const QTextDocument& doc) {
    QString out;
    const QFont def = doc.defaultFont();
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const Qt::Alignment a = block.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
        out += QStringLiteral("[P %1]").arg(a & Qt::AlignHCenter   ? "C"
                                            : a & Qt::AlignRight   ? "R"
                                            : a & Qt::AlignJustify ? "J"
                                                                   : "L");
        QString lastLook;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QTextCharFormat c = f.charFormat();
            if (c.isImageFormat()) {
                const QTextImageFormat img = c.toImageFormat();
                const QImage image = doc.resource(QTextDocument::ImageResource, QUrl(img.name())).value<QImage>();
                for (int i = 0; i < f.length(); ++i) {
                    out +=
                        QStringLiteral("<img %1x%2 shown %3x%4 crc %5>")
                            .arg(image.width())
                            .arg(image.height())
                            .arg(img.width())
                            .arg(img.height())
                            .arg(qChecksum(QByteArrayView(
                                reinterpret_cast<const char*>(image.convertToFormat(QImage::Format_ARGB32).constBits()),
                                image.sizeInBytes())));
                }
                lastLook.clear();
                continue;
            }
            const QStringList families = c.fontFamilies().toStringList();
            const QString family = families.isEmpty() ? def.family() : families.first();
            const double size = c.fontPointSize() > 0 ? c.fontPointSize() : def.pointSizeF();
            const QString fore =
                c.foreground().style() == Qt::NoBrush ? QStringLiteral("-") : c.foreground().color().name();
            const QString back =
                c.background().style() == Qt::NoBrush ? QStringLiteral("-") : c.background().color().name();
            const QString look = QStringLiteral("%1/%2/%3%4%5/%6/%7")
                                     .arg(family)
                                     .arg(size)
                                     .arg(c.fontWeight() >= QFont::DemiBold ? "b" : "")
                                     .arg(c.fontItalic() ? "i" : "")
                                     .arg(c.fontUnderline() ? "u" : "")
                                     .arg(fore, back);
            if (look != lastLook)
                out += QStringLiteral("{") + look + QStringLiteral("}");
            lastLook = look;
            QString text = f.text();
            text.replace(QChar::LineSeparator, QStringLiteral("<br>"));
            out += text;
        }
    }
    return out;
}

QTextCharFormat look(const QString& family = {}, double size = 0, bool bold = false, bool italic = false,
                     bool underline = false, QColor fore = {}, QColor back = {}) {
    QTextCharFormat f;
    if (!family.isEmpty())
        f.setFontFamilies(QStringList{family});
    if (size > 0)
        f.setFontPointSize(size);
    if (bold)
        f.setFontWeight(QFont::Bold);
    if (italic)
        f.setFontItalic(true);
    if (underline)
        f.setFontUnderline(true);
    if (fore.isValid())
        f.setForeground(fore);
    if (back.isValid())
        f.setBackground(back);
    return f;
}

QImage picture(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixelColor(x, y, QColor(40 * x % 256, 70 * y % 256, 200, x == 0 ? 0 : 255));
    return image;
}

void addPicture(QTextDocument& doc, QTextCursor& c, const QString& name, const QImage& image, double w, double h) {
    doc.addResource(QTextDocument::ImageResource, QUrl(name), image);
    QTextImageFormat f;
    f.setName(name);
    f.setWidth(w);
    f.setHeight(h);
    c.insertImage(f);
}

void align(QTextCursor& c, Qt::Alignment a) {
    QTextBlockFormat b;
    b.setAlignment(a);
    c.setBlockFormat(b);
}

struct Case {
    const char* name;
    std::function<void(QTextDocument&, QTextCursor&)> build;
};

const Case kCases[] = {
    {"Empty", [](QTextDocument&, QTextCursor&) {}},
    {"PlainAscii", [](QTextDocument&, QTextCursor& c) { c.insertText("Bonjour le monde 42"); }},
    {"SpecialCharacters", [](QTextDocument&, QTextCursor& c) { c.insertText("a\\b{c}d \\par {\\b x}"); }},
    {"WindowsCodePage", [](QTextDocument&, QTextCursor& c) { c.insertText(u"café € œ « » ÿ ‰ “q”"_qs); }},
    {"OutsideTheCodePage", [](QTextDocument&, QTextCursor& c) { c.insertText(u"Привет ж 😀 ? 中"_qs); }},
    {"Styles",
     [](QTextDocument&, QTextCursor& c) {
         c.insertText("plain ", look());
         c.insertText("bold", look({}, 0, true));
         c.insertText("123", look({}, 0, true, true)); // digits right after the words
         c.insertText(" under", look({}, 0, false, false, true));
         c.insertText(" all", look({}, 0, true, true, true));
         c.insertText(" back", look());
     }},
    {"FontsAndSizes",
     [](QTextDocument&, QTextCursor& c) {
         c.insertText("times ", look("Times New Roman", 14));
         c.insertText("courier ", look("Courier New", 8.5));
         c.insertText("default ", look());
         c.insertText("big", look("Arial", 36));
         c.insertText(" odd family", look("Font \\{x}"));
     }},
    {"Colours",
     [](QTextDocument&, QTextCursor& c) {
         c.insertText("red ", look({}, 0, false, false, false, QColor(255, 0, 0)));
         c.insertText("blue ", look({}, 0, false, false, false, QColor(0, 0, 223)));
         c.insertText("marked ", look({}, 0, false, false, false, {}, QColor(255, 255, 0)));
         c.insertText("both", look({}, 0, true, false, false, QColor(0, 255, 0), QColor(255, 255, 0)));
         c.insertText(" red again", look({}, 0, false, false, false, QColor(255, 0, 0)));
     }},
    {"ParagraphsAndAlignment",
     [](QTextDocument&, QTextCursor& c) {
         c.insertText("left");
         c.insertBlock();
         align(c, Qt::AlignHCenter);
         c.insertText("centre");
         c.insertBlock();
         align(c, Qt::AlignRight);
         c.insertText("right");
         c.insertBlock();
         align(c, Qt::AlignLeft);
         c.insertBlock();
         align(c, Qt::AlignJustify);
         c.insertText("justified after an empty paragraph");
         c.insertBlock();
         align(c, Qt::AlignLeft);
     }},
    {"LineBreaksAndTabs",
     [](QTextDocument&, QTextCursor& c) {
         c.insertText(QStringLiteral("one") + QChar(QChar::LineSeparator) + QStringLiteral("two\tthree"));
         c.insertText(QString(QChar(QChar::LineSeparator)) + "4", look({}, 0, true));
     }},
    {"Pictures",
     [](QTextDocument& d, QTextCursor& c) {
         c.insertText("smile ");
         addPicture(d, c, "pic-a", picture(3, 2), 6, 4);
         addPicture(d, c, "pic-a", picture(3, 2), 6, 4); // the same picture twice in a row
         c.insertText(" and ", look({}, 0, true));
         addPicture(d, c, "pic-b", picture(16, 16), 16, 16);
         c.insertText("end");
     }},
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class RtfWriterRoundTrip : public ::testing::TestWithParam<Case> {};

TEST_P(RtfWriterRoundTrip, ReadsBackTheSameDocument) {
    QTextDocument source;
    QFont def(QStringLiteral("Arial"));
    def.setPointSize(10);
    source.setDefaultFont(def);
    QTextCursor cursor(&source);
    GetParam().build(source, cursor);

    const QByteArray rtf = RtfWriter::write(source);
    ASSERT_TRUE(RtfReader::looksLikeRtf(rtf));
    for (char ch : rtf)
        ASSERT_LT(static_cast<unsigned char>(ch), 0x80) << rtf.constData();

    QTextDocument back;
    back.setDefaultFont(QFont(QStringLiteral("Some Other Font"), 17)); // every run must carry its own
    RtfReader::read(rtf, back);
    EXPECT_EQ(describe(back).toStdString(), describe(source).toStdString()) << rtf.constData();
    // Written again, the document gives the same bytes.
    back.setDefaultFont(def);
    EXPECT_EQ(RtfWriter::write(back).toStdString(), rtf.toStdString());
}

INSTANTIATE_TEST_SUITE_P(Documents, RtfWriterRoundTrip, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RtfWriter, LeavesOutAPictureTheDocumentDoesNotHold) {
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText("a");
    QTextImageFormat f;
    f.setName("nowhere:1");
    c.insertImage(f);
    c.insertText("b");
    const QByteArray rtf = RtfWriter::write(doc);
    EXPECT_FALSE(rtf.contains("\\pict"));
    QTextDocument back;
    RtfReader::read(rtf, back);
    EXPECT_EQ(back.toPlainText().toStdString(), "ab");
}

TEST(RichTextEditor, InsertsAPictureFileAtTheCaretAndWritesItOut) {
    QTemporaryDir dir;
    const QString file = dir.filePath("emo.png");
    ASSERT_TRUE(picture(8, 6).save(file, "PNG"));
    RichTextEditor editor;
    editor.setPlainText("ab");
    QTextCursor c = editor.textCursor();
    c.setPosition(1);
    editor.setTextCursor(c);
    ASSERT_TRUE(editor.insertPicture(file, 100, 100));
    EXPECT_FALSE(editor.insertPicture(dir.filePath("missing.png")));
    ASSERT_TRUE(QFile(dir.filePath("not.png")).open(QIODevice::WriteOnly));
    EXPECT_FALSE(editor.insertPicture(dir.filePath("not.png")));
    EXPECT_EQ(editor.plainText(), "ab");
    EXPECT_EQ(editor.toPlainText(), QStringLiteral("a") + QChar(QChar::ObjectReplacementCharacter) + "b");

    QTextDocument back;
    RtfReader::read(editor.rtf(), back);
    EXPECT_EQ(describe(back).count("<img 8x6 shown 8x6"), 1) << describe(back).toStdString();
}

TEST(RichTextEditor, ColoursTheSelection) {
    RichTextEditor editor;
    editor.setPlainText("one two");
    QTextCursor c = editor.textCursor();
    c.setPosition(4);
    c.setPosition(7, QTextCursor::KeepAnchor);
    editor.setTextCursor(c);
    editor.setSelectionTextColor(QColor(255, 0, 0));
    editor.setSelectionBackColor(QColor(255, 255, 0));
    const QByteArray rtf = editor.rtf();
    EXPECT_TRUE(rtf.contains("\\red255\\green0\\blue0;")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("\\cf1\\highlight2 two")) << rtf.constData();
}

} // namespace
