#include "platform/richtext/rtf_control_word.h"

#include <unordered_map>

namespace vellumo {

namespace {

using enum RtfControlWord;

const std::unordered_map<std::string_view, RtfControlWord>& table() {
    static const std::unordered_map<std::string_view, RtfControlWord> words = [] {
        // clang-format off
        std::unordered_map<std::string_view, RtfControlWord> t{
            {"b", Bold}, {"i", Italic}, {"ulnone", UnderlineNone}, {"f", Font}, {"fs", FontSize}, {"cf", Fore},
            {"cb", Back}, {"highlight", Back}, {"plain", Plain}, {"pard", Pard}, {"par", Par}, {"page", Par},
            {"sect", Par}, {"row", Par}, {"line", Line}, {"ql", Left}, {"qc", Centre}, {"qr", Right},
            {"qj", Justify}, {"tab", Tab}, {"cell", Tab}, {"u", Unicode}, {"uc", UnicodeSkip}, {"emdash", EmDash},
            {"endash", EnDash}, {"bullet", Bullet}, {"lquote", LQuote}, {"rquote", RQuote},
            {"ldblquote", LDblQuote}, {"rdblquote", RDblQuote}, {"emspace", EmSpace}, {"enspace", EnSpace},
            {"deff", DefaultFont}, {"red", Red}, {"green", Green}, {"blue", Blue}, {"pict", Pict},
            {"pngblip", PngBlip}, {"jpegblip", JpegBlip}, {"picw", PicW}, {"pich", PicH}, {"picwgoal", PicWGoal},
            {"pichgoal", PicHGoal}, {"picscalex", PicScaleX}, {"picscaley", PicScaleY}, {"fonttbl", FontTable},
            {"colortbl", ColourTable}, {"shppict", ShpPict},
        };
        // clang-format on
        for (std::string_view u :
             {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash", "ulth", "ulthd", "ulthdash",
              "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw", "ulwave"})
            t.emplace(u, Underline);
        for (std::string_view b : {"wmetafile", "emfblip", "dibitmap", "wbitmap", "macpict", "pmmetafile"})
            t.emplace(b, OtherBlip);
        // Destinations whose content is never shown: document data, metadata, and anything that could
        // name an outside resource (field instructions, embedded objects).
        for (std::string_view d : {"stylesheet",
                                   "info",
                                   "header",
                                   "headerl",
                                   "headerr",
                                   "headerf",
                                   "footer",
                                   "footerl",
                                   "footerr",
                                   "footerf",
                                   "footnote",
                                   "annotation",
                                   "atnid",
                                   "atnauthor",
                                   "atnref",
                                   "atndate",
                                   "fldinst",
                                   "objdata",
                                   "objclass",
                                   "objname",
                                   "nonshppict",
                                   "listtable",
                                   "listoverridetable",
                                   "revtbl",
                                   "rsidtbl",
                                   "generator",
                                   "xmlnstbl",
                                   "mmathPr",
                                   "themedata",
                                   "colorschememapping",
                                   "latentstyles",
                                   "datastore",
                                   "filetbl",
                                   "pgdsctbl",
                                   "pn",
                                   "pntxta",
                                   "pntxtb",
                                   "txe",
                                   "xe",
                                   "tc",
                                   "bkmkstart",
                                   "bkmkend",
                                   "author",
                                   "operator",
                                   "title",
                                   "subject",
                                   "comment",
                                   "keywords",
                                   "doccomm",
                                   "company",
                                   "creatim",
                                   "revtim",
                                   "printim",
                                   "buptim",
                                   "userprops",
                                   "template",
                                   "docvar",
                                   "ftnsep",
                                   "ftnsepc",
                                   "ftncn",
                                   "aftnsep",
                                   "aftnsepc",
                                   "aftncn",
                                   "blipuid",
                                   "picprop",
                                   "shpinst",
                                   "sp",
                                   "sn",
                                   "sv",
                                   "wgrffmtfilter",
                                   "fchars",
                                   "lchars",
                                   "htmltag",
                                   "mhtmltag",
                                   "urtf",
                                   "upr",
                                   "ud",
                                   "falt",
                                   "panose",
                                   "fname"})
            t.emplace(d, SkipDestination);
        return t;
    }();
    return words;
}

} // namespace

std::optional<RtfControlWord> findRtfControlWord(std::string_view name) {
    const auto it = table().find(name);
    if (it == table().end())
        return std::nullopt;
    return it->second;
}

} // namespace vellumo
