#include "lib/engine/job_report.h"

#include "lib/engine/file_items.h"
#include "lib/services/status.h"
#include "platform/text/text.h"
#include "vaultkeeplib.h"

namespace vk::engine {
namespace {

std::function<bool(std::u16string_view)> &Viewer() {
    static std::function<bool(std::u16string_view)> viewer;
    return viewer;
}

// The report of the last closed job, for VKLastResultsReport.
std::u16string &LastReport() {
    static std::u16string path;
    return path;
}

} // namespace

std::u16string WriteJobReport(const BackupJob &job, bool saved) {
    vk::lib::ReportRequest request;
    request.backup = IsBackup(job);
    request.started = job.started;
    request.reportDue = (job.flags & VKF_REPORT_DUE) != 0;
    request.reportAsked = (job.flags & VKF_REPORT) != 0;
    request.whyPath = job.metadataPath;
    if (!saved) request.notSaved = vk::text::View(LMGetString(VKGetLibraryModule(), 7988));
    request.translateEntry = [&job](std::u16string_view key) { return TranslateEntry(job, key, 0); };
    request.openViewer = Viewer();
    LastReport() = vk::lib::WriteResultsReport(request);
    return LastReport();
}

void SetReportViewer(std::function<bool(std::u16string_view path)> viewer) { Viewer() = std::move(viewer); }

} // namespace vk::engine

extern "C" VK_API const char16_t *VKLastResultsReport(void) { return vk::engine::LastReport().c_str(); }
