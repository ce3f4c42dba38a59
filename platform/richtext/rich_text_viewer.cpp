#include "platform/richtext/rich_text_viewer.h"

#include "platform/richtext/rtf_reader.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/windows1252.h"

#include <QPalette>

namespace vellumo {

RichTextViewer::RichTextViewer(QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(false);
    setDisplayMode(true);
}

void RichTextViewer::loadRtf(QByteArrayView rtf) {
    if (RtfReader::looksLikeRtf(rtf))
        RtfReader::read(rtf, *document());
    else
        loadPlainText(cp1252::decode(rtf));
    moveCursor(QTextCursor::Start);
}

void RichTextViewer::loadRtfText(const QString& field) {
    loadRtf(cp1252::encode(field));
}

void RichTextViewer::loadPlainText(const QString& text) {
    document()->clear();
    setPlainText(text);
}

QString RichTextViewer::plainText() const {
    QString text = toPlainText();
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
    // Everything the content shows is already in the document's resources.
    return {};
}

} // namespace vellumo
