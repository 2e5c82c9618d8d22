// Status codes and the results report.
//
// Every item of a backup or restore ends with a status code (VKStatus in
// vaultkeeplib.h); VKStatusToText gives its text. At job close the results
// report lists the successful and the failed items recorded in the job's
// "Backup.why" and is opened in the desktop's viewer.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/fs/fs.h"

namespace vk::lib {

// The text of status 13 (not taken from the string table).
inline constexpr char16_t kNotTranslatedText[] = u"File not restored. Unable to translate to current version";

// The status code of a log value: its leading decimal number, read like a C
// integer conversion (blanks, a sign, digits); 0 when there is none.
int StatusOfValue(std::u16string_view value);

// The report file: single-byte text with CR LF line ends and no byte-order
// mark. Characters above U+00FF are left out. A write failure is remembered.
class ReportFile {
public:
    bool Open(std::u16string_view path) { return ok_ = writer_.Open(path, true); }
    // Writes text; each "\n" becomes CR LF.
    void Put(std::u16string_view text);
    // Writes "name : text\n".
    void Line(std::u16string_view name, std::u16string_view text);
    // The status line: "name : <text of code>\n".
    void StatusLine(std::u16string_view name, int code);
    // Flushes and closes; false when any write failed.
    bool Close();

private:
    vk::fs::Writer writer_;
    bool ok_ = false;
};

// What the results report needs from a job. The engine fills it from its job
// record at close.
struct ReportRequest {
    bool backup = true;       // the job is a backup (else a restore)
    int started = 0;          // 1 once an item call was made
    bool reportDue = false;   // an item failed
    bool reportAsked = false; // the caller asked for a report
    std::u16string whyPath;   // the job's "Backup.why"
    // Non-empty when nothing of the job was kept (a backup whose archive was
    // not written): no item is listed as successful; those that succeeded
    // are listed with this text among the failed ones.
    std::u16string notSaved;
    // Folder of the report; empty: the backup folder (DirBackup).
    std::u16string folder;
    // Display name of a file's log key (the engine's entry translation);
    // null: the key itself.
    std::function<std::u16string(std::u16string_view key)> translateEntry;
    // Local time at close; null: the clock.
    std::function<vk::fs::LocalTime()> clock;
    // Opens the written report; null: the desktop's viewer.
    std::function<bool(std::u16string_view path)> openViewer;
};

// True when the job's report is to be written.
bool ReportWanted(const ReportRequest &request);

// "<folder><year>.<mm>.<dd>.<hh>.<mm>.<ss>.BackupResults.txt" (or
// RestoreResults), with exactly one separator after a non-empty folder.
std::u16string ResultsReportPath(std::u16string_view folder, const vk::fs::LocalTime &time, bool backup);

// Writes the report when it is wanted and opens it. Returns the path of the
// written report, or "" when none was written (not wanted, or the file could
// not be opened or written: a partly written report is removed).
std::u16string WriteResultsReport(const ReportRequest &request);

// Writes the item listing of one mode (successful or failed items) from the
// log sections of `whyPath` (backup or restore sections).
void WriteItemListing(ReportFile &file, const ReportRequest &request, bool successMode);

} // namespace vk::lib
