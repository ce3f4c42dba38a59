#include "platform/richtext/rtf_writer.h"

#include "platform/richtext/rtf_colour_table.h"
#include "platform/richtext/rtf_font_table.h"
#include "platform/runtime/numeric.h"
#include "platform/runtime/windows1252.h"

#include <QBuffer>
#include <QImage>
#include <QPixmap>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QUrl>

#include <algorithm>
#include <optional>

namespace vellumo {

namespace {

constexpr int kTwipsPerPixel = 15;

// One run's format as the body writes it; compared to write only what changes.
struct RunFormat {
    int font = 0;
    int halfPoints = 20;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int fore = 0;
    int back = 0;
    bool operator==(const RunFormat&) const = default;
};

class Writer {
public:
    explicit Writer(const QTextDocument& document) : doc_(document) {
        // The default font is font 0, so that \deff0 names it.
        fonts_.numberOf(familyOf(document.defaultFont()));
        colours_.append(std::nullopt); // index 0 stays the default colour
    }

    QByteArray run() {
        // Every paragraph ends with \par, the last one too: a reader opens a paragraph only when
        // something follows a mark, so the last mark adds none and an empty last paragraph survives.
        for (QTextBlock block = doc_.begin(); block.isValid(); block = block.next()) {
            writeBlock(block);
            body_ += "\\par\r\n";
        }
        QByteArray out("{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1");
        out += fonts_.toRtf();
        out += colours_.toRtf();
        out += "\r\n";
        out += body_;
        out += "}";
        return out;
    }

private:
    static QString familyOf(const QFont& font) {
        const QStringList families = font.families();
        return families.isEmpty() ? font.family() : families.first();
    }

    void writeBlock(const QTextBlock& block) {
        body_ += "\\pard";
        const Qt::Alignment align = block.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
        if (align & Qt::AlignHCenter)
            body_ += "\\qc";
        else if (align & Qt::AlignRight)
            body_ += "\\qr";
        else if (align & Qt::AlignJustify)
            body_ += "\\qj";
        else
            body_ += "\\ql";
        current_.reset();
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.isValid())
                writeFragment(fragment);
        }
    }

    RunFormat formatOf(const QTextCharFormat& f) {
        RunFormat r;
        const QFont def = doc_.defaultFont();
        QString family = familyOf(def);
        if (f.hasProperty(QTextFormat::FontFamilies)) {
            const QStringList families = f.fontFamilies().toStringList();
            if (!families.isEmpty() && !families.first().isEmpty())
                family = families.first();
        }
        r.font = fonts_.numberOf(family);
        double points = def.pointSizeF() > 0 ? def.pointSizeF() : 10.0;
        if (f.hasProperty(QTextFormat::FontPointSize) && f.fontPointSize() > 0)
            points = f.fontPointSize();
        r.halfPoints = std::clamp(static_cast<int>(num::roundHalfEven(points * 2.0)), 2, 3276);
        r.bold = f.hasProperty(QTextFormat::FontWeight) ? f.fontWeight() >= QFont::DemiBold : def.bold();
        r.italic = f.hasProperty(QTextFormat::FontItalic) ? f.fontItalic() : def.italic();
        r.underline = f.hasProperty(QTextFormat::TextUnderlineStyle) || f.hasProperty(QTextFormat::FontUnderline)
                          ? f.fontUnderline()
                          : def.underline();
        if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush)
            r.fore = colours_.indexOf(f.foreground().color());
        if (f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush)
            r.back = colours_.indexOf(f.background().color());
        return r;
    }

    void setFormat(const RunFormat& r) {
        if (current_ && *current_ == r)
            return;
        current_ = r;
        body_ += "\\plain\\f" + QByteArray::number(r.font) + "\\fs" + QByteArray::number(r.halfPoints);
        if (r.bold)
            body_ += "\\b";
        if (r.italic)
            body_ += "\\i";
        if (r.underline)
            body_ += "\\ul";
        if (r.fore > 0)
            body_ += "\\cf" + QByteArray::number(r.fore);
        if (r.back > 0)
            body_ += "\\highlight" + QByteArray::number(r.back);
        body_ += ' ';
    }

    void writeFragment(const QTextFragment& fragment) {
        const QTextCharFormat format = fragment.charFormat();
        const QString text = fragment.text();
        if (format.isImageFormat()) {
            const QTextImageFormat image = format.toImageFormat();
            for (QChar c : text) {
                if (c == QChar::ObjectReplacementCharacter)
                    writePicture(image);
            }
            return;
        }
        setFormat(formatOf(format));
        QString plain;
        const auto flush = [&] {
            appendText(plain);
            plain.clear();
        };
        for (QChar c : text) {
            if (c == QChar::LineSeparator) {
                flush();
                body_ += "\\line ";
            } else if (c == u'\t') {
                flush();
                body_ += "\\tab ";
            } else if (c == QChar::ObjectReplacementCharacter) {
                // An object the writer does not know: nothing to write.
            } else {
                plain += c;
            }
        }
        flush();
    }

    void appendText(const QString& text) {
        qsizetype start = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t u = text[i].unicode();
            const bool inCodePage = !(u >= 0xD800 && u <= 0xDFFF) && (cp1252::encodeChar(u) != '?' || u == u'?');
            if (inCodePage)
                continue;
            appendRtfText(body_, QStringView(text).mid(start, i - start));
            body_ += "\\u" + QByteArray::number(static_cast<int>(static_cast<std::int16_t>(u))) + "?";
            start = i + 1;
        }
        appendRtfText(body_, QStringView(text).mid(start));
    }

    void writePicture(const QTextImageFormat& format) {
        const QVariant resource = doc_.resource(QTextDocument::ImageResource, QUrl(format.name()));
        QImage image;
        if (resource.canConvert<QImage>())
            image = resource.value<QImage>();
        if (image.isNull() && resource.canConvert<QPixmap>())
            image = resource.value<QPixmap>().toImage();
        if (image.isNull())
            return;
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!image.save(&buffer, "PNG"))
            return;
        const int width = format.width() > 0 ? static_cast<int>(num::roundHalfEven(format.width())) : image.width();
        const int height = format.height() > 0 ? static_cast<int>(num::roundHalfEven(format.height())) : image.height();
        body_ += "{\\pict\\pngblip\\picw" + QByteArray::number(image.width()) + "\\pich" +
                 QByteArray::number(image.height()) + "\\picwgoal" + QByteArray::number(width * kTwipsPerPixel) +
                 "\\pichgoal" + QByteArray::number(height * kTwipsPerPixel) + "\r\n";
        const QByteArray hex = png.toHex();
        for (qsizetype i = 0; i < hex.size(); i += 128) {
            body_ += hex.mid(i, 128);
            body_ += "\r\n";
        }
        body_ += "}";
        current_.reset(); // keeps the next run's format words apart from the group
    }

    const QTextDocument& doc_;
    RtfFontTable fonts_;
    RtfColourTable colours_;
    std::optional<RunFormat> current_;
    QByteArray body_;
};

} // namespace

QByteArray RtfWriter::write(const QTextDocument& document) {
    return Writer(document).run();
}

} // namespace vellumo
