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
#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>
#include <utility>
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

// A control word's number: given or not (0 when not), saturated at 32 bits.
struct WordParam {
    bool given = false;
    int value = 0;
    // A switch (\b, \i, \ul...) is on without a number and with any number but 0.
    bool on() const { return !given || value != 0; }
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
    void onWord(std::string_view name, WordParam param);
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

    // What each control word does in each destination that reads words (kWordRows below).
    using WordHandler = void (*)(Parser&, const WordParam&);
    struct WordRow {
        Dest dest;
        RtfControlWord word;
        WordHandler handler;
    };
    class WordTable {
    public:
        template <std::size_t N> constexpr explicit WordTable(const WordRow (&rows)[N]) {
            for (const WordRow& row : rows)
                handlers_[static_cast<std::size_t>(row.dest)][static_cast<std::size_t>(row.word)] = row.handler;
        }
        // The handler of word in dest, or null when the word does nothing there.
        constexpr WordHandler handler(Dest dest, RtfControlWord word) const {
            const auto w = static_cast<std::size_t>(word);
            return w < kWords ? handlers_[static_cast<std::size_t>(dest)][w] : nullptr;
        }

    private:
        static constexpr std::size_t kDests = static_cast<std::size_t>(Dest::Skip) + 1;
        static constexpr std::size_t kWords = static_cast<std::size_t>(RtfControlWord::SkipDestination) + 1;
        std::array<std::array<WordHandler, kWords>, kDests> handlers_{};
    };
    static const WordRow kWordRows[];
    static const WordTable kWordTable;
    template <Qt::AlignmentFlag A> static void aligns(Parser& p, const WordParam&) { p.cur_.align = A; }
    template <char32_t C> static void emits(Parser& p, const WordParam&) { p.emitChar(C); }
    template <int Parser::*Component> static void setsComponent(Parser& p, const WordParam& a) {
        p.*Component = std::clamp(a.value, 0, 255);
        p.colourSet_ = true;
    }
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
    onWord(name, WordParam{hasParam, param});
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

void Parser::onWord(std::string_view name, WordParam param) {
    const auto found = findRtfControlWord(name);
    const bool ignorable = std::exchange(ignorableNext_, false);
    if (!found) {
        if (ignorable)
            cur_.dest = Dest::Skip; // {\* ...} with a destination we do not know
        else if (ucSkip_ > 0)
            --ucSkip_;
        return;
    }
    const Word word = *found;
    // After \* only the destinations we read are read; any other word skips the group, as the
    // destinations whose content is never shown do.
    if (ignorable && word != Word::ShpPict && word != Word::Pict && word != Word::FontTable &&
        word != Word::ColourTable) {
        cur_.dest = Dest::Skip;
        return;
    }
    if (word == Word::SkipDestination) {
        cur_.dest = Dest::Skip;
        return;
    }
    if (word == Word::UnicodeSkip) { // how many fallback characters follow \u; \uc is not one of them
        cur_.uc = std::clamp(param.given ? param.value : 1, 0, 10);
        return;
    }
    if (ucSkip_ > 0) {
        --ucSkip_;
        return;
    }
    if (const WordHandler handler = kWordTable.handler(cur_.dest, word))
        handler(*this, param);
}

// What each word does in each destination that reads words. A word without a row for the current
// destination does nothing there (\shppict, whose group holds the picture we read, has none at all;
// neither have \picw and \pich, the picture's own size, which its data gives as well).
constexpr Parser::WordRow Parser::kWordRows[] = {
        // Character formats of the text.
        {Dest::Text, Word::Bold, [](Parser& p, const WordParam& a) { p.cur_.chr.bold = a.on(); }},
        {Dest::Text, Word::Italic, [](Parser& p, const WordParam& a) { p.cur_.chr.italic = a.on(); }},
        {Dest::Text, Word::Underline, [](Parser& p, const WordParam& a) { p.cur_.chr.underline = a.on(); }},
        {Dest::Text, Word::UnderlineNone, [](Parser& p, const WordParam&) { p.cur_.chr.underline = false; }},
        {Dest::Text, Word::Font, [](Parser& p, const WordParam& a) { p.cur_.chr.font = a.value; }},
        {Dest::Text, Word::FontSize,
         [](Parser& p, const WordParam& a) { p.cur_.chr.halfPoints = a.given ? std::clamp(a.value, 0, 3276) : 24; }},
        {Dest::Text, Word::Fore, [](Parser& p, const WordParam& a) { p.cur_.chr.fore = a.value; }},
        {Dest::Text, Word::Back, [](Parser& p, const WordParam& a) { p.cur_.chr.back = a.value; }},
        {Dest::Text, Word::Plain, [](Parser& p, const WordParam&) { p.cur_.chr = CharState{}; }},
        {Dest::Text, Word::DefaultFont, [](Parser& p, const WordParam& a) { p.defaultFont_ = a.value; }},
        // Paragraphs of the text and their alignment.
        {Dest::Text, Word::Pard, aligns<Qt::AlignLeft>},
        {Dest::Text, Word::Left, aligns<Qt::AlignLeft>},
        {Dest::Text, Word::Centre, aligns<Qt::AlignHCenter>},
        {Dest::Text, Word::Right, aligns<Qt::AlignRight>},
        {Dest::Text, Word::Justify, aligns<Qt::AlignJustify>},
        {Dest::Text, Word::Par, [](Parser& p, const WordParam&) { p.endParagraph(); }},
        {Dest::Text, Word::Line,
         [](Parser& p, const WordParam&) {
             if (p.ensureParagraph())
                 p.appendText(QChar::LineSeparator);
         }},
        // Characters of the text.
        {Dest::Text, Word::Tab, emits<'\t'>},
        {Dest::Text, Word::Unicode, [](Parser& p, const WordParam& a) { p.emitUnicode(a.value); }},
        {Dest::Text, Word::EmDash, emits<0x2014>},
        {Dest::Text, Word::EnDash, emits<0x2013>},
        {Dest::Text, Word::Bullet, emits<0x2022>},
        {Dest::Text, Word::LQuote, emits<0x2018>},
        {Dest::Text, Word::RQuote, emits<0x2019>},
        {Dest::Text, Word::LDblQuote, emits<0x201C>},
        {Dest::Text, Word::RDblQuote, emits<0x201D>},
        {Dest::Text, Word::EmSpace, emits<0x2003>},
        {Dest::Text, Word::EnSpace, emits<0x2002>},
        // The destinations the text opens.
        {Dest::Text, Word::Pict,
         [](Parser& p, const WordParam&) {
             p.cur_.dest = Dest::Picture;
             p.picture_ = RtfPicture(p.limits_.maxPictureBytes);
         }},
        {Dest::Text, Word::FontTable,
         [](Parser& p, const WordParam&) {
             p.cur_.dest = Dest::FontTable;
             p.fontNumber_ = -1;
             p.fontName_.clear();
         }},
        {Dest::Text, Word::ColourTable,
         [](Parser& p, const WordParam&) {
             p.cur_.dest = Dest::ColourTable;
             p.red_ = p.green_ = p.blue_ = 0;
             p.colourSet_ = false;
         }},
        // The font table: each font's number, and characters of its name.
        {Dest::FontTable, Word::Font, [](Parser& p, const WordParam& a) { p.fontNumber_ = a.value; }},
        {Dest::FontTable, Word::Unicode, [](Parser& p, const WordParam& a) { p.emitUnicode(a.value); }},
        // The colour table: the components of the entry being read.
        {Dest::ColourTable, Word::Red, setsComponent<&Parser::red_>},
        {Dest::ColourTable, Word::Green, setsComponent<&Parser::green_>},
        {Dest::ColourTable, Word::Blue, setsComponent<&Parser::blue_>},
        // The picture: its kind, its displayed size and its scale.
        {Dest::Picture, Word::PngBlip, [](Parser& p, const WordParam&) { p.picture_.setKind(RtfPicture::Kind::Png); }},
        {Dest::Picture, Word::JpegBlip, [](Parser& p, const WordParam&) { p.picture_.setKind(RtfPicture::Kind::Jpeg); }},
        {Dest::Picture, Word::OtherBlip, [](Parser& p, const WordParam&) { p.picture_.setKind(RtfPicture::Kind::Other); }},
        {Dest::Picture, Word::PicWGoal, [](Parser& p, const WordParam& a) { p.picture_.setGoalWidth(a.value); }},
        {Dest::Picture, Word::PicHGoal, [](Parser& p, const WordParam& a) { p.picture_.setGoalHeight(a.value); }},
        {Dest::Picture, Word::PicScaleX, [](Parser& p, const WordParam& a) { p.picture_.setScaleX(a.value); }},
        {Dest::Picture, Word::PicScaleY, [](Parser& p, const WordParam& a) { p.picture_.setScaleY(a.value); }},
    };

constexpr Parser::WordTable Parser::kWordTable{kWordRows};

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
