// How far a configuration backup has come. The run has two phases over the
// same bytes: the copy of every chosen file into the work folder, then the
// archive library packing that folder. The bar gives each phase half of its
// length, by bytes, so it moves steadily from the first file to the finished
// archive. An unattended run whose standard error is a terminal also draws
// the figures there as one line that is rewritten in place.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vk::app {

struct BackupMeter {
    int totalFiles = 0;
    uint64_t totalBytes = 0;
    int handedFiles = 0;     // files handed to the library so far
    uint64_t handedBytes = 0;
    int copiedFiles = 0;     // of those, the ones it backed up
    uint64_t copiedBytes = 0;
    bool archiving = false;
    int archivePercent = 0;  // share of the bytes packed, as the library reports it
    bool terminal = false;   // draw the line on standard error
    int drawnPosition = -1;  // what the line last showed
    int drawnFiles = -1;
    bool drawn = false;
};

BackupMeter &Meter();

// A new run: the selection's size, and whether to draw the terminal line.
void MeterStart(int files, uint64_t bytes, bool terminalLine);
// One file handed to the library, of `bytes` bytes; `backedUp`: it went in.
void MeterFileDone(uint64_t bytes, bool backedUp);
// The archive phase, and the library's share of it ("42%").
void MeterArchiveStart();
void MeterArchiveProgress(std::u16string_view percentText);
// 0 to 100: half for the copy phase, half for the archive phase.
int MeterPosition();
// Ends the terminal line (if one was drawn) so later output starts afresh.
void MeterFinish();

// The terminal line: "[#####.....]  52%  1,234 of 3,027 files, 45 MB of 98 MB".
std::string MeterLine();

// Where the terminal line goes: standard error, or a test's catcher (null
// gives standard error back).
using MeterSink = void (*)(std::string_view text);
void SetMeterSink(MeterSink sink);
// Whether a person watches the line's destination: standard error is a
// terminal, or a test catches the line.
bool MeterSinkIsTerminal();

} // namespace vk::app
