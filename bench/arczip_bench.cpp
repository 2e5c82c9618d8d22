// Archive library figures: zipping and unzipping a work folder through
// arczip32 against `zip -r -q -6` and `unzip -q -o` of the same files, in the
// same run, with the peak memory of the process during the library's calls.
//
// Two sets, generated in the bench's own temporary folder:
//   small: 3,000 configuration-like files of 1 to 20 KB (about 18 MB) in the
//          class folders of a work folder;
//   large: the same plus 20 database-like files of 5 MB (about 118 MB).
// Goals: zipping at most 1.5 times zip (small) and 1.0 times zip (large),
// unzipping at most 2.0 times unzip, peak memory below 100 MB.
//
// Run: build/bin/arczip_bench. Every figure is the best of three runs, the
// runs of all benchmarks interleaved; the ratios are printed after the table.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "arczip32/arczip32.h"
#include "bench/support/bench_data.h"
#include "platform/fs/fs.h"
#include "platform/text/text.h"

namespace {

namespace fs = std::filesystem;

using vk::bench::ConfigText;
using vk::bench::DatabaseBytes;
using vk::bench::WriteBytes;

const std::string &Folder() { return vk::bench::BenchFolder(u"arcbench"); }

// The work folder of a backup: class folders 4001 (configuration), 5001
// (formats), 6000 (scripts), 7000 (simulation), and 3000/Wells (databases).
const std::string &SmallSet() {
    static const std::string root = [] {
        const std::string r = Folder() + "small/";
        std::mt19937 rng(7);
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        const char *const classes[] = {"4001", "5001", "6000", "7000"};
        for (int i = 0; i < 3000; ++i) {
            const double u = unit(rng);
            const size_t size = 1024 + static_cast<size_t>(19.0 * 1024 * u * u * u);
            const std::string sub = i % 5 == 0 ? "/sub" + std::to_string(i % 7) : "";
            WriteBytes(r + classes[i % 4] + sub + "/file" + std::to_string(i) + ".ini", ConfigText(size, rng));
        }
        WriteBytes(r + "Backup.why", "[Talvern Backup Utility]\r\nBackupVersion=7.0\r\n");
        return r;
    }();
    return root;
}

const std::string &LargeSet() {
    static const std::string root = [] {
        const std::string r = Folder() + "large/";
        fs::copy(SmallSet(), r, fs::copy_options::recursive);
        std::mt19937 rng(11);
        for (int i = 0; i < 20; ++i) WriteBytes(r + "3000/Wells/well" + std::to_string(i) + ".db", DatabaseBytes(5u << 20, rng));
        return r;
    }();
    return root;
}

const std::string &SetFor(int which) { return which == 0 ? SmallSet() : LargeSet(); }
const char *SetName(int which) { return which == 0 ? "small" : "large"; }

int Shell(const std::string &command) { return std::system(command.c_str()); }

// Peak resident memory of this process since the last reset, in MB.
void ResetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }
double PeakMemoryMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
    }
    return 0;
}

bool ArcZip(const std::string &archive, const std::string &folder) {
    const std::u16string a = vk::text::FromUtf8(archive);
    const std::u16string f = vk::text::FromUtf8(folder);
    ArchiveRequest request{};
    request.word[ARC_WORD_ARCHIVE] = reinterpret_cast<intptr_t>(a.c_str());
    if (!ArcCreate(&request)) return false;
    const bool added = ArcAddFolder(&request, f.c_str()) != 0;
    return ArcFinish(&request) != 0 && added;
}

bool ArcUnzip(const std::string &archive, const std::string &destination) {
    const std::u16string a = vk::text::FromUtf8(archive);
    const std::u16string d = vk::text::FromUtf8(destination);
    ArchiveRequest request{};
    request.word[ARC_WORD_ARCHIVE] = reinterpret_cast<intptr_t>(a.c_str());
    request.word[ARC_WORD_DESTINATION] = reinterpret_cast<intptr_t>(d.c_str());
    if (!ArcOpen(&request)) return false;
    const bool ok = ArcExtractAll(&request) != 0;
    ArcClose(&request);
    return ok;
}

std::string ArchivePath(const char *tool, int which) { return Folder() + tool + "-" + SetName(which) + ".zip"; }

void BM_ArcZip(benchmark::State &state) {
    const int which = static_cast<int>(state.range(0));
    const std::string &set = SetFor(which);
    const std::string archive = ArchivePath("arc", which);
    ResetPeakMemory();
    for (auto _ : state) {
        if (!ArcZip(archive, set)) state.SkipWithError("zipping failed");
    }
    state.counters["peak_MB"] = PeakMemoryMb();
    state.counters["archive_MB"] = static_cast<double>(fs::file_size(archive)) / (1 << 20);
}

void BM_ZipTool(benchmark::State &state) {
    const int which = static_cast<int>(state.range(0));
    const std::string &set = SetFor(which);
    const std::string archive = ArchivePath("zip", which);
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(archive);
        state.ResumeTiming();
        if (Shell("cd '" + set + "' && zip -r -q -6 '" + archive + "' .") != 0) state.SkipWithError("zip failed");
    }
    state.counters["archive_MB"] = static_cast<double>(fs::file_size(archive)) / (1 << 20);
}

void BM_ArcUnzip(benchmark::State &state) {
    const int which = static_cast<int>(state.range(0));
    const std::string archive = ArchivePath("arc", which);
    if (!fs::exists(archive)) ArcZip(archive, SetFor(which));
    const std::string out = Folder() + "arc-out/";
    ResetPeakMemory();
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(out);
        state.ResumeTiming();
        if (!ArcUnzip(archive, out)) state.SkipWithError("unzipping failed");
    }
    state.counters["peak_MB"] = PeakMemoryMb();
}

void BM_UnzipTool(benchmark::State &state) {
    const int which = static_cast<int>(state.range(0));
    const std::string archive = ArchivePath("arc", which); // the same archive as the library unpacks
    if (!fs::exists(archive)) ArcZip(archive, SetFor(which));
    const std::string out = Folder() + "unzip-out/";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(out);
        fs::create_directories(out);
        state.ResumeTiming();
        if (Shell("unzip -q -o '" + archive + "' -d '" + out + "'") != 0) state.SkipWithError("unzip failed");
    }
}

double MinOf(const std::vector<double> &v) { return v.empty() ? 0 : *std::min_element(v.begin(), v.end()); }
double MaxOf(const std::vector<double> &v) { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); }

// Each figure is the best of three runs; with the runs of all benchmarks
// interleaved, a busy moment of the machine hurts neither side alone.
void Configure(benchmark::internal::Benchmark *b, int which) {
    b->Arg(which)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(which == 0 ? 3 : 1)
        ->Repetitions(3)
        ->ComputeStatistics("min", MinOf)
        ->ComputeStatistics("max", MaxOf)
        ->ReportAggregatesOnly(true);
}

const int kRegistered = [] {
    for (int which : {0, 1}) {
        Configure(benchmark::RegisterBenchmark("BM_ZipTool", BM_ZipTool), which);
        Configure(benchmark::RegisterBenchmark("BM_ArcZip", BM_ArcZip), which);
        Configure(benchmark::RegisterBenchmark("BM_UnzipTool", BM_UnzipTool), which);
        Configure(benchmark::RegisterBenchmark("BM_ArcUnzip", BM_ArcUnzip), which);
    }
    return 0;
}();

// Keeps the best time and the highest peak memory of each benchmark.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &r : runs) {
            if (r.error_occurred || r.run_type != Run::RT_Aggregate) continue;
            const std::string name = r.run_name.function_name + "/" + r.run_name.args;
            if (r.aggregate_name == "min") times[name] = r.GetAdjustedRealTime();
            const auto peak = r.counters.find("peak_MB");
            if (r.aggregate_name == "max" && peak != r.counters.end()) peaks[name] = peak->second;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
    std::map<std::string, double> peaks;
};

} // namespace

int main(int argc, char **argv) {
    // Interleave the runs of all benchmarks unless told otherwise.
    std::vector<char *> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    bool given = false;
    for (int i = 1; i < argc; ++i) given = given || std::string(argv[i]).rfind("--benchmark_enable_random_interleaving", 0) == 0;
    if (!given) args.push_back(interleave.data());
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
    std::printf("generating the file sets in %s ...\n", Folder().c_str());
    SmallSet();
    LargeSet();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    vk::fs::RemoveTree(vk::text::FromUtf8(Folder()));

    int status = 0;
    const auto &t = reporter.times;
    const auto ratio = [&](const char *ours, const char *tool, int which, double limit) {
        const std::string a = std::string(ours) + "/" + std::to_string(which);
        const std::string b = std::string(tool) + "/" + std::to_string(which);
        if (!t.count(a) || !t.count(b)) return;
        const double r = t.at(a) / t.at(b);
        std::printf("%-9s %-5s: arczip32 %8.1f ms, tool %8.1f ms, ratio %.2f (limit %.1f): %s\n",
                    std::string(ours).substr(3).c_str(), SetName(which), t.at(a), t.at(b), r, limit,
                    r <= limit ? "met" : "NOT MET");
        if (r > limit) status = 2;
    };
    ratio("BM_ArcZip", "BM_ZipTool", 0, 1.5);
    ratio("BM_ArcZip", "BM_ZipTool", 1, 1.0);
    ratio("BM_ArcUnzip", "BM_UnzipTool", 0, 2.0);
    ratio("BM_ArcUnzip", "BM_UnzipTool", 1, 2.0);
    double peak = 0;
    for (const auto &[name, mb] : reporter.peaks) peak = std::max(peak, mb);
    std::printf("peak memory during the library's calls: %.1f MB (limit 100): %s\n", peak,
                peak < 100 ? "met" : "NOT MET");
    if (peak >= 100) status = 2;
    return status;
}
