#pragma once
// RtfWriter: our own writer of a QTextDocument as RTF, for the compose window's message body. What it
// writes is what RtfReader reads back: the same text, fonts, sizes, styles, colours, paragraphs,
// alignment and inline pictures. Stateless; one call writes one whole document.
//
//   part                       written as
//   header                     {\rtf1\ansi\ansicpg1252\deff0\uc1 <font table> <colour table>
//   font table                 RtfFontTable (every family the document uses, the default first)
//   colour table               RtfColourTable (auto first, then every colour the document uses)
//   paragraph                  \pard\ql|\qc|\qr|\qj <runs>\par, the last one too (a reader opens a
//                              paragraph only for what follows a mark, so the count comes back exact)
//   run of one format          \plain\f<n>\fs<half points>[\b][\i][\ul][\cf<n>][\highlight<n>] <text>
//   text                       appendRtfText (ASCII, \'xx in Windows-1252); characters outside the
//                              code page as \u<signed 16-bit unit>? (one per UTF-16 unit)
//   line break, tab            \line, \tab
//   picture                    {\pict\pngblip\picw<px>\pich<px>\picwgoal<twips>\pichgoal<twips> <hex>}
//                              from the image the document holds as a resource under the picture's
//                              name, always as PNG, shown size in twips (15 a pixel); a picture whose
//                              image the document lacks is left out
//
// Unset font family or size is the document's default font.

#include <QByteArray>

class QTextDocument;

namespace vellumo {

class RtfWriter {
public:
    static QByteArray write(const QTextDocument& document);
};

} // namespace vellumo
