#include "platform/richtext/rich_text_viewer.h"

#include "platform/richtext/rich_text_editor.h"

#include "platform/runtime/runtime_error.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

#include <gtest/gtest.h>

#include <memory>

using namespace vellumo;

namespace {

class RichTextViewerTest : public ::testing::Test {
protected:
    void SetUp() override { QApplication::clipboard()->setText(QStringLiteral("before")); }
    RichTextViewer viewer;
};

TEST_F(RichTextViewerTest, ShowsTheRtfOfAStoredFieldOneByteACharacter) {
    // A stored field holds the RTF bytes as Windows-1252 characters: "é" is the raw byte E9 here.
    viewer.loadRtfText(u"{\\rtf1\\ansi caf\u00e9 \\'80\\par {\\b deux}\\line trois}"_qs);
    EXPECT_EQ(viewer.plainText(), u"café €\ndeux\ntrois"_qs);
    EXPECT_EQ(viewer.document()->blockCount(), 2);
}

// The main and history windows show their messages in a viewer, the compose window loads the message
// it answers or forwards into its editor: each way of showing a message swaps in a fresh document, and
// the one it replaces goes, so what the control holds does not grow with the number of messages shown.
struct SwapCase {
    const char* name;
    bool editor;
};

class MessageAfterMessage : public ::testing::TestWithParam<SwapCase> {};

TEST_P(MessageAfterMessage, KeepsOneDocument) {
    std::unique_ptr<RichTextViewer> control =
        GetParam().editor ? std::make_unique<RichTextEditor>() : std::make_unique<RichTextViewer>();
    RichTextViewer& viewer = *control;
    const auto showSome = [&](int count) {
        for (int i = 0; i < count; ++i) {
            switch (i % 4) {
            case 0:
                viewer.loadRtf("{\\rtf1 message " + QByteArray::number(i) + "\\par {\\b bold}}");
                break;
            case 1:
                viewer.loadPlainText(QStringLiteral("message %1").arg(i));
                break;
            case 2:
                viewer.loadRtfText(QStringLiteral("{\\rtf1 message %1\\par {\\b bold}}").arg(i));
                break;
            default:
                viewer.loadRtf("not rtf " + QByteArray::number(i));
                break;
            }
        }
    };
    showSome(10);
    const qsizetype objects = viewer.findChildren<QObject*>().size();
    showSome(1000);
    EXPECT_EQ(viewer.findChildren<QObject*>().size(), objects);
    EXPECT_EQ(viewer.findChildren<QTextDocument*>().size(), 1);
    EXPECT_EQ(viewer.plainText(), "not rtf 999");
}

INSTANTIATE_TEST_SUITE_P(Controls, MessageAfterMessage,
                         ::testing::Values(SwapCase{"viewer", false}, SwapCase{"compose_editor", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RichTextViewerTest, DataThatIsNotRtfShowsAsText) {
    viewer.loadRtf("plain caf\xe9 {\\b not rtf}");
    EXPECT_EQ(viewer.plainText(), u"plain café {\\b not rtf}"_qs);
    viewer.loadPlainText(QStringLiteral("line 1\nline 2"));
    EXPECT_EQ(viewer.plainText(), "line 1\nline 2");
}

TEST_F(RichTextViewerTest, LoadingReplacesWhatItShowed) {
    viewer.loadRtf("{\\rtf1 first message}");
    viewer.loadRtf("{\\rtf1 second}");
    EXPECT_EQ(viewer.plainText(), "second");
    viewer.loadRtf("");
    EXPECT_EQ(viewer.plainText(), "");
}

TEST_F(RichTextViewerTest, PlainTextLeavesPicturesOut) {
    QImage image(3, 3, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    viewer.loadRtf("{\\rtf1 smile {\\pict\\pngblip " + png.toHex() + "} end}");
    EXPECT_EQ(viewer.plainText(), "smile  end");
    EXPECT_TRUE(viewer.toPlainText().contains(QChar::ObjectReplacementCharacter));
}

TEST_F(RichTextViewerTest, CopyPutsTheSelectionOnTheClipboard) {
    viewer.loadRtf("{\\rtf1 Bonjour {\\b le monde}\\par suite}");
    viewer.clipboardCommand(2); // nothing selected: the clipboard keeps what it had
    EXPECT_EQ(QApplication::clipboard()->text(), "before");
    viewer.selectAll();
    viewer.clipboardCommand(2);
    EXPECT_EQ(QApplication::clipboard()->text(), "Bonjour le monde\nsuite");
}

TEST_F(RichTextViewerTest, DisplayModeRefusesCutAndPaste) {
    viewer.loadRtf("{\\rtf1 keep me}");
    viewer.selectAll();
    viewer.clipboardCommand(1);
    viewer.clipboardCommand(3);
    EXPECT_EQ(viewer.plainText(), "keep me");
    EXPECT_EQ(QApplication::clipboard()->text(), "before");
    EXPECT_TRUE(viewer.displayMode());
    EXPECT_FALSE(viewer.textInteractionFlags() & (Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard));
    EXPECT_FALSE(viewer.acceptDrops());
}

TEST_F(RichTextViewerTest, EditModeCutsAndPastes) {
    viewer.setDisplayMode(false);
    viewer.loadPlainText(QStringLiteral("abc"));
    viewer.selectAll();
    viewer.clipboardCommand(1);
    EXPECT_EQ(viewer.plainText(), "");
    EXPECT_EQ(QApplication::clipboard()->text(), "abc");
    viewer.clipboardCommand(3);
    viewer.clipboardCommand(3);
    EXPECT_EQ(viewer.plainText(), "abcabc");
}

TEST_F(RichTextViewerTest, UnknownClipboardCommandIsABadArgument) {
    try {
        viewer.clipboardCommand(4);
        FAIL() << "no error";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), err::BadArgument);
    }
}

TEST_F(RichTextViewerTest, BackColorIsTheTextArea) {
    viewer.setBackColor(QColor(0xE0, 0xE0, 0xE0));
    EXPECT_EQ(viewer.backColor(), QColor(0xE0, 0xE0, 0xE0));
    EXPECT_EQ(viewer.viewport()->palette().color(QPalette::Base), QColor(0xE0, 0xE0, 0xE0));
}

struct CutCase {
    const char* name;
    QByteArray data;   // what loadRtf is given
    const char* shown; // the plain text shown, without the notice
};

class RichTextViewerCut : public ::testing::TestWithParam<CutCase> {
protected:
    RichTextViewerCut() {
        RtfReader::Limits limits;
        limits.maxParagraphs = 3;
        limits.maxParagraphCharacters = 10;
        viewer.setLimits(limits);
        viewer.setCutNotice(QStringLiteral("(la suite n'est pas affichée)"));
    }
    RichTextViewer viewer;
};

// A message too large to be shown whole shows its beginning and the notice under it; its plain text is
// the beginning, and plainTextOf gives all of it. The next message starts afresh.
TEST_P(RichTextViewerCut, ShowsTheBeginningAndTheNotice) {
    const CutCase& c = GetParam();
    viewer.loadRtf(c.data);
    EXPECT_TRUE(viewer.isCut());
    EXPECT_EQ(viewer.plainText(), QString::fromUtf8(c.shown));
    EXPECT_EQ(viewer.toPlainText(), QString::fromUtf8(c.shown) + QStringLiteral("\n(la suite n'est pas affichée)"));
    const QTextBlock notice = viewer.document()->lastBlock();
    EXPECT_TRUE(notice.begin().fragment().charFormat().fontItalic());

    RichTextViewer whole;
    whole.loadRtf(c.data);
    EXPECT_FALSE(whole.isCut());
    EXPECT_EQ(RichTextViewer::plainTextOf(c.data), whole.plainText());

    viewer.loadRtf("{\\rtf1 court}");
    EXPECT_FALSE(viewer.isCut());
    EXPECT_EQ(viewer.toPlainText(), "court");
}

INSTANTIATE_TEST_SUITE_P(
    Table, RichTextViewerCut,
    ::testing::Values(CutCase{"long_paragraph", "{\\rtf1 un\\par deux trois quatre\\par cinq}", "un\ndeux trois"},
                      CutCase{"many_paragraphs", "{\\rtf1 a\\par b\\par c\\par d\\par e}", "a\nb\nc"},
                      CutCase{"plain_text_lines", "a\r\nb\rc\nd", "a\nb\nc"},
                      CutCase{"plain_text_long_line", "un deux trois quatre", "un deux tr"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RichTextViewerDocument, AFreshDocumentKeepsTheSettingsOfTheOneBefore) {
    RichTextViewer editor;
    editor.setDisplayMode(false);
    QFont arial(QStringLiteral("Arial"), 13);
    editor.document()->setDefaultFont(arial);
    editor.loadRtf("{\\rtf1 texte}");
    EXPECT_EQ(editor.document()->defaultFont(), arial);
    EXPECT_TRUE(editor.document()->isUndoRedoEnabled());
    RichTextViewer viewer;
    viewer.loadRtf("{\\rtf1 texte}");
    EXPECT_FALSE(viewer.document()->isUndoRedoEnabled());
    EXPECT_TRUE(viewer.isReadOnly());
}

} // namespace
