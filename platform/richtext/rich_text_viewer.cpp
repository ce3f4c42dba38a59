#include "platform/richtext/rich_text_viewer.h"

#include "platform/runtime/runtime_error.h"
#include "platform/runtime/windows1252.h"

#include <QPalette>
#include <QPointer>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

namespace vellumo {

namespace {

bool isParagraphEnd(QChar c) {
    return c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator;
}

} // namespace

QString RichTextViewer::DefaultCutNotice() {
    return QStringLiteral("[…] Ce message est trop long pour être affiché en entier : la suite n'est pas affichée.");
}

RichTextViewer::RichTextViewer(QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(false);
    setDisplayMode(true);
}

QTextDocument* RichTextViewer::freshDocument() {
    const QTextDocument* shown = document();
    auto* fresh = new QTextDocument(this);
    fresh->setDefaultFont(shown->defaultFont());
    fresh->setDefaultTextOption(shown->defaultTextOption());
    fresh->setDocumentMargin(shown->documentMargin());
    fresh->setDefaultStyleSheet(shown->defaultStyleSheet());
    fresh->setUseDesignMetrics(shown->useDesignMetrics());
    fresh->setUndoRedoEnabled(false);
    return fresh;
}

void RichTextViewer::showDocument(QTextDocument* fresh, bool cut) {
    cut_ = cut;
    shownLength_ = 0;
    if (cut) {
        shownLength_ = fresh->characterCount() - 1;
        QTextCursor end(fresh);
        end.movePosition(QTextCursor::End);
        QTextCharFormat noticeFormat;
        noticeFormat.setFontItalic(true);
        noticeFormat.setForeground(QColor(0x80, 0x80, 0x80));
        end.insertBlock(QTextBlockFormat(), noticeFormat);
        end.insertText(cutNotice_, noticeFormat);
    }
    const bool undo = !displayMode();
    // A document the view has not seen yet is laid out a step at a time as the event loop runs; one
    // filled under the view's eyes would be laid out whole before anything else happens.
    // The text control deletes only a document it made itself (the first one); the ones made here are
    // children of the view and would stay, one per message shown, each walked by every paint. The view
    // keeps one.
    const QPointer<QTextDocument> shown = document();
    setDocument(fresh);
    if (shown && shown != fresh && shown->parent() == this)
        delete shown.data();
    fresh->setUndoRedoEnabled(undo);
    moveCursor(QTextCursor::Start);
}

void RichTextViewer::loadRtf(QByteArrayView rtf) {
    if (!RtfReader::looksLikeRtf(rtf)) {
        loadPlainText(cp1252::decode(rtf));
        return;
    }
    QTextDocument* fresh = freshDocument();
    const RtfReader::Result result = RtfReader::read(rtf, *fresh, limits_);
    showDocument(fresh, result.cut);
}

void RichTextViewer::loadRtfText(const QString& field) {
    loadRtf(cp1252::encode(field));
}

void RichTextViewer::loadPlainText(const QString& text) {
    // The same bounds as a document read from RTF: characters, paragraphs, characters of a paragraph.
    qsizetype end = 0;
    qsizetype paragraphs = 1;
    qsizetype paragraph = 0;
    bool cut = false;
    for (; end < text.size(); ++end) {
        if (end + 1 > limits_.maxShownCharacters) {
            cut = true;
            break;
        }
        if (text[end] == u'\n' && end > 0 && text[end - 1] == u'\r')
            continue; // CR LF is one paragraph end
        if (isParagraphEnd(text[end])) {
            if (++paragraphs > limits_.maxParagraphs) {
                cut = true;
                break;
            }
            paragraph = 0;
        } else if (++paragraph > limits_.maxParagraphCharacters) {
            cut = true;
            break;
        }
    }
    QTextDocument* fresh = freshDocument();
    fresh->setPlainText(cut ? text.left(end) : text);
    showDocument(fresh, cut);
}

QString RichTextViewer::plainText() const {
    QString text = toPlainText();
    if (cut_)
        text.truncate(shownLength_);
    text.remove(QChar::ObjectReplacementCharacter);
    return text;
}

QString RichTextViewer::plainTextOf(QByteArrayView data) {
    if (RtfReader::looksLikeRtf(data))
        return RtfReader::plainText(data);
    // As a document gives back what setPlainText put in: every paragraph end (CR LF, CR, LF) and line
    // break a "\n", no-break spaces plain ones.
    QString text = cp1252::decode(data);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (QChar& c : text) {
        if (isParagraphEnd(c) || c == QChar::LineSeparator)
            c = u'\n';
        else if (c == QChar::Nbsp)
            c = u' ';
    }
    text.remove(QChar::ObjectReplacementCharacter);
    return text;
}

void RichTextViewer::clipboardCommand(int command) {
    switch (command) {
    case 1:
        cut();
        break;
    case 2:
        copy();
        break;
    case 3:
        paste();
        break;
    default:
        raiseStandard(err::BadArgument, QStringLiteral("RichTextViewer"));
    }
}

void RichTextViewer::setDisplayMode(bool display) {
    setReadOnly(display);
    setUndoRedoEnabled(!display);
    setAcceptDrops(!display);
    setTextInteractionFlags(display ? Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard
                                    : Qt::TextEditorInteraction);
}

void RichTextViewer::setBackColor(const QColor& colour) {
    QPalette p = palette();
    p.setColor(QPalette::Base, colour);
    setPalette(p);
}

QColor RichTextViewer::backColor() const {
    return palette().color(QPalette::Base);
}

QVariant RichTextViewer::loadResource(int, const QUrl&) {
    // Everything the content shows is already in the document's resources. An empty value, not a null
    // one: on a null one the document would go and read a file of that name itself.
    return QVariant(QByteArray());
}

} // namespace vellumo
