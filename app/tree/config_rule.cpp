#include "app/tree/config_rule.h"

#include "platform/text/text.h"

namespace vk::app {
namespace {

// The host product's configuration file types: settings and databases,
// tables and lists, presentations and print layouts, calibration and report
// formats, scripts kept with the configuration, and the smaller definition
// files of its acquisition, display and units set-up.
constexpr const char16_t *kExtensions[kConfigExtensionCount] = {
    // Settings, tables, lists and colour maps of the configuration folder.
    u".ini", u".tcf", u".tbl", u".lst", u".cmp", u".wwc",
    // Presentations, headings, plots, export formats, layouts, corrections.
    u".prs", u".bhf", u".xpt", u".wcp", u".wtd", u".hdr", u".plt", u".fmt", u".lyt", u".lyh", u".lyf", u".crv",
    // Simulations, panel scripts and sequences.
    u".sim", u".wsc", u".seq",
    // General configuration and parameter files.
    u".cfg", u".cnf", u".par", u".prm", u".def", u".set", u".opt", u".tpl", u".var",
    // Display: menus, palettes, colours, symbols, patterns, shadings, panels.
    u".mnu", u".pal", u".clr", u".sym", u".pat", u".shd", u".dsp", u".pnl", u".hky",
    // Units, mnemonics and aliases.
    u".unt", u".uom", u".mne", u".als",
    // Acquisition: calibrations, filters, devices, tool and service tables,
    // alarms, corrections, look-up tables, transforms, depth, encoder, power.
    u".cal", u".flt", u".dev", u".tdb", u".svc", u".alm", u".bhc", u".lut", u".xfm", u".dpt", u".enc", u".pwr",
    u".acq", u".wfd",
    // Printing: printer set-ups, page set-ups, footers, tracks, scales,
    // legends, annotations, zones.
    u".prt", u".pgs", u".ftr", u".trk", u".scl", u".lgd", u".ann", u".zon",
    // Models, formulas, math packs and pipe tallies.
    u".mdl", u".fml", u".mth", u".tly",
};

char16_t FoldAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool InList(std::u16string_view name, const ItemList &list) {
    for (int i = 0; i < list.count; ++i)
        if (list.items && list.items[i] && text::EqualNoCase(name, list.items[i])) return true;
    return false;
}

} // namespace

std::span<const char16_t *const> ConfigExtensions() { return kExtensions; }

bool WildcardMatch(std::u16string_view pattern, std::u16string_view name) {
    constexpr size_t kNone = std::u16string_view::npos;
    size_t p = 0, n = 0;
    size_t afterStar = kNone; // pattern position after the last '*'
    size_t restart = 0;       // name position the pattern after that '*' was tried from
    for (;;) {
        if (p < pattern.size() && pattern[p] == u'*') {
            if (p + 1 == pattern.size()) return true;
            afterStar = ++p;
            restart = n;
            continue;
        }
        if (n == name.size() && p == pattern.size()) return true;
        if (n < name.size() && p < pattern.size() &&
            (pattern[p] == u'?' || FoldAscii(pattern[p]) == FoldAscii(name[n]))) {
            ++p;
            ++n;
            continue;
        }
        if (afterStar == kNone || restart >= name.size()) return false;
        p = afterStar;
        n = ++restart;
    }
}

bool SkipRule(std::u16string_view name, const ItemLists &lists) {
    for (int i = 0; i < lists.skip.count; ++i)
        if (lists.skip.items && lists.skip.items[i] && WildcardMatch(lists.skip.items[i], name)) return false;
    return true;
}

bool IsConfigFile(std::u16string_view name, const ItemLists &lists) {
    const size_t dot = name.rfind(u'.');
    if (dot == std::u16string_view::npos) return false;
    if (InList(name, lists.add)) return true;
    if (!SkipRule(name, lists)) return false;
    const std::u16string_view extension = name.substr(dot);
    for (const char16_t *known : kExtensions)
        if (text::EqualNoCase(extension, known)) return true;
    return false;
}

bool IsConfigFile(std::u16string_view name) { return IsConfigFile(name, ProgramItemLists()); }

} // namespace vk::app
