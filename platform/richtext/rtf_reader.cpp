#include "platform/richtext/rtf_reader.h"

#include "platform/richtext/rtf_colour_table.h"
#include "platform/richtext/rtf_control_word.h"
#include "platform/richtext/rtf_font_table.h"
#include "platform/richtext/rtf_picture.h"
#include "platform/runtime/hex_digit.h"
#include "platform/runtime/windows1252.h"

#include <QImage>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

namespace vellumo {

namespace {

using Word = RtfControlWord;

// Where the characters of the current group go.
enum class Dest : std::uint8_t { Text, FontTable, ColourTable, Picture, Skip };

struct CharState {
    int font = -1;      // font number; -1: the document's default font
    int halfPoints = 0; // 0: the viewer's own size
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int fore = 0; // colour table indexes; an auto entry or a missing one gives the default colour
    int back = 0;
    bool operator==(const CharState&) const = default;
};

struct GroupState {
    CharState chr;
    Qt::Alignment align = Qt::AlignLeft;
    int uc = 1;
    Dest dest = Dest::Text;
};

constexpr qsizetype kMaxFontName = 256;
constexpr int kMaxWordLetters = 32;
constexpr int kMaxParameter = std::numeric_limits<std::int32_t>::max();

bool isLetter(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

// A character that is safe to put into the document as text, or 0 to drop it.
char32_t sanitised(char32_t c) {
    if (c == '\t')
        return c;
    if (c < 0x20 || c == 0x7F)
        return 0;
    if (c == 0x2028 || c == 0x2029 || c == 0xFFFC || c == 0xFDD0 || c == 0xFDD1 || c == 0xFFFE || c == 0xFFFF ||
        (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
        return 0xFFFD;
    return c;
}

class Parser {
public:
    // Into a document, within the limits.
    Parser(QTextDocument& document, const RtfReader::Limits& limits)
        : doc_(&document), cursor_(&document), limits_(limits) {}
    // Into plain text only, everything (no layout and no pictures: nothing to bound).
    Parser(QString& plain, const RtfReader::Limits& limits) : plain_(&plain), limits_(limits) {}

    void run(QByteArrayView rtf);
    bool cut() const { return cut_; }

private:
    // Lexing
    const char* controlSequence(const char* p, const char* end);
    void onWord(std::string_view name, bool hasParam, int param);
    void onSymbol(unsigned char c);
    void onTextByte(unsigned char c);
    void openGroup();
    void closeGroup();

    // Output
    void emitChar(char32_t c);
    void emitUnicode(int param);
    void appendText(char32_t c);
    void flushText();
    bool fits(qsizetype units, bool newRun);
    bool ensureParagraph();
    void endParagraph();
    void setAlignment(Qt::Alignment align);
    void finishDocument();
    QTextCharFormat charFormat(const CharState& s) const;
    void commitFont();
    void commitColour();
    void finishPicture();

    QTextDocument* doc_ = nullptr;
    QTextCursor cursor_;
    QString* plain_ = nullptr; // the plain-text reading: no document
    const RtfReader::Limits& limits_;

    // What the document shows so far, against the limits; cut_ once one of them stopped the reading.
    qsizetype shownUnits_ = 0;
    qsizetype paragraphUnits_ = 0;
    qsizetype paragraphs_ = 1;
    qsizetype runs_ = 0;
    qsizetype paragraphRuns_ = 0;
    bool cut_ = false;

    std::vector<GroupState> stack_;
    GroupState cur_;
    qsizetype skipDepth_ = 0; // braces open inside the current skipped group
    bool ignorableNext_ = false;
    int ucSkip_ = 0;
    char16_t highSurrogate_ = 0;
    bool ended_ = false;
    bool finished_ = false;

    QString pending_;
    CharState pendingFormat_;
    bool paragraphPending_ = false;
    std::optional<Qt::Alignment> blockAlign_; // what the cursor's block has; a new block inherits it

    RtfFontTable fonts_;
    RtfColourTable colours_;
    int defaultFont_ = -1;
    int fontNumber_ = -1;
    QString fontName_;
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colourSet_ = false;

    RtfPicture picture_;
    int pictureCount_ = 0;
    qint64 picturePixels_ = 0; // of the pictures shown so far
};

void Parser::run(QByteArrayView rtf) {
    if (plain_)
        plain_->reserve(rtf.size());
    cursor_.beginEditBlock();
    const char* p = rtf.data();
    const char* const end = p + rtf.size();
    while (p < end && !ended_) {
        const auto c = static_cast<unsigned char>(*p);
        if (c == '\\') {
            p = controlSequence(p + 1, end);
            continue;
        }
        ++p;
        if (c == '{')
            openGroup();
        else if (c == '}')
            closeGroup();
        else if (c != '\r' && c != '\n')
            onTextByte(c);
    }
    finishDocument();
    cursor_.endEditBlock();
}

const char* Parser::controlSequence(const char* p, const char* end) {
    if (p >= end)
        return p;
    const auto first = static_cast<unsigned char>(*p);
    if (!isLetter(first)) {
        ++p;
        if (first == '\'') {
            // \'xx: two hex digits make a byte; a truncated escape (one digit) is dropped, digit and all.
            int byte = 0, digits = 0;
            for (; digits < 2 && p < end; ++digits, ++p) {
                const int v = hexDigitValue(static_cast<unsigned char>(*p));
                if (v < 0)
                    break;
                byte = byte * 16 + v;
            }
            if (digits < 2 || cur_.dest == Dest::Skip)
                return p;
            if (ucSkip_ > 0) {
                --ucSkip_;
                return p;
            }
            emitChar(cp1252::decodeByte(static_cast<unsigned char>(byte)));
            return p;
        }
        if (cur_.dest != Dest::Skip)
            onSymbol(first);
        return p;
    }
    const char* nameStart = p;
    while (p < end && isLetter(static_cast<unsigned char>(*p)))
        ++p;
    const auto nameLength = p - nameStart;
    bool hasParam = false;
    bool negative = false;
    std::int64_t value = 0;
    if (p < end && *p == '-' && end - p >= 2 && isDigit(static_cast<unsigned char>(p[1]))) {
        negative = true;
        ++p;
    }
    while (p < end && isDigit(static_cast<unsigned char>(*p))) {
        hasParam = true;
        value = std::min<std::int64_t>(value * 10 + (*p - '0'), kMaxParameter);
        ++p;
    }
    if (p < end && *p == ' ')
        ++p;
    const int param = static_cast<int>(negative ? -value : value);
    const std::string_view name(nameStart, static_cast<std::size_t>(nameLength));

    if (name == "bin") {
        // Raw bytes follow; they may hold braces and backslashes, so they are stepped over here in
        // every destination. Only a picture keeps them.
        const qsizetype count = hasParam && param > 0 ? std::min<qsizetype>(param, end - p) : 0;
        if (cur_.dest == Dest::Picture && ucSkip_ == 0)
            picture_.appendBinary(p, count);
        return p + count;
    }
    if (cur_.dest == Dest::Skip)
        return p;
    if (nameLength > kMaxWordLetters) {
        ignorableNext_ = false;
        if (ucSkip_ > 0)
            --ucSkip_;
        return p;
    }
    onWord(name, hasParam, param);
    return p;
}

void Parser::onSymbol(unsigned char c) {
    if (c == '*') {
        ignorableNext_ = true;
        return;
    }
    if (ucSkip_ > 0) {
        --ucSkip_;
        return;
    }
    switch (c) {
    case '\\':
    case '{':
    case '}':
        emitChar(c);
        break;
    case '~':
        emitChar(0x00A0);
        break;
    case '_':
        emitChar(0x2011);
        break;
    case '\r':
    case '\n':
        if (cur_.dest == Dest::Text)
            endParagraph();
        break;
    default: // \- optional hyphen, \: \| and unknown symbols show nothing
        break;
    }
}

void Parser::onWord(std::string_view name, bool hasParam, int param) {
    const auto found = findRtfControlWord(name);
    const bool ignorable = ignorableNext_;
    ignorableNext_ = false;
    if (!found) {
        if (ignorable)
            cur_.dest = Dest::Skip; // {\* ...} with a destination we do not know
        else if (ucSkip_ > 0)
            --ucSkip_;
        return;
    }
    const Word word = *found;
    if (ignorable && word != Word::ShpPict && word != Word::Pict && word != Word::FontTable &&
        word != Word::ColourTable) {
        cur_.dest = Dest::Skip;
        return;
    }
    if (word == Word::SkipDestination) {
        cur_.dest = Dest::Skip;
        return;
    }
    if (word == Word::UnicodeSkip) {
        cur_.uc = std::clamp(hasParam ? param : 1, 0, 10);
        return;
    }
    if (ucSkip_ > 0) {
        --ucSkip_;
        return;
    }
    const bool on = !hasParam || param != 0;

    switch (cur_.dest) {
    case Dest::Skip:
        return;
    case Dest::FontTable:
        if (word == Word::Font)
            fontNumber_ = param;
        else if (word == Word::Unicode)
            emitUnicode(param);
        return;
    case Dest::ColourTable:
        if (word == Word::Red || word == Word::Green || word == Word::Blue) {
            const int v = std::clamp(param, 0, 255);
            (word == Word::Red ? red_ : word == Word::Green ? green_ : blue_) = v;
            colourSet_ = true;
        }
        return;
    case Dest::Picture:
        switch (word) {
        case Word::PngBlip:
            picture_.setKind(RtfPicture::Kind::Png);
            break;
        case Word::JpegBlip:
            picture_.setKind(RtfPicture::Kind::Jpeg);
            break;
        case Word::OtherBlip:
            picture_.setKind(RtfPicture::Kind::Other);
            break;
        case Word::PicWGoal:
            picture_.setGoalWidth(param);
            break;
        case Word::PicHGoal:
            picture_.setGoalHeight(param);
            break;
        case Word::PicScaleX:
            picture_.setScaleX(param);
            break;
        case Word::PicScaleY:
            picture_.setScaleY(param);
            break;
        default: // \picw and \pich are the picture's own size, which its data gives as well
            break;
        }
        return;
    case Dest::Text:
        break;
    }

    CharState& chr = cur_.chr;
    switch (word) {
    case Word::Bold:
        chr.bold = on;
        break;
    case Word::Italic:
        chr.italic = on;
        break;
    case Word::Underline:
        chr.underline = on;
        break;
    case Word::UnderlineNone:
        chr.underline = false;
        break;
    case Word::Font:
        chr.font = param;
        break;
    case Word::FontSize:
        chr.halfPoints = hasParam ? std::clamp(param, 0, 3276) : 24;
        break;
    case Word::Fore:
        chr.fore = param;
        break;
    case Word::Back:
        chr.back = param;
        break;
    case Word::Plain:
        chr = CharState{};
        break;
    case Word::Pard:
        cur_.align = Qt::AlignLeft;
        break;
    case Word::Left:
        cur_.align = Qt::AlignLeft;
        break;
    case Word::Centre:
        cur_.align = Qt::AlignHCenter;
        break;
    case Word::Right:
        cur_.align = Qt::AlignRight;
        break;
    case Word::Justify:
        cur_.align = Qt::AlignJustify;
        break;
    case Word::Par:
        endParagraph();
        break;
    case Word::Line:
        if (ensureParagraph())
            appendText(QChar::LineSeparator);
        break;
    case Word::Tab:
        emitChar('\t');
        break;
    case Word::Unicode:
        emitUnicode(param);
        break;
    case Word::EmDash:
        emitChar(0x2014);
        break;
    case Word::EnDash:
        emitChar(0x2013);
        break;
    case Word::Bullet:
        emitChar(0x2022);
        break;
    case Word::LQuote:
        emitChar(0x2018);
        break;
    case Word::RQuote:
        emitChar(0x2019);
        break;
    case Word::LDblQuote:
        emitChar(0x201C);
        break;
    case Word::RDblQuote:
        emitChar(0x201D);
        break;
    case Word::EmSpace:
        emitChar(0x2003);
        break;
    case Word::EnSpace:
        emitChar(0x2002);
        break;
    case Word::DefaultFont:
        defaultFont_ = param;
        break;
    case Word::Pict:
        cur_.dest = Dest::Picture;
        picture_ = RtfPicture(limits_.maxPictureBytes);
        break;
    case Word::FontTable:
        cur_.dest = Dest::FontTable;
        fontNumber_ = -1;
        fontName_.clear();
        break;
    case Word::ColourTable:
        cur_.dest = Dest::ColourTable;
        red_ = green_ = blue_ = 0;
        colourSet_ = false;
        break;
    default: // \shppict holds the picture we read; colour components and picture words outside their groups
        break;
    }
}

void Parser::onTextByte(unsigned char c) {
    ignorableNext_ = false;
    switch (cur_.dest) {
    case Dest::Skip:
        return;
    case Dest::Picture:
        picture_.appendHexDigit(c);
        return;
    default:
        break;
    }
    if (ucSkip_ > 0) {
        --ucSkip_;
        return;
    }
    emitChar(cp1252::decodeByte(c));
}

void Parser::openGroup() {
    ignorableNext_ = false;
    ucSkip_ = 0;
    if (cur_.dest == Dest::Skip) {
        ++skipDepth_;
        return;
    }
    stack_.push_back(cur_);
    // The groups inside a picture are its metadata; groups beyond the depth cap are dropped whole. Either
    // way one state is pushed at most, so the stack never holds more than maxDepth + 1 states.
    if (cur_.dest == Dest::Picture || static_cast<int>(stack_.size()) > limits_.maxDepth) {
        cur_.dest = Dest::Skip;
        skipDepth_ = 0;
    }
}

void Parser::closeGroup() {
    ignorableNext_ = false;
    ucSkip_ = 0;
    if (cur_.dest == Dest::Skip && skipDepth_ > 0) {
        --skipDepth_;
        return;
    }
    if (stack_.empty()) { // a closing brace with no group open: the document has ended
        ended_ = true;
        return;
    }
    if (cur_.dest == Dest::FontTable)
        commitFont();
    else if (cur_.dest == Dest::Picture)
        finishPicture();
    if (stack_.size() == 1) {
        // The outer group closes: its paragraph settings are the last paragraph's.
        finishDocument();
        ended_ = true;
    }
    cur_ = stack_.back();
    stack_.pop_back();
    skipDepth_ = 0;
}

void Parser::emitUnicode(int param) {
    char32_t c;
    if (param < 0)
        c = param >= -32768 ? static_cast<char32_t>(param + 65536) : 0xFFFD;
    else
        c = static_cast<char32_t>(param);
    ucSkip_ = cur_.uc;
    if (c >= 0xD800 && c <= 0xDBFF) {
        if (highSurrogate_)
            emitChar(0xFFFD);
        highSurrogate_ = static_cast<char16_t>(c);
        return;
    }
    if (c >= 0xDC00 && c <= 0xDFFF && highSurrogate_) {
        const char32_t full = 0x10000 + ((static_cast<char32_t>(highSurrogate_) - 0xD800) << 10) + (c - 0xDC00);
        highSurrogate_ = 0;
        emitChar(full);
        return;
    }
    emitChar(c);
}

void Parser::emitChar(char32_t c) {
    if (highSurrogate_) {
        highSurrogate_ = 0;
        emitChar(0xFFFD);
    }
    switch (cur_.dest) {
    case Dest::FontTable:
        if (c == ';')
            commitFont();
        else if (fontName_.size() < kMaxFontName && (c = sanitised(c)) != 0)
            fontName_.append(QChar::fromUcs4(c));
        return;
    case Dest::ColourTable:
        if (c == ';')
            commitColour();
        return;
    case Dest::Text:
        if ((c = sanitised(c)) != 0 && ensureParagraph())
            appendText(c);
        return;
    default:
        return;
    }
}

void Parser::appendText(char32_t c) {
    if (plain_) {
        // As a document gives its text back: a line break and a no-break space are plain characters.
        if (c == QChar::LineSeparator)
            c = '\n';
        else if (c == QChar::Nbsp)
            c = ' ';
        if (QChar::requiresSurrogates(c)) {
            plain_->append(QChar(QChar::highSurrogate(c)));
            plain_->append(QChar(QChar::lowSurrogate(c)));
        } else {
            plain_->append(QChar(static_cast<char16_t>(c)));
        }
        return;
    }
    const bool newRun = pending_.isEmpty() || !(pendingFormat_ == cur_.chr);
    if (!fits(QChar::requiresSurrogates(c) ? 2 : 1, newRun))
        return;
    if (!pending_.isEmpty() && !(pendingFormat_ == cur_.chr))
        flushText();
    if (pending_.isEmpty())
        pendingFormat_ = cur_.chr;
    if (QChar::requiresSurrogates(c)) {
        pending_.append(QChar(QChar::highSurrogate(c)));
        pending_.append(QChar(QChar::lowSurrogate(c)));
    } else {
        pending_.append(QChar(static_cast<char16_t>(c)));
    }
}

// Whether units more characters (a new format run when newRun) stay within what one document
// shows. When not, the document is cut here: nothing more is read, and the caller is told.
bool Parser::fits(qsizetype units, bool newRun) {
    if (cut_)
        return false;
    const qsizetype runs = newRun ? 1 : 0;
    if (shownUnits_ + units > limits_.maxShownCharacters || paragraphUnits_ + units > limits_.maxParagraphCharacters ||
        runs_ + runs > limits_.maxRuns || paragraphRuns_ + runs > limits_.maxParagraphRuns) {
        cut_ = true;
        ended_ = true;
        return false;
    }
    shownUnits_ += units;
    paragraphUnits_ += units;
    runs_ += runs;
    paragraphRuns_ += runs;
    return true;
}

void Parser::flushText() {
    if (pending_.isEmpty())
        return;
    cursor_.insertText(pending_, charFormat(pendingFormat_));
    pending_.clear();
}

bool Parser::ensureParagraph() {
    if (!paragraphPending_)
        return !cut_;
    if (plain_) {
        paragraphPending_ = false;
        plain_->append(u'\n');
        return true;
    }
    if (cut_ || paragraphs_ + 1 > limits_.maxParagraphs || shownUnits_ + 1 > limits_.maxShownCharacters) {
        cut_ = true;
        ended_ = true;
        return false;
    }
    paragraphPending_ = false;
    cursor_.insertBlock();
    ++paragraphs_;
    ++shownUnits_;
    paragraphUnits_ = 0;
    paragraphRuns_ = 0;
    return true;
}

// A paragraph mark takes effect lazily: the next content opens the new paragraph, so that the mark
// that usually ends a document leaves no empty paragraph behind it.
void Parser::endParagraph() {
    flushText();
    if (!ensureParagraph())
        return;
    setAlignment(cur_.align);
    paragraphPending_ = true;
}

void Parser::setAlignment(Qt::Alignment align) {
    if (plain_ || blockAlign_ == align)
        return;
    QTextBlockFormat block;
    block.setAlignment(align);
    cursor_.setBlockFormat(block);
    blockAlign_ = align;
}

void Parser::finishDocument() {
    if (finished_)
        return;
    finished_ = true;
    if (highSurrogate_) {
        highSurrogate_ = 0;
        const Dest dest = cur_.dest;
        cur_.dest = Dest::Text;
        emitChar(0xFFFD);
        cur_.dest = dest;
    }
    flushText();
    if (!paragraphPending_)
        setAlignment(cur_.align);
}

QTextCharFormat Parser::charFormat(const CharState& s) const {
    QTextCharFormat f;
    const int font = s.font >= 0 ? s.font : defaultFont_;
    if (font >= 0) {
        const QString family = fonts_.family(font);
        if (!family.isEmpty())
            f.setFontFamilies(QStringList{family});
    }
    if (s.halfPoints > 0)
        f.setFontPointSize(s.halfPoints / 2.0);
    if (s.bold)
        f.setFontWeight(QFont::Bold);
    if (s.italic)
        f.setFontItalic(true);
    if (s.underline)
        f.setFontUnderline(true);
    if (const auto fore = colours_.colour(s.fore))
        f.setForeground(*fore);
    if (const auto back = colours_.colour(s.back))
        f.setBackground(*back);
    return f;
}

void Parser::commitFont() {
    const QString name = fontName_.trimmed();
    if (fontNumber_ >= 0 && !name.isEmpty())
        fonts_.set(fontNumber_, name);
    fontName_.clear();
    fontNumber_ = -1;
}

void Parser::commitColour() {
    colours_.append(colourSet_ ? std::optional<QColor>(QColor(red_, green_, blue_)) : std::nullopt);
    red_ = green_ = blue_ = 0;
    colourSet_ = false;
}

void Parser::finishPicture() {
    const RtfPicture picture = std::move(picture_);
    picture_ = RtfPicture(limits_.maxPictureBytes);
    if (plain_) // a picture gives no text
        return;
    const qint64 budget = std::min(limits_.maxPicturePixels, limits_.maxTotalPicturePixels - picturePixels_);
    const QImage image = picture.decode(budget);
    if (image.isNull())
        return;
    picturePixels_ += static_cast<qint64>(image.width()) * image.height();
    // Pictures live in the document's own resources under a scheme of ours, so that the document never
    // looks for them anywhere else.
    flushText();
    if (!ensureParagraph() || !fits(1, true))
        return;
    const QString name = QStringLiteral("vellumo-pict:%1").arg(++pictureCount_);
    doc_->addResource(QTextDocument::ImageResource, QUrl(name), image);
    QTextImageFormat imageFormat;
    imageFormat.setName(name);
    const QSize shown = picture.displaySize(image.size(), limits_.maxPictureSide);
    imageFormat.setWidth(shown.width());
    imageFormat.setHeight(shown.height());
    cursor_.insertImage(imageFormat);
}

} // namespace

RtfReader::Result RtfReader::read(QByteArrayView rtf, QTextDocument& document) {
    return read(rtf, document, Limits{});
}

RtfReader::Result RtfReader::read(QByteArrayView rtf, QTextDocument& document, const Limits& limits) {
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    Parser parser(document, limits);
    parser.run(rtf);
    document.setUndoRedoEnabled(undo);
    return Result{parser.cut()};
}

QString RtfReader::plainText(QByteArrayView rtf) {
    QString plain;
    const Limits limits;
    Parser(plain, limits).run(rtf);
    return plain;
}

bool RtfReader::looksLikeRtf(QByteArrayView data) {
    qsizetype i = 0;
    while (i < data.size() && (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    return data.sliced(i).startsWith("{\\rtf");
}

} // namespace vellumo
