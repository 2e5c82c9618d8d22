// Status texts and the results report.
#include "lib/services/status.h"

#include <climits>

#include "common/format.h"
#include "common/memory.h"
#include "lib/services/directories.h"
#include "lib/services/profile.h"
#include "platform/process/process.h"
#include "platform/text/text.h"
#include "platform/ui/ui.h"
#include "vaultkeeplib.h"

namespace vk::lib {

namespace {

// String ids of the status texts; -1: the fixed text of status 13.
constexpr struct {
    int code;
    uint32_t stringId;
} kStatusStrings[] = {
    {StatusOk, 1},
    {StatusFailed, 7660},
    {StatusCancelled, 3532},
    {StatusSkipOne, 7973},
    {StatusSkipAll, 7974},
    {StatusInvalidBackupType, 7975},
    {StatusNoSourceFile, 7976},
    {StatusDestinationExists, 7977},
    {StatusDestinationNewer, 7968},
    {StatusWindowsError, 7978},
    {StatusAccessDenied, 7979},
    {StatusIniFail, 7980},
    {StatusDescribed, 3283},
};
constexpr uint32_t kUnknownStatusString = 3283; // "Unknown or multiple errors"

// Longest log value read, NUL included.
constexpr uint32_t kValueChars = 1024;

// The log sections, backup and restore names, in listing order.
enum class Kind { Services, Tools, Files, IniItems };
constexpr struct {
    Kind kind;
    const char16_t *backupSection;
    const char16_t *restoreSection;
    const char16_t *heading;
} kSections[] = {
    {Kind::Services, u"ServiceBk", u"ServiceRestore", u"\nServices:\n"},
    {Kind::Tools, u"ToolBk", u"ToolRestore", u"\nTools:\n"},
    {Kind::Files, u"FileBk", u"FileRestore", u"\nFiles:\n"},
    {Kind::IniItems, u"IniBk", u"IniRestore", u"\nIni Items\n"},
};

// The text after the first colon; false when there is no colon.
bool AfterColon(std::u16string_view value, std::u16string_view &rest) {
    const size_t colon = value.find(u':');
    if (colon == std::u16string_view::npos) return false;
    rest = value.substr(colon + 1);
    return true;
}

bool ContainsNoCase(std::u16string_view text, std::u16string_view part) {
    if (part.size() > text.size()) return false;
    for (size_t i = 0; i + part.size() <= text.size(); ++i)
        if (vk::text::EqualNoCase(text.substr(i, part.size()), part)) return true;
    return false;
}

// The name of an ini item: the value after its first comma and, when there is
// one, after the next comma. A value without any comma names itself.
std::u16string_view IniItemName(std::u16string_view value) {
    const size_t first = value.find(u',');
    if (first == std::u16string_view::npos) return value;
    std::u16string_view rest = value.substr(first + 1);
    const size_t second = rest.find(u',');
    return second == std::u16string_view::npos ? rest : rest.substr(second + 1);
}

std::u16string_view StatusText(int code) { return vk::text::View(VKStatusToText(code)); }

// The line of one log entry in one mode: false when the entry is not listed
// in that mode.
bool EntryLine(Kind kind, std::u16string_view key, std::u16string_view value, int code,
               const ReportRequest &request, bool successMode, std::u16string &name, std::u16string &text) {
    std::u16string_view rest;
    name = key;
    text = StatusText(code);
    switch (kind) {
    case Kind::Services:
        return (code == StatusOk) == successMode;
    case Kind::Tools:
        if (successMode) return code == StatusOk;
        if (code == StatusDescribed) {
            if (!AfterColon(value, rest)) return false;
            text = rest;
            return true;
        }
        return code != StatusOk;
    case Kind::Files: {
        name = request.translateEntry ? request.translateEntry(key) : std::u16string(key);
        if (code == StatusDescribed && AfterColon(value, rest)) {
            rest = rest.substr(0, rest.find(u','));
            text = rest;
            // "Ok" as the engine writes it counts, whatever its letter case.
            return ContainsNoCase(rest, u"- OK") == successMode;
        }
        if (code == StatusDescribed) return true;
        return (code == StatusOk) == successMode;
    }
    case Kind::IniItems:
        name = IniItemName(value);
        return (code == StatusOk) == successMode;
    }
    return false;
}

void ListEntry(ReportFile &file, Kind kind, std::u16string_view key, std::u16string_view value, int code,
               const ReportRequest &request, bool successMode) {
    std::u16string name, text;
    if (!request.notSaved.empty() && !successMode) {
        // Nothing was saved: what succeeded is listed as failed, with the reason.
        if (EntryLine(kind, key, value, code, request, true, name, text)) {
            file.Line(name, request.notSaved);
            return;
        }
    }
    if (EntryLine(kind, key, value, code, request, successMode, name, text)) file.Line(name, text);
}

void AppendByte(std::string &out, char16_t c) {
    if (c == u'\n') {
        out += "\r\n";
    } else if (c <= 0xFF) {
        out.push_back(static_cast<char>(static_cast<unsigned char>(c)));
    }
}

} // namespace

int StatusOfValue(std::u16string_view value) {
    size_t i = 0;
    while (i < value.size() && (value[i] == u' ' || value[i] == u'\t' || value[i] == u'\r' || value[i] == u'\n'))
        ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == u'+' || value[i] == u'-')) negative = value[i++] == u'-';
    long long n = 0;
    while (i < value.size() && value[i] >= u'0' && value[i] <= u'9') {
        if (n <= INT_MAX) n = n * 10 + (value[i] - u'0');
        ++i;
    }
    if (n > INT_MAX) n = INT_MAX;
    return static_cast<int>(negative ? -n : n);
}

// ---- Report file ----

void ReportFile::Put(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size() + 8);
    for (char16_t c : text) AppendByte(bytes, c);
    if (ok_ && !bytes.empty()) ok_ = writer_.Write(bytes.data(), bytes.size());
}

void ReportFile::Line(std::u16string_view name, std::u16string_view text) {
    std::u16string line;
    line.reserve(name.size() + text.size() + 4);
    line.append(name).append(u" : ").append(text).append(u"\n");
    Put(line);
}

void ReportFile::StatusLine(std::u16string_view name, int code) { Line(name, StatusText(code)); }

bool ReportFile::Close() {
    if (!writer_.IsOpen()) return false;
    if (ok_) ok_ = writer_.Flush();
    const bool closed = writer_.Close();
    return ok_ && closed;
}

// ---- Report ----

bool ReportWanted(const ReportRequest &request) {
    return request.started == 1 && (request.reportDue || request.reportAsked);
}

std::u16string ResultsReportPath(std::u16string_view folder, const vk::fs::LocalTime &t, bool backup) {
    char16_t name[96];
    vk::FormatBounded(name, sizeof name / sizeof name[0], u"%d.%02d.%02d.%02d.%02d.%02d.%sResults.txt", t.year,
               t.month, t.day, t.hour, t.minute, t.second, backup ? u"Backup" : u"Restore");
    // The folder normally ends in the separator already; the name is never
    // cut, whatever the folder's length. Without a folder the report goes to
    // the current folder, never to the root.
    std::u16string path(folder);
    if (!path.empty() && path.back() != vk::fs::kSep) path.push_back(vk::fs::kSep);
    path += name;
    return path;
}

void WriteItemListing(ReportFile &file, const ReportRequest &request, bool successMode) {
    const char16_t *why = request.whyPath.c_str();
    for (const auto &s : kSections) {
        const char16_t *section = request.backup ? s.backupSection : s.restoreSection;
        char16_t *keys = ReadProfileAlloc(section, nullptr, why);
        if (!keys) continue;
        if (*keys) file.Put(s.heading);
        for (const char16_t *key = keys; *key; key = NextName(key)) {
            char16_t value[kValueChars] = {};
            ProfileGetString(section, key, u"", value, kValueChars, why);
            const std::u16string_view v = vk::text::View(value);
            ListEntry(file, s.kind, key, v, StatusOfValue(v), request, successMode);
        }
        FreeBlock(keys);
    }
}

std::u16string WriteResultsReport(const ReportRequest &request) {
    if (!ReportWanted(request)) return {};
    const vk::fs::LocalTime now = request.clock ? request.clock() : vk::fs::NowLocal();
    const std::u16string folder =
        request.folder.empty() ? std::u16string(vk::text::View(VKGetTalvernDir(DirBackup))) : request.folder;
    const std::u16string path = ResultsReportPath(folder, now, request.backup);

    ReportFile file;
    if (!file.Open(path)) return {};
    file.Put(request.backup ? u"Backup Results\n" : u"Restore Results\n");
    file.Put(u"\n\n*** SUCCESSFUL ITEMS ***\n\n");
    if (request.notSaved.empty()) WriteItemListing(file, request, true);
    file.Put(u"\n\n*** ERROR ITEMS ***\n\n");
    WriteItemListing(file, request, false);
    if (!file.Close()) {
        // A report cut short would hide failed items: remove it rather than
        // show it as if it were whole.
        vk::fs::DeleteFile(path);
        return {};
    }
    if (request.openViewer) {
        request.openViewer(path);
    } else if (!vk::process::OpenInViewer(path) && vk::ui::HasDisplay()) {
        // No viewer could be started: the report in the program's own window.
        std::string bytes;
        if (vk::fs::ReadWhole(path, bytes)) vk::ui::ShowTextWindow(path, vk::text::FromCp1252(bytes), false);
    }
    return path;
}

} // namespace vk::lib

extern "C" VK_API const char16_t *VKStatusToText(int code) {
    if (code == StatusNotTranslated) return vk::lib::kNotTranslatedText;
    uint32_t id = vk::lib::kUnknownStatusString;
    for (const auto &s : vk::lib::kStatusStrings) {
        if (s.code == code) {
            id = s.stringId;
            break;
        }
    }
    return LMGetString(VKGetLibraryModule(), id);
}
