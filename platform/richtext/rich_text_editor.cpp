#include "platform/richtext/rich_text_editor.h"

#include "platform/richtext/rtf_writer.h"
#include "platform/runtime/windows1252.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextImageFormat>
#include <QUrl>

namespace vellumo {

namespace {
// Pictures larger than this are not taken into a message.
constexpr qint64 kMaxPicturePixels = 4096LL * 4096;

bool acceptableSize(const QSize& size) {
    return size.isValid() && !size.isEmpty() && static_cast<qint64>(size.width()) * size.height() <= kMaxPicturePixels;
}

// A picture from bytes (PNG, JPEG, ...), read only when its size is acceptable; null otherwise.
QImage pictureFrom(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer);
    if (!acceptableSize(reader.size()))
        return {};
    return reader.read();
}

// The picture a data: URL carries ("data:image/png;base64,..."); null for any other URL.
QImage carriedPicture(const QString& name) {
    if (!name.startsWith(QStringLiteral("data:"), Qt::CaseInsensitive))
        return {};
    const qsizetype comma = name.indexOf(u',');
    if (comma < 0)
        return {};
    const QString head = name.mid(5, comma - 5);
    if (!head.startsWith(QStringLiteral("image/"), Qt::CaseInsensitive) ||
        !head.endsWith(QStringLiteral(";base64"), Qt::CaseInsensitive))
        return {};
    return pictureFrom(QByteArray::fromBase64(name.mid(comma + 1).toLatin1()));
}

// The document a paste is read into: it never loads what the pasted markup names (pictures, style
// sheets), from the network or the disk. The editor's own pictures are looked up in its document.
class PasteDocument : public QTextDocument {
public:
    explicit PasteDocument(const QTextDocument& editor) : editor_(editor) {}

protected:
    QVariant loadResource(int type, const QUrl& name) override {
        if (type == QTextDocument::ImageResource && name.scheme() == QLatin1String("vellumo-insert")) {
            const QVariant own = editor_.resource(type, name);
            if (own.canConvert<QImage>())
                return own;
        }
        return QVariant(QByteArray());
    }

private:
    const QTextDocument& editor_;
};

bool holdsText(const QTextDocument& document) {
    return !document.toPlainText().remove(QChar::ObjectReplacementCharacter).trimmed().isEmpty();
}
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
    const QString name = newPictureName();
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

QString RichTextEditor::newPictureName() {
    return QStringLiteral("vellumo-insert:%1").arg(++pictureCount_);
}

bool RichTextEditor::canInsertFromMimeData(const QMimeData* source) const {
    return source && (source->hasText() || source->hasHtml() || source->hasImage());
}

void RichTextEditor::keepCarriedPictures(QTextDocument& staging, std::vector<std::pair<QString, QImage>>& pictures) {
    // Walk backwards: removing a picture's character leaves the positions before it as they were.
    std::vector<std::pair<int, QTextCharFormat>> found;
    for (QTextBlock block = staging.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextCharFormat format = fragment.charFormat();
            if (format.isAnchor() || format.hasProperty(QTextFormat::AnchorHref)) {
                // A link becomes its text: nothing in a message is followed.
                QTextCursor cursor(&staging);
                cursor.setPosition(fragment.position());
                cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
                QTextCharFormat plain = format;
                plain.setAnchor(false);
                plain.clearProperty(QTextFormat::AnchorHref);
                plain.clearProperty(QTextFormat::AnchorName);
                cursor.setCharFormat(plain);
                format = plain;
            }
            if (format.isImageFormat())
                found.emplace_back(fragment.position(), format);
        }
    }
    for (auto it = found.rbegin(); it != found.rend(); ++it) {
        QTextImageFormat image = it->second.toImageFormat();
        const QString name = image.name();
        QTextCursor cursor(&staging);
        cursor.setPosition(it->first);
        cursor.setPosition(it->first + 1, QTextCursor::KeepAnchor);
        QImage picture = carriedPicture(name);
        if (picture.isNull() && QUrl(name).scheme() == QLatin1String("vellumo-insert")) {
            const QVariant own = document()->resource(QTextDocument::ImageResource, QUrl(name));
            if (own.canConvert<QImage>())
                picture = own.value<QImage>();
        }
        if (picture.isNull()) {
            cursor.removeSelectedText();
            continue;
        }
        const QString ours = newPictureName();
        staging.addResource(QTextDocument::ImageResource, QUrl(ours), picture);
        pictures.emplace_back(ours, picture);
        image.setName(ours);
        cursor.setCharFormat(image);
    }
}

void RichTextEditor::insertFromMimeData(const QMimeData* source) {
    if (!source)
        return;
    PasteDocument staging(*document());
    staging.setDefaultFont(document()->defaultFont());
    std::vector<std::pair<QString, QImage>> pictures;
    bool plain = false;

    if (source->hasHtml()) {
        QTextCursor(&staging).insertFragment(QTextDocumentFragment::fromHtml(source->html(), &staging));
        keepCarriedPictures(staging, pictures);
        if (!holdsText(staging) && (source->hasImage() || pictures.empty())) {
            staging.clear();
            pictures.clear();
        }
    }
    if (staging.isEmpty() && source->hasImage()) {
        const QImage image = qvariant_cast<QImage>(source->imageData());
        if (!image.isNull() && acceptableSize(image.size())) {
            const QString name = newPictureName();
            staging.addResource(QTextDocument::ImageResource, QUrl(name), image);
            pictures.emplace_back(name, image);
            QTextImageFormat format;
            format.setName(name);
            format.setWidth(image.width());
            format.setHeight(image.height());
            QTextCursor(&staging).insertImage(format);
        }
    }
    if (staging.isEmpty() && source->hasText()) {
        QTextCursor(&staging).insertText(source->text());
        plain = true;
    }
    if (staging.isEmpty())
        return;

    if (pasteCheck_ && !pasteCheck_(RtfWriter::write(staging).size()))
        return;
    QTextCursor cursor = textCursor();
    if (plain) {
        cursor.insertText(source->text());
    } else {
        for (const auto& [name, image] : pictures)
            document()->addResource(QTextDocument::ImageResource, QUrl(name), image);
        cursor.insertFragment(QTextDocumentFragment(&staging));
    }
    setTextCursor(cursor);
}

} // namespace vellumo
