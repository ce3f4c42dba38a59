#include "platform/richtext/rich_text_editor.h"

#include "platform/richtext/rtf_writer.h"
#include "platform/runtime/windows1252.h"

#include <QImageReader>
#include <QMimeData>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

namespace vellumo {

namespace {
// Pictures larger than this are not taken into a message.
constexpr qint64 kMaxPicturePixels = 4096LL * 4096;
} // namespace

RichTextEditor::RichTextEditor(QWidget* parent) : RichTextViewer(parent) {
    setDisplayMode(false);
    setAcceptRichText(false);
}

bool RichTextEditor::insertPicture(const QString& file, int scaleX, int scaleY) {
    QImageReader reader(file);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() || static_cast<qint64>(size.width()) * size.height() > kMaxPicturePixels)
        return false;
    const QImage image = reader.read();
    if (image.isNull())
        return false;
    const QString name = QStringLiteral("vellumo-insert:%1").arg(++pictureCount_);
    document()->addResource(QTextDocument::ImageResource, QUrl(name), image);
    QTextImageFormat format;
    format.setName(name);
    format.setWidth(image.width() * qBound(1, scaleX, 10000) / 100.0);
    format.setHeight(image.height() * qBound(1, scaleY, 10000) / 100.0);
    QTextCursor cursor = textCursor();
    cursor.insertImage(format);
    setTextCursor(cursor);
    return true;
}

void RichTextEditor::setSelectionTextColor(const QColor& colour) {
    QTextCharFormat format;
    format.setForeground(colour);
    mergeCurrentCharFormat(format);
}

void RichTextEditor::setSelectionBackColor(const QColor& colour) {
    QTextCharFormat format;
    format.setBackground(colour);
    mergeCurrentCharFormat(format);
}

QByteArray RichTextEditor::rtf() const {
    return RtfWriter::write(*document());
}

QString RichTextEditor::rtfText() const {
    return cp1252::decode(rtf());
}

void RichTextEditor::focusInEvent(QFocusEvent* event) {
    RichTextViewer::focusInEvent(event);
    emit gotFocus();
}

void RichTextEditor::mousePressEvent(QMouseEvent* event) {
    RichTextViewer::mousePressEvent(event);
    emit clicked();
}

void RichTextEditor::insertFromMimeData(const QMimeData* source) {
    if (source && source->hasText())
        textCursor().insertText(source->text());
}

} // namespace vellumo
