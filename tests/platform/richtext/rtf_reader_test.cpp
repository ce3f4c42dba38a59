#include "platform/richtext/rtf_reader.h"

#include "platform/richtext/rtf_colour_table.h"
#include "platform/richtext/rtf_font_table.h"

#include <QBuffer>
#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace vellumo;

namespace {

// The character format of the first character of the first occurrence of word.
QTextCharFormat formatOf(const QTextDocument& doc, const QString& word) {
    const QTextCursor found = doc.find(word);
    EXPECT_FALSE(found.isNull()) << "no " << word.toStdString();
    if (found.isNull())
        return {};
    QTextCursor c(found);
    c.setPosition(found.selectionStart() + 1);
    return c.charFormat();
}

std::vector<QTextImageFormat> images(const QTextDocument& doc) {
    std::vector<QTextImageFormat> out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (f.isImageFormat())
                out.push_back(f.toImageFormat());
        }
    }
    return out;
}

bool anyAnchor(const QTextDocument& doc) {
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isAnchor() || !it.fragment().charFormat().anchorHref().isEmpty())
                return true;
        }
    }
    return false;
}

QByteArray pictureBytes(const char* format, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QByteArray pictureGroup(const char* blip, const QByteArray& data, const QByteArray& sizeWords) {
    // Hex in lines of 64 digits, as writers break it.
    QByteArray hex = data.toHex();
    for (qsizetype i = 64; i < hex.size(); i += 65)
        hex.insert(i, '\n');
    return "{\\pict\\" + QByteArray(blip) + sizeWords + "\n" + hex + "}";
}

struct Case {
    const char* name;
    QByteArray rtf;
    QString plain;
    std::function<void(const QTextDocument&)> check;
};

std::vector<Case> cases() {
    const QByteArray png = pictureBytes("PNG", 4, 3);
    const QByteArray jpeg = pictureBytes("JPEG", 8, 8);
    std::vector<Case> t;
    t.push_back({"Plain", "{\\rtf1\\ansi\\deff0 Hello world}", "Hello world", nullptr});
    t.push_back({"TrailingParagraphMarkLeavesNoEmptyParagraph", "{\\rtf1 Hello\\par\r\n}", "Hello",
                 [](const QTextDocument& d) { EXPECT_EQ(d.blockCount(), 1); }});
    t.push_back({"BoldItalicUnderlineRuns",
                 "{\\rtf1 aa {\\b bold} \\i it\\i0  {\\ul under}\\ulnone  nn \\b1 bb\\b0  \\uldb dbl\\ul0 .}",
                 "aa bold it under nn bb dbl.", [](const QTextDocument& d) {
                     EXPECT_EQ(formatOf(d, "bold").fontWeight(), QFont::Bold);
                     EXPECT_NE(formatOf(d, "aa").fontWeight(), QFont::Bold);
                     EXPECT_TRUE(formatOf(d, "it").fontItalic());
                     EXPECT_FALSE(formatOf(d, "it").fontUnderline());
                     EXPECT_TRUE(formatOf(d, "under").fontUnderline());
                     EXPECT_FALSE(formatOf(d, "nn").fontUnderline());
                     EXPECT_FALSE(formatOf(d, "nn").fontItalic());
                     EXPECT_EQ(formatOf(d, "bb").fontWeight(), QFont::Bold);
                     EXPECT_TRUE(formatOf(d, "dbl").fontUnderline());
                     EXPECT_NE(formatOf(d, "dbl").fontWeight(), QFont::Bold);
                 }});
    t.push_back({"PlainResetsCharacterFormat", "{\\rtf1\\b\\i\\ul x\\plain  y}", "x y", [](const QTextDocument& d) {
                     const auto y = formatOf(d, "y");
                     EXPECT_NE(y.fontWeight(), QFont::Bold);
                     EXPECT_FALSE(y.fontItalic());
                     EXPECT_FALSE(y.fontUnderline());
                 }});
    t.push_back({"Colours",
                 "{\\rtf1{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
                 "\\cf1 red\\cf0  auto \\cb2 onblue\\cb0  \\highlight1 hl\\highlight0  \\cf9 missing}",
                 "red auto onblue hl missing", [](const QTextDocument& d) {
                     EXPECT_EQ(formatOf(d, "red").foreground().color(), QColor(255, 0, 0));
                     EXPECT_FALSE(formatOf(d, "auto").hasProperty(QTextFormat::ForegroundBrush));
                     EXPECT_EQ(formatOf(d, "onblue").background().color(), QColor(0, 0, 255));
                     EXPECT_EQ(formatOf(d, "hl").background().color(), QColor(255, 0, 0));
                     EXPECT_FALSE(formatOf(d, "missing").hasProperty(QTextFormat::ForegroundBrush));
                 }});
    t.push_back({"FontsAndSizes",
                 "{\\rtf1\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\froman{\\*\\panose 0203}"
                 "Times New Roman;}}\\fs40 big \\f1\\fs18 small\\f7  unknown}",
                 "big small unknown", [](const QTextDocument& d) {
                     EXPECT_EQ(formatOf(d, "big").fontPointSize(), 20.0);
                     EXPECT_EQ(formatOf(d, "big").fontFamilies().toStringList(), QStringList{"Arial"});
                     EXPECT_EQ(formatOf(d, "small").fontPointSize(), 9.0);
                     EXPECT_EQ(formatOf(d, "small").fontFamilies().toStringList(), QStringList{"Times New Roman"});
                     EXPECT_FALSE(formatOf(d, "unknown").hasProperty(QTextFormat::FontFamilies));
                 }});
    t.push_back({"FontTableWithoutInnerGroups", "{\\rtf1{\\fonttbl\\f0 Courier New;\\f1 Verdana;}\\f1 v}", "v",
                 [](const QTextDocument& d) {
                     EXPECT_EQ(formatOf(d, "v").fontFamilies().toStringList(), QStringList{"Verdana"});
                 }});
    t.push_back({"ParagraphsAndAlignment", "{\\rtf1\\qc centre\\par\\pard\\qr right\\par\\pard left\\par\\qj just}",
                 "centre\nright\nleft\njust", [](const QTextDocument& d) {
                     ASSERT_EQ(d.blockCount(), 4);
                     EXPECT_EQ(d.findBlockByNumber(0).blockFormat().alignment(), Qt::AlignHCenter);
                     EXPECT_EQ(d.findBlockByNumber(1).blockFormat().alignment(), Qt::AlignRight);
                     EXPECT_EQ(d.findBlockByNumber(2).blockFormat().alignment(), Qt::AlignLeft);
                     EXPECT_EQ(d.findBlockByNumber(3).blockFormat().alignment(), Qt::AlignJustify);
                 }});
    t.push_back({"LastParagraphKeepsAlignmentOfOuterGroup", "{\\rtf1\\pard\\qr only}", "only",
                 [](const QTextDocument& d) { EXPECT_EQ(d.begin().blockFormat().alignment(), Qt::AlignRight); }});
    t.push_back({"LineBreakStaysInOneParagraph", "{\\rtf1 one\\line two\\tab three}", "one\ntwo\tthree",
                 [](const QTextDocument& d) { EXPECT_EQ(d.blockCount(), 1); }});
    t.push_back({"HexEscapeIsWindows1252", "{\\rtf1 caf\\'e9 \\'80 \\'93q\\'94}", u"café € “q”"_qs, nullptr});
    t.push_back({"RawHighBytesAreWindows1252", "{\\rtf1 caf\xe9}", u"café"_qs, nullptr});
    t.push_back({"UnicodeWithFallbackSkipped", "{\\rtf1 caf\\u233? \\uc2\\u233\\'e9\\'e9 x\\uc0\\u8364 y}",
                 u"café é x€y"_qs, nullptr});
    t.push_back({"UnicodeNegativeAndSurrogatePair", "{\\rtf1\\u-3?\\u-10179?\\u-8704?}", u"\uFFFD😀"_qs, nullptr});
    t.push_back({"UnicodeSkipCountEndsAtGroupEnd", "{\\rtf1\\uc3{\\u233}ab}", u"éab"_qs, nullptr});
    t.push_back({"ControlSymbols", "{\\rtf1 \\{a\\}\\\\b\\~c\\-d\\_e\\emdash\\bullet}",
                 u"{a}\\b c"
                 "d\u2011e—•"_qs,
                 nullptr});
    t.push_back(
        {"PngPicture", "{\\rtf1 a" + pictureGroup("pngblip", png, "\\picw4\\pich3\\picwgoal600\\pichgoal300") + "b}",
         u"a\uFFFCb"_qs, [](const QTextDocument& d) {
             const auto found = images(d);
             ASSERT_EQ(found.size(), 1u);
             EXPECT_EQ(found[0].width(), 40.0);
             EXPECT_EQ(found[0].height(), 20.0);
             const QImage image = d.resource(QTextDocument::ImageResource, QUrl(found[0].name())).value<QImage>();
             EXPECT_EQ(image.size(), QSize(4, 3));
             EXPECT_EQ(QColor(image.pixel(0, 0)), QColor(Qt::red));
         }});
    t.push_back({"JpegPictureInShapeGroupOwnSizeAndScale",
                 "{\\rtf1{\\*\\shppict" + pictureGroup("jpegblip", jpeg, "\\picscalex50\\picscaley200") +
                     "}{\\nonshppict{\\pict\\wmetafile8 0100}}}",
                 u"\uFFFC"_qs, [](const QTextDocument& d) {
                     const auto found = images(d);
                     ASSERT_EQ(found.size(), 1u);
                     EXPECT_EQ(found[0].width(), 4.0);
                     EXPECT_EQ(found[0].height(), 16.0);
                 }});
    t.push_back({"PictureMetadataGroupsAreNotData",
                 "{\\rtf1{\\pict{\\*\\picprop{\\sp{\\sn x}{\\sv 41}}}\\pngblip{\\*\\blipuid 0123456789abcdef}" +
                     png.toHex() + "}}",
                 u"\uFFFC"_qs, [](const QTextDocument& d) { EXPECT_EQ(images(d).size(), 1u); }});
    t.push_back({"BinaryPictureData",
                 "{\\rtf1{\\pict\\pngblip\\bin" + QByteArray::number(png.size()) + " " + png + "}}", u"\uFFFC"_qs,
                 [](const QTextDocument& d) { EXPECT_EQ(images(d).size(), 1u); }});
    t.push_back(
        {"UnsupportedAndMislabelledPicturesAreLeftOut",
         "{\\rtf1 a{\\pict\\wmetafile8 0100090000}{\\pict\\pngblip 47494638}{\\pict\\emfblip " + png.toHex() + "}b}",
         "ab", [](const QTextDocument& d) { EXPECT_TRUE(images(d).empty()); }});
    t.push_back({"FieldShowsResultOnlyAndNoLink",
                 "{\\rtf1 see {\\field{\\*\\fldinst{HYPERLINK \"http://127.0.0.1/x\"}}{\\fldrslt{\\ul link}}} "
                 "{\\field{\\fldinst INCLUDEPICTURE \"file:///etc/hostname\" \\\\d}{\\fldrslt }}end}",
                 "see link end", [](const QTextDocument& d) {
                     EXPECT_FALSE(anyAnchor(d));
                     EXPECT_TRUE(images(d).empty());
                 }});
    t.push_back({"ObjectShowsOnlyItsResult",
                 "{\\rtf1{\\object\\objemb{\\*\\objclass Package}{\\*\\objdata 0102ff}{\\result shown}}}", "shown",
                 nullptr});

    // Hostile and broken documents: never fatal, and what can be shown is shown.
    t.push_back({"EmptyInput", "", "", [](const QTextDocument& d) { EXPECT_EQ(d.blockCount(), 1); }});
    t.push_back({"EmptyDocument", "{\\rtf1}", "", nullptr});
    t.push_back({"UnknownDestinationsAreSkipped",
                 "{\\rtf1{\\*\\foo secret{nested secret}}{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}{\\author A}}"
                 "visible{\\*\\unknown{\\b x}more}{\\header head} {\\xyzzy shown}}",
                 "visible shown", nullptr});
    t.push_back({"UnknownControlWordsAreIgnored",
                 "{\\rtf1\\viewkind4\\lang1036\\abcdefghijklmnopqrstuvwxyzabcdefghij x}", "x", nullptr});
    t.push_back({"DeepNestingIsDroppedAndReadingGoesOn",
                 "{\\rtf1 " + QByteArray(100000, '{') + "deep" + QByteArray(100000, '}') + " after}", " after",
                 nullptr});
    t.push_back({"NestingWithinTheCapIsRead", "{\\rtf1 " + QByteArray(90, '{') + "\\b in" + QByteArray(90, '}') + "}",
                 "in", [](const QTextDocument& d) { EXPECT_EQ(formatOf(d, "in").fontWeight(), QFont::Bold); }});
    t.push_back({"HugeNumbersAreClamped",
                 "{\\rtf1\\fs99999999999999999999 big\\cf4294967296 c\\u99999999999 x\\uc999999999 ok"
                 "\\b-99999999999 y\\f-2147483649 z{\\colortbl\\red-5\\green999;}}",
                 u"bigc\uFFFDokyz"_qs, [](const QTextDocument& d) {
                     EXPECT_EQ(formatOf(d, "big").fontPointSize(), 1638.0);
                     EXPECT_EQ(formatOf(d, "y").fontWeight(), QFont::Bold);
                 }});
    t.push_back({"HugePictureGoalIsClamped",
                 "{\\rtf1" + pictureGroup("pngblip", png, "\\picwgoal2147483647\\pichgoal-7\\picscalex99999") + "}",
                 u"\uFFFC"_qs, [](const QTextDocument& d) {
                     const auto found = images(d);
                     ASSERT_EQ(found.size(), 1u);
                     EXPECT_EQ(found[0].width(), 4096.0);
                     EXPECT_EQ(found[0].height(), 3.0);
                 }});
    t.push_back({"TruncatedHexEscape", "{\\rtf1 a\\'e", "a", nullptr});
    t.push_back({"InvalidHexEscape", "{\\rtf1 a\\'zzb\\'4}", "azzb", nullptr});
    t.push_back({"TruncatedPictureHex", "{\\rtf1 a{\\pict\\pngblip " + png.toHex().left(61), "a",
                 [](const QTextDocument& d) { EXPECT_TRUE(images(d).empty()); }});
    t.push_back({"UnbalancedClosingBracesEndTheDocument", "{\\rtf1 a}}} b{c", "a", nullptr});
    t.push_back({"MissingClosingBraces", "{\\rtf1{\\b a{\\i b", "ab",
                 [](const QTextDocument& d) { EXPECT_TRUE(formatOf(d, "b").fontItalic()); }});
    t.push_back({"BinaryDataHidesBraces", "{\\rtf1 a{\\*\\foo \\bin3 }}}}b\\bin99999999}", "ab", nullptr});
    t.push_back({"StructuralCharactersAreNeutralised", "{\\rtf1\\uc0 a\\u0 b\\u8233 c\\u-560 d\\u65532 e\x01}",
                 u"ab\uFFFDc\uFFFDd\uFFFDe"_qs, [](const QTextDocument& d) { EXPECT_EQ(d.blockCount(), 1); }});
    t.push_back({"UnpairedSurrogates", "{\\rtf1\\uc0\\u-10179 a\\u-8704 b}", u"\uFFFDa\uFFFDb"_qs, nullptr});
    t.push_back({"IgnorableMarkBeforeKnownWordStillSkips", "{\\rtf1{\\*\\b hidden}shown}", "shown", nullptr});
    t.push_back({"IgnorableMarkBeforeTheTablesAndPicturesWeRead",
                 "{\\rtf1{\\*\\fonttbl{\\f0 Arial;}}{\\*\\colortbl;\\red0\\green0\\blue255;}\\f0\\cf1 x" +
                     QByteArray("{\\*") + pictureGroup("pngblip", png, "").mid(1) + "}",
                 u"x\uFFFC"_qs, [](const QTextDocument& d) {
                     EXPECT_EQ(formatOf(d, "x").fontFamilies().toStringList(), QStringList{"Arial"});
                     EXPECT_EQ(formatOf(d, "x").foreground().color(), QColor(0, 0, 255));
                     EXPECT_EQ(images(d).size(), 1u);
                 }});
    // A word acts in its own destination only: in the tables the text words do nothing (\u among
    // them in the colour table, where its ";" would end an entry), and the table and picture words
    // do nothing in the text.
    t.push_back({"WordsActOnlyInTheirOwnDestination",
                 "{\\rtf1{\\fonttbl{\\f0\\b\\par\\tab\\emdash\\pict\\colortbl Ar\\u105?al;}}"
                 "{\\colortbl;\\red255\\par\\tab\\f0\\b\\u59?\\green255;}\\red9\\picwgoal99\\pngblip\\f0\\cf1 x}",
                 "x", [](const QTextDocument& d) {
                     EXPECT_EQ(d.blockCount(), 1);
                     EXPECT_EQ(formatOf(d, "x").fontFamilies().toStringList(), QStringList{"Arial"});
                     EXPECT_EQ(formatOf(d, "x").foreground().color(), QColor(255, 255, 0));
                     EXPECT_NE(formatOf(d, "x").fontWeight(), QFont::Bold);
                 }});
    // The characters after \u that stand in for it may be control words, known or not; \uc is not
    // one of them.
    t.push_back({"FallbackCharactersCountControlWordsButNotUc",
                 "{\\rtf1 a\\u233\\par b\\u233\\foo c\\u233\\b d\\uc2\\u233\\uc1 xy z}", u"aébécédé z"_qs,
                 [](const QTextDocument& d) {
                     EXPECT_EQ(d.blockCount(), 1);
                     EXPECT_NE(formatOf(d, "d").fontWeight(), QFont::Bold);
                 }});
    t.push_back({"WordsForCharactersAndCells",
                 "{\\rtf1 a\\endash b\\lquote c\\rquote d\\ldblquote e\\rdblquote f\\emspace g\\enspace h\\cell i}",
                 u"a–b‘c’d“e”f\u2003g\u2002h\ti"_qs, nullptr});
    t.push_back({"PageSectionAndRowEndParagraphs", "{\\rtf1 a\\page b\\sect c\\row d}", "a\nb\nc\nd",
                 [](const QTextDocument& d) { EXPECT_EQ(d.blockCount(), 4); }});
    t.push_back({"FontSizeWithoutANumberIsTwelvePoints", "{\\rtf1\\fs40 a\\fs b}", "ab",
                 [](const QTextDocument& d) { EXPECT_EQ(formatOf(d, "b").fontPointSize(), 12.0); }});
    return t;
}

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class RtfReaderDocuments : public ::testing::TestWithParam<Case> {};

TEST_P(RtfReaderDocuments, ShowsWhatTheDocumentHolds) {
    const Case& c = GetParam();
    QTextDocument doc;
    EXPECT_FALSE(RtfReader::read(c.rtf, doc).cut);
    EXPECT_EQ(doc.toPlainText().replace(QChar::Nbsp, QLatin1Char(' ')).toStdString(), c.plain.toStdString());
    // The plain-text reading gives what the document gives back, pictures left out.
    EXPECT_EQ(RtfReader::plainText(c.rtf).toStdString(),
              doc.toPlainText().remove(QChar::ObjectReplacementCharacter).toStdString());
    if (c.check)
        c.check(doc);
}

struct BoundCase {
    const char* name;
    QByteArray rtf;
    std::function<void(RtfReader::Limits&)> bound;
    const char* shown; // the plain text shown
    bool cut;
};

// A document that would pass a bound shows what comes before it and says it is cut; one that just
// fits is shown whole. The plain-text reading is never bounded.
class RtfReaderBounds : public ::testing::TestWithParam<BoundCase> {};

TEST_P(RtfReaderBounds, ShowTheBeginningAndSaySo) {
    const BoundCase& c = GetParam();
    RtfReader::Limits limits;
    c.bound(limits);
    QTextDocument doc;
    EXPECT_EQ(RtfReader::read(c.rtf, doc, limits).cut, c.cut);
    EXPECT_EQ(doc.toPlainText().remove(QChar::ObjectReplacementCharacter).toStdString(), std::string(c.shown));
    QTextDocument whole;
    RtfReader::read(c.rtf, whole);
    EXPECT_EQ(RtfReader::plainText(c.rtf), whole.toPlainText().remove(QChar::ObjectReplacementCharacter));
}

std::vector<BoundCase> boundCases() {
    const QByteArray png = "{\\pict\\pngblip " + pictureBytes("PNG", 2, 2).toHex() + "}";
    return {
        {"characters_fit", "{\\rtf1 abc\\par de}", [](auto& l) { l.maxShownCharacters = 6; }, "abc\nde", false},
        {"characters_cut", "{\\rtf1 abc\\par def}", [](auto& l) { l.maxShownCharacters = 6; }, "abc\nde", true},
        {"paragraph_characters_cut", "{\\rtf1 ab\\par cdefgh\\par ij}", [](auto& l) { l.maxParagraphCharacters = 4; },
         "ab\ncdef", true},
        {"paragraph_characters_count_a_line_break", "{\\rtf1 ab\\line cd}",
         [](auto& l) { l.maxParagraphCharacters = 4; }, "ab\nc", true},
        {"paragraphs_fit", "{\\rtf1 a\\par b\\par c\\par}", [](auto& l) { l.maxParagraphs = 3; }, "a\nb\nc", false},
        {"paragraphs_cut", "{\\rtf1 a\\par b\\par c\\par d}", [](auto& l) { l.maxParagraphs = 3; }, "a\nb\nc", true},
        {"runs_cut", "{\\rtf1 a{\\b b}c{\\b d}e}", [](auto& l) { l.maxRuns = 3; }, "abc", true},
        {"runs_of_one_format_are_one", "{\\rtf1 a{\\b b}{\\b c}d}", [](auto& l) { l.maxRuns = 3; }, "abcd", false},
        {"paragraph_runs_cut", "{\\rtf1 a{\\b b}\\par c{\\b d}e}", [](auto& l) { l.maxParagraphRuns = 2; }, "ab\ncd",
         true},
        {"a_picture_is_a_run", "{\\rtf1 a" + png + "b}", [](auto& l) { l.maxRuns = 2; }, "a", true},
        {"surrogate_pair_not_split", "{\\rtf1 ab\\u-10179?\\u-8704?}", [](auto& l) { l.maxShownCharacters = 3; }, "ab",
         true},
    };
}

INSTANTIATE_TEST_SUITE_P(Table, RtfReaderBounds, ::testing::ValuesIn(boundCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RtfReader, TheDefaultBoundsCutHostileShapesAndLeaveOrdinaryMessagesWhole) {
    QByteArray ordinary = "{\\rtf1 ";
    for (int i = 0; i < 200; ++i)
        ordinary += "Une ligne ordinaire d'un message ordinaire, avec {\\b du gras} et {\\i de l'italique}.\\par ";
    QTextDocument doc;
    EXPECT_FALSE(RtfReader::read(ordinary + "}", doc).cut);
    for (const QByteArray& unit :
         {QByteArray("x"), QByteArray("x\\par "), QByteArray("\\b x\\b0 y"), QByteArray("mot ")}) {
        QByteArray hostile = "{\\rtf1 ";
        while (hostile.size() < 2'000'000)
            hostile += unit;
        EXPECT_TRUE(RtfReader::read(hostile + "}", doc).cut) << unit.constData();
    }
}

INSTANTIATE_TEST_SUITE_P(Table, RtfReaderDocuments, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RtfReader, ReplacesEarlierContentAndPictures) {
    QTextDocument doc;
    const QByteArray png = pictureBytes("PNG", 2, 2);
    RtfReader::read("{\\rtf1 first{\\pict\\pngblip " + png.toHex() + "}}", doc);
    ASSERT_EQ(images(doc).size(), 1u);
    const QUrl firstPicture(images(doc)[0].name());
    RtfReader::read("{\\rtf1 second}", doc);
    EXPECT_EQ(doc.toPlainText(), "second");
    EXPECT_TRUE(doc.resource(QTextDocument::ImageResource, firstPicture).isNull());
}

TEST(RtfReader, PicturesBeyondTheLimitsAreLeftOut) {
    const QByteArray png = pictureBytes("PNG", 20, 20);
    const QByteArray rtf = "{\\rtf1 a{\\pict\\pngblip " + png.toHex() + "}b}";
    RtfReader::Limits bytes;
    bytes.maxPictureBytes = png.size() - 1;
    RtfReader::Limits pixels;
    pixels.maxPicturePixels = 399;
    RtfReader::Limits enough;
    enough.maxPictureBytes = png.size();
    enough.maxPicturePixels = 400;
    const std::initializer_list<std::pair<RtfReader::Limits, bool>> runs{
        {bytes, false}, {pixels, false}, {enough, true}};
    for (const auto& [limits, shown] : runs) {
        QTextDocument doc;
        RtfReader::read(rtf, doc, limits);
        EXPECT_EQ(images(doc).size(), shown ? 1u : 0u);
        EXPECT_EQ(doc.toPlainText().remove(QChar::ObjectReplacementCharacter), "ab");
    }
}

TEST(RtfReader, PicturesOfOneDocumentShareOnePixelBudget) {
    const QByteArray png = pictureBytes("PNG", 10, 10);
    const QByteArray one = "{\\pict\\pngblip " + png.toHex() + "}";
    RtfReader::Limits limits;
    limits.maxTotalPicturePixels = 250;
    QTextDocument doc;
    RtfReader::read("{\\rtf1 " + one + one + one + "}", doc, limits);
    EXPECT_EQ(images(doc).size(), 2u);
    RtfReader::read("{\\rtf1 " + one + one + one + "}", doc, limits); // the budget is per document
    EXPECT_EQ(images(doc).size(), 2u);
}

TEST(RtfReader, PngHeaderClaimingHugeDimensionsIsLeftOut) {
    QByteArray png = pictureBytes("PNG", 1, 1);
    // IHDR width and height (bytes 16..23) patched to 60000 x 60000; the CRC no longer matches either.
    const char huge[] = {0, 0, char(0xEA), 0x60, 0, 0, char(0xEA), 0x60};
    png.replace(16, 8, QByteArray(huge, 8));
    QTextDocument doc;
    RtfReader::read("{\\rtf1{\\pict\\pngblip " + png.toHex() + "}}", doc);
    EXPECT_TRUE(images(doc).empty());
}

TEST(RtfReader, DepthCapIsALimit) {
    RtfReader::Limits shallow;
    shallow.maxDepth = 3;
    QTextDocument doc;
    RtfReader::read("{\\rtf1 a{b{c{d}e}f}g}", doc, shallow);
    EXPECT_EQ(doc.toPlainText(), "abcefg");
}

TEST(RtfReader, RecognisesRtfByItsOpening) {
    EXPECT_TRUE(RtfReader::looksLikeRtf("{\\rtf1 x}"));
    EXPECT_TRUE(RtfReader::looksLikeRtf(" \r\n{\\rtf"));
    EXPECT_FALSE(RtfReader::looksLikeRtf(""));
    EXPECT_FALSE(RtfReader::looksLikeRtf("hello {\\rtf1}"));
    EXPECT_FALSE(RtfReader::looksLikeRtf("{\\rt"));
}

TEST(RtfTables, WhatTheWriterPutsTheReaderReadsBack) {
    RtfFontTable fonts;
    EXPECT_EQ(fonts.numberOf("Arial"), 0);
    EXPECT_EQ(fonts.numberOf(u"Caf\u00e9 {Sans}\\"_qs), 1);
    EXPECT_EQ(fonts.numberOf("Arial"), 0);
    RtfColourTable colours;
    EXPECT_EQ(colours.indexOf(QColor(255, 0, 0)), 1); // entry 0 is auto
    EXPECT_EQ(colours.indexOf(QColor(0, 0, 0xDF)), 2);
    EXPECT_EQ(colours.indexOf(QColor(255, 0, 0)), 1);
    EXPECT_EQ(colours.toRtf(), "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue223;}");

    QTextDocument doc;
    RtfReader::read("{\\rtf1\\ansi" + fonts.toRtf() + colours.toRtf() + "\\f1\\cf2 x\\f0\\cf0 y}", doc);
    EXPECT_EQ(formatOf(doc, "x").fontFamilies().toStringList(), QStringList{u"Caf\u00e9 {Sans}\\"_qs});
    EXPECT_EQ(formatOf(doc, "x").foreground().color(), QColor(0, 0, 0xDF));
    EXPECT_EQ(formatOf(doc, "y").fontFamilies().toStringList(), QStringList{"Arial"});
    EXPECT_FALSE(formatOf(doc, "y").hasProperty(QTextFormat::ForegroundBrush));
}

TEST(RtfTables, ReaderEntriesKeepTheirNumbers) {
    RtfFontTable fonts;
    fonts.set(7, "Verdana");
    fonts.set(2, "Arial");
    fonts.set(7, "Tahoma");
    EXPECT_EQ(fonts.size(), 2);
    EXPECT_EQ(fonts.family(7), "Tahoma");
    EXPECT_EQ(fonts.family(3), "");
    EXPECT_EQ(fonts.numberOf("Courier"), 8);
    EXPECT_EQ(
        fonts.toRtf(),
        "{\\fonttbl{\\f7\\fnil\\fcharset0 Tahoma;}{\\f2\\fnil\\fcharset0 Arial;}{\\f8\\fnil\\fcharset0 Courier;}}");
    RtfColourTable colours;
    colours.append(QColor(1, 2, 3));
    colours.append(std::nullopt);
    EXPECT_EQ(colours.colour(0), QColor(1, 2, 3));
    EXPECT_FALSE(colours.colour(1).has_value());
    EXPECT_FALSE(colours.colour(-1).has_value());
    EXPECT_FALSE(colours.colour(2).has_value());
}

} // namespace
