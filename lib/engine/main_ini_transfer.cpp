// The main properties file on backup: a fixed selection of its sections and
// keys goes into the archive's 1999/WProperties.ini, each piece recorded as
// an ini item in IniBk. talvern.ini (the older main file) keeps preferences
// in [Global] and [Acquisition] and the company name in [Global];
// WProperties.ini keeps them in [Preferences] and [CompanyInfo].
#include <array>
#include <string>
#include <vector>

#include "lib/engine/file_items_internal.h"
#include "lib/engine/ini_items.h"
#include "lib/engine/ini_items_internal.h"
#include "lib/engine/metadata.h"
#include "lib/services/status.h"
#include "platform/ini/ini.h"
#include "platform/text/text.h"

namespace vk::engine {
namespace {

constexpr std::array<const char16_t *, 5> kPreferenceKeys{u"Depth", u"Units", u"DemoMode", u"AllowAutoDemo",
                                                          u"Preview"};
constexpr std::array<const char16_t *, 6> kNeverTransferred{u"CCLClamp",     u"CCLShift",  u"CCLSquare",
                                                            u"CCLThreshold", u"MaxFilter", u"Version"};
// Acquisition limits travel only when raised above the default.
constexpr std::array<const char16_t *, 3> kThresholdKeys{u"MaxSensor", u"MaxCalibration", u"MaxOutput"};
constexpr int kThreshold = 750;
constexpr std::array<const char16_t *, 1> kCompanyKeys{u"Service Company"};

struct WholeSection {
    const char16_t *name;
    int32_t type;
};
constexpr std::array<WholeSection, 16> kWholeSections{{
    {u"Tracer", 1007},    {u"Plot", 1008},           {u"Heading", 1009},   {u"Power Monitor", 1010},
    {u"Waveform", 1011},  {u"Depth", 1012},          {u"Unit_Maps", 1013}, {u"Math Pack", 1014},
    {u"Noise", 1015},     {u"PipeTally", 1016},      {u"TVD", 1017},       {u"Critical Files", 1018},
    {u"HotKeys", 1019},   {u"Device Alias", 1021},   {u"WMemory", 1022},   {u"Job Plan", 1023},
}};

template <size_t N>
bool InList(const std::array<const char16_t *, N> &list, std::u16string_view key) {
    for (const char16_t *entry : list)
        if (vk::text::EqualNoCase(key, entry)) return true;
    return false;
}

// Keeps the last failure: a nonzero status replaces the overall one.
void Keep(int &overall, int status) {
    if (status != StatusOk) overall = status;
}

} // namespace

int TransferMainIni(BackupJob &job, std::u16string_view fileName, std::u16string_view sourceFile,
                    std::u16string_view destFile) {
    const std::u16string source(sourceFile);
    const std::u16string dest(destFile);
    const bool mainFile = vk::text::EqualNoCase(fileName, kMainIniName);
    int overall = StatusOk;
    // Every value comes from one reading of the file, even when the host
    // replaces it meanwhile: the archive never holds a mix of two versions.
    vk::ini::Snapshot snapshot(source);

    // The items' records wait until their writes are on disk.
    struct Done {
        int status;
        int32_t type;
        std::u16string section;
        std::u16string key;
        bool hasKey;
    };
    std::vector<Done> done;
    auto item = [&](int32_t type, std::u16string_view from, std::u16string_view to, const char16_t *key) {
        std::u16string destination;
        const int status = TransferIniItem(type, from, to, key, source, dest.c_str(), destination);
        done.push_back({status, type, std::u16string(to), key ? std::u16string(key) : std::u16string(), key != nullptr});
        return status;
    };

    // 1. Colour maps: each listed map's colours from [Screen]; the list ends
    //    at its first gap.
    for (int n = 1; n > 0; ++n) {
        const std::u16string map = ReadNumberedValue(u"Color Maps", n, source);
        if (map.empty()) break;
        Keep(overall, item(VK_ITEM_COLOR_MAPS, u"Screen", u"Screen", map.c_str()));
    }

    // 2. Printers: the list entry ("name,driver,port") and the printer's own
    //    section. A printer's failure counts only while nothing else failed.
    for (int n = 1; n > 0; ++n) {
        const std::u16string entry = ReadNumberedValue(u"Printers", n, source);
        if (entry.empty()) break;
        AddToNumberedList(u"Printers", entry, dest);
        const std::u16string printer = entry.substr(0, entry.find(u','));
        const int status = item(VK_ITEM_PRINTERS, printer, printer, nullptr);
        if (overall == StatusOk) overall = status;
    }

    // 3. Whole sections under their own names.
    for (const WholeSection &section : kWholeSections)
        Keep(overall, item(section.type, section.name, section.name, nullptr));

    // 4. Preferences and, for talvern.ini, the company name.
    if (mainFile) {
        for (const char16_t *key : kPreferenceKeys)
            Keep(overall, item(VK_ITEM_PREFERENCES, u"Global", u"Preferences", key));
        for (const char16_t *key : kPreferenceKeys)
            Keep(overall, item(VK_ITEM_PREFERENCES, u"Acquisition", u"Preferences", key));
        for (const char16_t *key : kCompanyKeys)
            Keep(overall, item(VK_ITEM_COMPANY_INFO, u"Global", u"CompanyInfo", key));
    } else {
        for (const char16_t *key : kPreferenceKeys)
            Keep(overall, item(VK_ITEM_PREFERENCES, u"Preferences", u"Preferences", key));
    }

    // 5. Acquisition keys in file order, without the preferences, the keys
    //    that never travel and the limits at or below the threshold.
    for (const std::u16string &key : ReadIniKeys(u"Acquisition", source)) {
        if (InList(kPreferenceKeys, key) || InList(kNeverTransferred, key)) continue;
        if (InList(kThresholdKeys, key)) {
            std::u16string value = ReadIniValue(u"Acquisition", key, source);
            if (value.empty()) value = u"0";
            if (vk::lib::StatusOfValue(value) <= kThreshold) continue;
        }
        Keep(overall, item(VK_ITEM_ACQUISITION, u"Acquisition", u"Acquisition", key.c_str()));
    }

    // 6. Company information, key by key.
    for (const std::u16string &key : ReadIniKeys(u"CompanyInfo", source))
        Keep(overall, item(VK_ITEM_COMPANY_INFO, u"CompanyInfo", u"CompanyInfo", key.c_str()));

    // 7. One write of the archive's copy; each item is recorded as it ended
    //    up, failed when that write failed.
    const bool written = CommitIniWrites(dest);
    if (!written) overall = StatusIniFail;
    for (const Done &d : done) {
        const int status = written || d.status != StatusOk ? d.status : StatusIniFail;
        RecordIniResult(job, status, d.type, d.section, d.hasKey ? d.key.c_str() : nullptr);
    }
    return overall;
}

} // namespace vk::engine
