#pragma once
// RtfControlWord: the RTF control words the reader acts on, found by name. Several names share one
// meaning (every underline style is Underline, every picture kind we never decode is OtherBlip), and
// SkipDestination stands for the destinations whose content is never shown.

#include <cstdint>
#include <optional>
#include <string_view>

namespace vellumo {

enum class RtfControlWord : std::uint8_t {
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Font,
    FontSize,
    Fore,
    Back,
    Plain,
    Pard,
    Par,
    Line,
    Left,
    Centre,
    Right,
    Justify,
    Tab,
    Unicode,
    UnicodeSkip,
    EmDash,
    EnDash,
    Bullet,
    LQuote,
    RQuote,
    LDblQuote,
    RDblQuote,
    EmSpace,
    EnSpace,
    DefaultFont,
    Red,
    Green,
    Blue,
    Pict,
    PngBlip,
    JpegBlip,
    OtherBlip,
    PicW,
    PicH,
    PicWGoal,
    PicHGoal,
    PicScaleX,
    PicScaleY,
    FontTable,
    ColourTable,
    ShpPict,
    SkipDestination
};

// The meaning of a control word (letters only, case-sensitive), or nothing for a word we ignore.
std::optional<RtfControlWord> findRtfControlWord(std::string_view name);

} // namespace vellumo
