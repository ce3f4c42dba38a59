#pragma once
// RtfReader: our own reader of the RTF that peers send, into a QTextDocument for display. A peer's RTF
// is untrusted input: the reader never fails on it, never runs, opens or loads anything it names, and
// works in time and memory linear in its size.
//
// What it reads (everything else is skipped, group and all, and never fatal):
//
//   group / word                  effect
//   {\fonttbl {\fN name;} ...}    font table (RtfFontTable); \deffN the default font
//   {\colortbl ;\redR\greenG\blueB; ...}  colour table (RtfColourTable), an empty entry is "auto"
//   \fN  \fsN                     font family, size in half points (clamped to 1..1638 pt)
//   \b \i \ul (\ul... styles) \ulnone, each with 0 to switch off;  \plain resets them
//   \cfN  \cbN  \highlightN       text and background colour by table index
//   \par \pard \ql \qc \qr \qj    paragraphs and their alignment (at the paragraph's end, as RTF has it)
//   \line \tab \page \cell \row   line break, tab, paragraph, tab, paragraph
//   \'xx                          one Windows-1252 byte;  raw bytes 80-FF likewise
//   \uN (\ucN)                    one UTF-16 unit (negative N + 65536), then N fallback characters skipped
//   \~ \_ \emdash \endash \bullet \lquote \rquote \ldblquote \rdblquote   their characters
//   {\*\shppict {\pict ...}}      read; {\nonshppict ...} (the alternative picture) skipped
//   {\pict \pngblip|\jpegblip \picwgoalN \pichgoalN \picscalexN \picscaleyN <hex>}
//                                 inline picture from its hex (or \binN) data only; size from the goals
//                                 in twips (15 a pixel), else the picture's own; other kinds skipped
//   {\field {\*\fldinst ...} {\fldrslt text}}   only the result text, as plain text (no link)
//   {\* ...}, \stylesheet, \info, \header..., \fldinst, \objdata, ...   skipped
//
// Bounds against hostile input (Limits): groups nested deeper than maxDepth are skipped whole;
// numeric parameters saturate at 32 bits and are clamped per word; a truncated \'x or odd hex digit is
// dropped; a picture beyond maxPictureBytes of data or maxPicturePixels, or one that would take the
// document's pictures beyond maxTotalPicturePixels (small data can hold a huge picture), is left out,
// and a displayed size is clamped to maxPictureSide; text after the closing brace of the outer group is ignored and
// missing closing braces are supplied. Characters that would disturb the document's structure (C0
// controls, U+2028/2029, U+FFFC, U+FDD0/FDD1, unpaired surrogates) become U+FFFD or are dropped.
//
// Bounds of what one document shows (Limits): the time Qt takes to lay a document out grows with its
// characters and paragraphs, with the square of the length of an unbreakable word in a paragraph and
// with the square of the format runs of a paragraph. A document that would pass one of the bounds
// below is cut there: it shows its beginning, the reading stops, and read() says so (Result::cut), so
// that the viewer can tell the rest is not shown. With the default bounds a document of any shape is
// laid out in about a second on an ordinary workstation.
//
//   bound                   counts                                              default
//   maxShownCharacters      UTF-16 units of text, paragraph marks and pictures  512 Ki
//   maxParagraphCharacters  the same, within one paragraph                      16 Ki
//   maxParagraphs           paragraphs                                          20 000
//   maxRuns                 runs of text of one format, and pictures            50 000
//   maxParagraphRuns        the same, within one paragraph                      2 000
//
// plainText() reads the whole document as plain text only (no formats, no pictures, no layout, no
// bounds): the text a document of it gives back, for when the whole message matters.

#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

class QTextDocument;

namespace vellumo {

class RtfReader {
public:
    struct Limits {
        int maxDepth = 100;
        qsizetype maxPictureBytes = 16 * 1024 * 1024;
        qint64 maxPicturePixels = 4096LL * 4096;
        qint64 maxTotalPicturePixels = 3 * 4096LL * 4096; // all pictures of one document together
        int maxPictureSide = 4096;
        qsizetype maxShownCharacters = 512 * 1024;
        qsizetype maxParagraphCharacters = 16 * 1024;
        qsizetype maxParagraphs = 20000;
        qsizetype maxRuns = 50000;
        qsizetype maxParagraphRuns = 2000;
    };

    struct Result {
        bool cut = false; // a bound of Limits stopped the reading: the document shows the beginning only
    };

    // Replaces the content of document (text, formats and picture resources) with what rtf shows.
    static Result read(QByteArrayView rtf, QTextDocument& document);
    static Result read(QByteArrayView rtf, QTextDocument& document, const Limits& limits);

    // The text of the whole document, as a document read from it gives it back (QTextDocument's
    // toPlainText without the pictures), however large it is.
    static QString plainText(QByteArrayView rtf);

    // True when data opens as an RTF document does: "{\rtf" after optional white space.
    static bool looksLikeRtf(QByteArrayView data);
};

} // namespace vellumo
