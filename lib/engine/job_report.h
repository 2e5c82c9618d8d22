// The results report of a job at its close: the job's record mapped onto the
// report writer, file keys shown as their destination paths.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "lib/engine/job.h"

namespace vk::engine {

// Writes the report when the job started and a report is due or was asked
// for; returns its path ("" when none was written). A backup whose archive
// was not written (saved false) lists no item as successful.
std::u16string WriteJobReport(const BackupJob &job, bool saved = true);

// Replaces the desktop viewer that opens a written report (tests); an empty
// function restores the viewer.
void SetReportViewer(std::function<bool(std::u16string_view path)> viewer);

} // namespace vk::engine
