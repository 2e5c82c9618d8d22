// The tool and service databases: lists, kinds, categories, tool entries of
// services, file references and transfer marks.
#include "lib/tools/tool_db.h"

#include <memory>

#include "common/memory.h"
#include "lib/engine/metadata.h"
#include "lib/services/profile.h"
#include "platform/text/text.h"

namespace vk::tools {
namespace {

struct BlockDeleter {
    void operator()(char16_t *block) const { vk::FreeBlock(block); }
};
using Block = std::unique_ptr<char16_t, BlockDeleter>;

std::u16string Z(std::u16string_view s) { return std::u16string(s); }

std::u16string Number(int n) { return vk::text::U16(std::to_string(n)); }

std::u16string Cut(std::u16string_view s, size_t chars) { return Z(s.substr(0, std::min(s.size(), chars))); }

bool Contains(std::u16string_view s, std::u16string_view part) { return s.find(part) != std::u16string_view::npos; }

} // namespace

const char16_t *KindName(int kind) {
    static constexpr const char16_t *kNames[kKindCount] = {u"None", u"Logging Tools", u"Accessory Tools", u"TCP"};
    return kind >= 0 && kind < kKindCount ? kNames[kind] : nullptr;
}

std::u16string CategorySection(int kind) {
    const char16_t *name = KindName(kind);
    return name ? Z(name) + u"-Categories" : std::u16string();
}

std::u16string ReadValue(std::u16string_view section, std::u16string_view key, std::u16string_view file,
                         size_t chars) {
    std::u16string buffer(chars + 1, u'\0');
    const std::u16string s = Z(section), k = Z(key), f = Z(file);
    const uint32_t n = vk::lib::ProfileGetString(s.c_str(), k.c_str(), u"", buffer.data(),
                                                 static_cast<uint32_t>(buffer.size()), f.c_str());
    buffer.resize(std::min<size_t>(n, chars));
    return Z(vk::text::View(buffer.c_str()));
}

std::u16string ReadWholeValue(std::u16string_view section, std::u16string_view key, std::u16string_view file) {
    const std::u16string s = Z(section), k = Z(key), f = Z(file);
    Block block(vk::lib::ReadProfileAlloc(s.c_str(), k.c_str(), f.c_str()));
    return block ? Z(block.get()) : std::u16string();
}

std::vector<std::u16string> ReadKeyNames(std::u16string_view section, std::u16string_view file) {
    const std::u16string s = Z(section), f = Z(file);
    Block block(vk::lib::ReadProfileAlloc(s.c_str(), nullptr, f.c_str()));
    std::vector<std::u16string> names;
    for (const char16_t *n = block.get(); n && *n; n = vk::lib::NextName(n)) names.emplace_back(n);
    return names;
}

bool HasAnyKey(std::u16string_view section, std::u16string_view file) { return !ReadKeyNames(section, file).empty(); }

std::vector<std::u16string> ReadNumberedList(std::u16string_view section, std::u16string_view file, size_t chars) {
    std::vector<std::u16string> list;
    for (int n = 1;; ++n) {
        std::u16string value = ReadValue(section, Number(n), file, chars);
        if (value.empty()) break;
        list.push_back(std::move(value));
    }
    return list;
}

std::u16string EntrySection(std::u16string_view tool, std::u16string_view id) {
    return Cut(Z(tool) + u"-" + Z(id), kSectionChars);
}

std::u16string ModelsSection(std::u16string_view tool) { return Z(tool) + u"-Models"; }

bool HasSerialList(std::u16string_view tool, std::u16string_view file) {
    return !ReadValue(tool, u"1", file, kListNameChars).empty();
}

void AddFirstFree(std::u16string_view section, std::u16string_view value, std::u16string_view file) {
    const std::u16string s = Z(section), v = Z(value), f = Z(file);
    vk::lib::AddNumberedEntry(s.c_str(), v.c_str(), f.c_str());
}

int AddSerial(std::u16string_view tool, std::u16string_view serial, std::u16string_view file) {
    int n = 1;
    for (;; ++n) {
        const std::u16string value = ReadValue(tool, Number(n), file, kModelChars);
        if (value.empty() || vk::text::EqualNoCase(value, serial)) break;
    }
    const std::u16string s = Z(tool), k = Number(n), v = Z(serial), f = Z(file);
    vk::lib::ProfileWriteString(s.c_str(), k.c_str(), v.c_str(), f.c_str());
    return n;
}

void AddModel(std::u16string_view tool, std::u16string_view model, std::u16string_view file) {
    const std::u16string section = ModelsSection(tool);
    const std::vector<std::u16string> keys = ReadKeyNames(section, file);
    for (const std::u16string &key : keys)
        if (vk::text::EqualNoCase(ReadValue(section, key, file, kModelChars), model)) return;
    const std::u16string k = Number(static_cast<int>(keys.size()) + 1), v = Z(model), f = Z(file);
    vk::lib::ProfileWriteString(section.c_str(), k.c_str(), v.c_str(), f.c_str());
}

int ClassifySerial(std::u16string_view tool, std::u16string_view serial, std::u16string_view file) {
    const std::u16string model = ReadValue(EntrySection(tool, serial), u"Model", file, kModelChars);
    if (model.empty()) return kKindLogging;
    return KindOfAvailable(ReadWholeValue(EntrySection(tool, model), u"Available", file));
}

int ClassifyModel(std::u16string_view tool, std::u16string_view model, std::u16string_view file) {
    const std::u16string available = ReadWholeValue(EntrySection(tool, model), u"Available", file);
    if (available.empty()) return kKindLogging;
    return Contains(available, u"TCP") ? kKindTcp : kKindAccessory;
}

int KindOfAvailable(std::u16string_view available) {
    if (vk::text::StartsWithNoCase(available, u"TCP")) return kKindTcp;
    if (vk::text::StartsWithNoCase(available, u"wireline")) return kKindAccessory;
    return kKindLogging;
}

bool CategoryListed(int kind, std::u16string_view category, std::u16string_view file) {
    if (kind < 0 || kind >= kKindCount) return false;
    const std::u16string section = CategorySection(kind);
    for (int n = 1;; ++n) {
        const std::u16string value = ReadValue(section, Number(n), file, kListNameChars);
        if (value.empty()) return false;
        if (vk::text::EqualNoCase(value, category)) return true;
    }
}

bool RetireLegacyCategories(std::u16string_view file) {
    const std::vector<std::u16string> keys = ReadKeyNames(kLegacyCategories, file);
    if (keys.empty()) return false;
    // Each old category joins the accessory list unless it is there already;
    // categories the accessory list holds stay where they are.
    for (const std::u16string &key : keys) {
        const std::u16string value = ReadValue(kLegacyCategories, key, file, kListNameChars);
        if (!value.empty()) AddFirstFree(kAccessoryCategories, value, file);
    }
    const std::u16string f = Z(file);
    vk::lib::DeleteIniSection(kLegacyCategories, f.c_str());
    return true;
}

Clash SerialClash(std::u16string_view tool, std::u16string_view x, std::u16string_view file, bool checkModels) {
    Clash clash;
    for (const std::u16string &key : ReadKeyNames(tool, file)) {
        const std::u16string value = ReadValue(tool, key, file, kModelChars);
        if (!value.empty() && vk::text::EqualNoCase(value, x)) {
            clash.taken = true;
            bool numbered = false;
            const int64_t n = ReadInteger(key, &numbered);
            clash.position = numbered ? static_cast<int>(n) : 0;
            return clash;
        }
    }
    if (vk::text::EqualNoCase(tool, x)) {
        clash.taken = true;
        return clash;
    }
    if (checkModels) {
        const std::u16string models = ModelsSection(tool);
        for (const std::u16string &key : ReadKeyNames(models, file)) {
            const std::u16string value = ReadValue(models, key, file, kModelChars);
            if (!value.empty() && vk::text::EqualNoCase(value, x)) {
                clash.taken = true;
                clash.modelClash = true;
                return clash;
            }
        }
    }
    return clash;
}

ToolEntry ParseToolEntry(std::u16string_view value) {
    ToolEntry entry;
    value = value.substr(0, std::min(value.size(), kEntryChars));
    std::u16string_view tool = value;
    tool = tool.substr(0, std::min(tool.find(u';'), tool.size()));
    tool = tool.substr(0, std::min(tool.find(u'#'), tool.size()));
    entry.tool = Cut(tool, kModelChars);
    std::u16string_view id;
    const size_t serial = value.find(u"serial=");
    const size_t model = value.find(u"model=");
    if (serial != std::u16string_view::npos)
        id = value.substr(serial + 7);
    else if (model != std::u16string_view::npos)
        id = value.substr(model + 6);
    id = id.substr(0, std::min(id.size(), kListNameChars));
    id = id.substr(0, std::min(id.find(u';'), id.size()));
    entry.id = Z(id);
    return entry;
}

std::vector<ToolEntry> ServiceTools(std::u16string_view service, std::u16string_view servicesFile) {
    std::vector<ToolEntry> tools;
    for (int n = 1;; ++n) {
        const std::u16string value = ReadValue(service, u"Tool" + Number(n), servicesFile, kEntryChars);
        if (value.empty()) break;
        ToolEntry entry = ParseToolEntry(value);
        if (!entry.tool.empty()) tools.push_back(std::move(entry));
    }
    return tools;
}

std::u16string ScriptOfDevice(std::u16string_view device) {
    const size_t at = device.find(u"script=");
    if (at == std::u16string_view::npos) return {};
    std::u16string_view rest = device.substr(at + 7);
    while (!rest.empty() && (rest.front() == u' ' || rest.front() == u'\t')) rest.remove_prefix(1);
    return Z(rest.substr(0, std::min(rest.find(u','), rest.size())));
}

int32_t ScriptClass(std::u16string_view script) {
    const size_t dot = script.rfind(u'.');
    const bool configScript = dot != std::u16string_view::npos && vk::text::EqualNoCase(script.substr(dot), u".wwc");
    return configScript ? kClassConfigScript : kClassScript;
}

std::u16string FormatFileName(std::u16string_view value, std::u16string_view extension) {
    std::u16string name = vk::text::Lower(value);
    if (!Contains(name, extension)) name += extension;
    return name;
}

bool IsTransferred(const BackupJob *job, std::u16string_view entry) {
    if (!job || job->metadataPath.empty()) return false;
    const std::u16string mark = vk::engine::ReadMetadata(*job, vk::engine::ToolSection(*job), entry);
    bool valid = false;
    return !mark.empty() && ReadInteger(mark, &valid) == 0 && valid;
}

void MarkTransferred(BackupJob &job, std::u16string_view entry) {
    if (job.metadataPath.empty()) return;
    vk::engine::WriteMetadata(job, vk::engine::ToolSection(job), entry, u"0");
}

int64_t ReadInteger(std::u16string_view text, bool *valid) {
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
    uint64_t n = 0;
    bool digits = false;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        const uint64_t next = n * 10 + static_cast<uint64_t>(text[i] - u'0');
        if (next / 10 != n || next > static_cast<uint64_t>(INT64_MAX)) break;
        n = next;
        digits = true;
    }
    if (valid) *valid = digits;
    const auto value = static_cast<int64_t>(n);
    return negative ? -value : value;
}

} // namespace vk::tools
