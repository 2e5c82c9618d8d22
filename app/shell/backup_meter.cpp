#include "app/shell/backup_meter.h"

#include <algorithm>
#include <cstdio>

#include "app/shell/figures.h"
#include "platform/console/console.h"
#include "platform/text/text.h"

namespace vk::app {
namespace {

constexpr int kBarCells = 30;

MeterSink &Sink() {
    static MeterSink sink = &console::WriteStderr;
    return sink;
}

// Redraws the terminal line when its figures changed.
void Draw() {
    BackupMeter &m = Meter();
    if (!m.terminal) return;
    const int position = MeterPosition();
    if (m.drawn && position == m.drawnPosition && m.handedFiles == m.drawnFiles) return;
    m.drawnPosition = position;
    m.drawnFiles = m.handedFiles;
    m.drawn = true;
    // Carriage return and clear to the end of the line: one line, rewritten.
    Sink()("\r" + MeterLine() + "\x1b[K");
}

} // namespace

BackupMeter &Meter() {
    static BackupMeter meter;
    return meter;
}

void SetMeterSink(MeterSink sink) { Sink() = sink ? sink : &console::WriteStderr; }

bool MeterSinkIsTerminal() { return Sink() != &console::WriteStderr || console::StderrIsTerminal(); }

void MeterStart(int files, uint64_t bytes, bool terminalLine) {
    BackupMeter &m = Meter();
    m = BackupMeter{};
    m.totalFiles = files;
    m.totalBytes = bytes;
    m.terminal = terminalLine;
    Draw();
}

void MeterFileDone(uint64_t bytes, bool backedUp) {
    BackupMeter &m = Meter();
    ++m.handedFiles;
    m.handedBytes += bytes;
    if (backedUp) {
        ++m.copiedFiles;
        m.copiedBytes += bytes;
    }
    Draw();
}

void MeterArchiveStart() {
    BackupMeter &m = Meter();
    m.archiving = true;
    m.archivePercent = 0;
    Draw();
}

void MeterArchiveProgress(std::u16string_view percentText) {
    int percent = 0;
    size_t i = 0;
    while (i < percentText.size() && percentText[i] >= u'0' && percentText[i] <= u'9' && percent <= 100)
        percent = percent * 10 + (percentText[i++] - u'0');
    if (i == 0) return; // not a share
    BackupMeter &m = Meter();
    m.archivePercent = std::clamp(percent, m.archivePercent, 100);
    Draw();
}

int MeterPosition() {
    const BackupMeter &m = Meter();
    // The copy phase by bytes; by files when the files hold no bytes at all.
    int copy = 100;
    if (m.totalBytes > 0) copy = static_cast<int>(std::min<uint64_t>(100, m.handedBytes * 100 / m.totalBytes));
    else if (m.totalFiles > 0) copy = std::min(100, m.handedFiles * 100 / m.totalFiles);
    if (!m.archiving) return copy / 2;
    return 50 + m.archivePercent / 2;
}

void MeterFinish() {
    BackupMeter &m = Meter();
    if (m.terminal && m.drawn) Sink()("\n");
    m.terminal = false;
}

std::string MeterLine() {
    const BackupMeter &m = Meter();
    const int position = MeterPosition();
    const int filled = position * kBarCells / 100;
    std::string line = "[" + std::string(static_cast<size_t>(filled), '#') +
                       std::string(static_cast<size_t>(kBarCells - filled), '.') + "]";
    char percent[8];
    std::snprintf(percent, sizeof percent, " %3d%%  ", position);
    line += percent;
    line += text::ToUtf8(GroupedNumber(static_cast<uint64_t>(m.handedFiles)));
    line += " of " + text::ToUtf8(GroupedNumber(static_cast<uint64_t>(m.totalFiles))) + " files, ";
    line += text::ToUtf8(SizeText(m.handedBytes)) + " of " + text::ToUtf8(SizeText(m.totalBytes));
    if (m.archiving) line += ", packing the archive";
    return line;
}

} // namespace vk::app
