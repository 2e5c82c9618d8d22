// Engine figures: a whole backup job (VKBackupInit, one VKBackup per file,
// VKBackupClose) and a whole restore job into a fresh installation
// (VKRestoreInit, one VKRestore per file, VKRestoreClose) against
// `zip -r -q -6` of the same files and `unzip -q -o` of that zip, in the same
// run; the peak memory of the engine; and the cost per item of 10,000 files
// against 1,000 files.
//
// Sets, generated in the bench's own temporary folder as installations:
//   small: 3,000 configuration files of 1 to 20 KB in config, format, script
//          and sim (about 18 MB);
//   large: the same plus 20 database files of 5 MB under data/Wells (about
//          118 MB): slowly varying curves with noise, neither all zeros nor
//          all random;
//   1k, 10k: 1,000 and 10,000 small configuration files (per-item cost).
// Every engine job runs in a child process (this program, started again), so
// that its time and its peak memory (VmHWM, the ru_maxrss of the child) are
// its own. Goals: backup at most 1.5 times zip (small) and 1.0 times zip
// (large), restore at most 2.0 times unzip, peak memory below 100 MB (large),
// 10,000 files at most 13 times the cost of 1,000.
//
// Run: build/bin/engine_bench. Every figure is the best of three runs.
// ENGINE_BENCH_KEEP=1 keeps the generated installations (see main).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "lib/services/library_state.h"
#include "bench/support/bench_data.h"
#include "platform/fs/fs.h"
#include "platform/text/text.h"
#include "platform/ui/ui.h"
#include "vaultkeeplib.h"

namespace {

namespace fs = std::filesystem;

// ---- Generated installations ------------------------------------------------

using vk::bench::ConfigText;
using vk::bench::DatabaseBytes;
using vk::bench::WriteBytes;

const std::string &Folder() { return vk::bench::BenchFolder(u"enginebench"); }

const char *const kFolders[] = {"bin", "config", "data", "format", "script", "sim", "backup", "temp"};

// The registry file of an installation at `root`.
void WriteRegistry(const std::string &root) {
    std::string reg = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\KDBase]\r\n";
    const std::pair<const char *, const char *> values[] = {
        {"BinDir", "bin"},   {"ConfigDir", "config"}, {"FormatDir", "format"}, {"DataDir", "data"},
        {"TempDir", "temp"}, {"SimDir", "sim"},       {"ScriptDir", "script"}, {"BackupDir", "backup"}};
    for (const auto &[name, folder] : values) reg += std::string("\"") + name + "\"=\"" + root + folder + "/\"\r\n";
    WriteBytes(root + "registry.reg", reg);
    for (const char *f : kFolders) fs::create_directories(root + f);
}

struct Set {
    std::string name;
    std::string source;      // installation backed up
    std::string destination; // fresh installation restored into
    std::vector<std::string> files; // relative to an installation
    uint64_t bytes = 0;
};

// `count` configuration files spread over the four folders (each folder's
// files are flat: the archive keeps configuration files by name), plus
// `databases` files of 5 MB under data/Wells.
Set MakeSet(const std::string &name, int count, size_t maxExtra, int databases) {
    Set set;
    set.name = name;
    set.source = Folder() + name + "/src/";
    set.destination = Folder() + name + "/dst/";
    WriteRegistry(set.source);
    WriteRegistry(set.destination);
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const std::pair<const char *, const char *> kinds[] = {
        {"config/", ".ini"}, {"format/", ".prs"}, {"script/", ".wsc"}, {"sim/", ".sim"}};
    for (int i = 0; i < count; ++i) {
        const double u = unit(rng);
        const size_t size = 1024 + static_cast<size_t>(static_cast<double>(maxExtra) * u * u * u);
        const auto &[folder, ext] = kinds[i % 4];
        const std::string rel = std::string(folder) + "file" + std::to_string(i) + ext;
        WriteBytes(set.source + rel, ConfigText(size, rng));
        set.files.push_back(rel);
        set.bytes += size;
    }
    std::mt19937 dbRng(11);
    for (int i = 0; i < databases; ++i) {
        const std::string rel = "data/Wells/well" + std::to_string(i) + ".db";
        WriteBytes(set.source + rel, DatabaseBytes(5u << 20, dbRng));
        set.files.push_back(rel);
        set.bytes += 5u << 20;
    }
    std::ofstream list(Folder() + name + "/files.txt");
    for (const std::string &f : set.files) list << f << "\n";
    return set;
}

std::vector<Set> &Sets() {
    static std::vector<Set> sets = [] {
        std::vector<Set> s;
        s.push_back(MakeSet("small", 3000, 19 * 1024, 0));
        s.push_back(MakeSet("large", 3000, 19 * 1024, 20));
        s.push_back(MakeSet("1k", 1000, 3 * 1024, 0));
        s.push_back(MakeSet("10k", 10000, 3 * 1024, 0));
        return s;
    }();
    return sets;
}

std::string Quote(const std::string &s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

int Shell(const std::string &command) { return std::system(command.c_str()); }

std::string EngineArchive(const Set &set) { return set.source + "backup/engine.conf.vkb"; }
std::string ToolArchive(const Set &set) { return Folder() + set.name + "/tool.zip"; }

// Empties the installation folders that the restore fills.
void MakeFresh(const std::string &root) {
    for (const char *f : {"config", "format", "script", "sim", "data"}) {
        fs::remove_all(root + f);
        fs::create_directories(root + f);
    }
}

// ---- The engine jobs, run in a child process ----------------------------------

double PeakMemoryMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
    return 0;
}

// With ENGINE_BENCH_PHASES set, the child prints the time at the end of each
// phase of its job to standard error.
void Phase(const char *name, const std::chrono::steady_clock::time_point &start) {
    if (!std::getenv("ENGINE_BENCH_PHASES")) return;
    std::fprintf(stderr, "%-6s %9.1f ms\n", name,
                 std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
}

// argv: --child backup|restore <set folder> <result file>
int ChildMain(const std::string &mode, const std::string &setFolder, const std::string &resultFile) {
    vk::lib::AttachLibrary();
    std::vector<std::string> files;
    {
        std::ifstream list(setFolder + "files.txt");
        for (std::string line; std::getline(list, line);)
            if (!line.empty()) files.push_back(line);
    }
    const std::string src = setFolder + "src/", dst = setFolder + "dst/";
    const std::u16string archive = vk::text::FromUtf8(src + "backup/engine.conf.vkb");
    int failed = 0;
    bool closed = false;
    const auto start = std::chrono::steady_clock::now();
    if (mode == "backup") {
        BackupJob *job = VKBackupInit(nullptr, VKF_OVERWRITE | VKF_QUIET, 0, archive.c_str(), u".conf.vkb", nullptr,
                                      nullptr, nullptr);
        if (job) {
            Phase("init", start);
            for (const std::string &f : files) {
                const std::u16string path = vk::text::FromUtf8(src + f);
                if (VKBackup(job, 1002, 0, 0, nullptr, nullptr, path.c_str()) != 0) ++failed;
            }
            Phase("items", start);
            closed = VKBackupClose(job) != 0;
            Phase("close", start);
        }
    } else {
        // The archive was made by this engine ("7.0"): the question is answered.
        vk::ui::QueueAnswers(u"box:Yes");
        BackupJob *job = VKRestoreInit(nullptr, VKF_QUIET, 0, archive.c_str(), u".conf.vkb", nullptr, nullptr);
        if (job) {
            Phase("init", start);
            for (const std::string &f : files) {
                const std::u16string path = vk::text::FromUtf8(dst + f);
                if (VKRestore(job, 1002, 0, 0, nullptr, nullptr, path.c_str()) != 0) ++failed;
            }
            Phase("items", start);
            closed = VKRestoreClose(job) != 0;
            Phase("close", start);
        }
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::ofstream(resultFile) << ms << " " << PeakMemoryMb() << " " << failed << " " << (closed ? 1 : 0) << "\n";
    return closed && failed == 0 ? 0 : 1;
}

struct ChildResult {
    double ms = 0, peakMb = 0;
    int failed = 0;
    bool ok = false;
};

ChildResult RunChild(const std::string &mode, const Set &set) {
    static const std::string self = fs::read_symlink("/proc/self/exe").string();
    const std::string folder = Folder() + set.name + "/";
    const std::string result = folder + "result.txt";
    fs::remove(result);
    const std::string registry = (mode == "backup" ? set.source : set.destination) + "registry.reg";
    Shell("VAULTKEEP_REGISTRY=" + Quote(registry) + " VAULTKEEP_ANSWERS= " + Quote(self) + " --child " + mode + " " +
          Quote(folder) + " " + Quote(result) + " 2>/dev/null");
    ChildResult r;
    std::ifstream in(result);
    int closed = 0;
    if (in >> r.ms >> r.peakMb >> r.failed >> closed) r.ok = closed == 1 && r.failed == 0;
    return r;
}

// ---- Benchmarks ------------------------------------------------------------------

double Seconds(const std::chrono::steady_clock::time_point &since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void BM_EngineBackup(benchmark::State &state) {
    const Set &set = Sets()[static_cast<size_t>(state.range(0))];
    double peak = 0;
    for (auto _ : state) {
        const ChildResult r = RunChild("backup", set);
        if (!r.ok) state.SkipWithError("the backup job failed");
        state.SetIterationTime(r.ms / 1000.0);
        peak = std::max(peak, r.peakMb);
    }
    state.counters["peak_MB"] = peak;
    if (fs::exists(EngineArchive(set)))
        state.counters["archive_MB"] = static_cast<double>(fs::file_size(EngineArchive(set))) / (1 << 20);
}

void BM_EngineRestore(benchmark::State &state) {
    const Set &set = Sets()[static_cast<size_t>(state.range(0))];
    if (!fs::exists(EngineArchive(set))) RunChild("backup", set);
    double peak = 0;
    for (auto _ : state) {
        MakeFresh(set.destination);
        const ChildResult r = RunChild("restore", set);
        if (!r.ok) state.SkipWithError("the restore job failed");
        state.SetIterationTime(r.ms / 1000.0);
        peak = std::max(peak, r.peakMb);
    }
    state.counters["peak_MB"] = peak;
    // The restored installation holds the files as they were backed up.
    for (size_t i = 0; i < set.files.size(); i += std::max<size_t>(1, set.files.size() / 25)) {
        std::ifstream a(set.source + set.files[i], std::ios::binary), b(set.destination + set.files[i], std::ios::binary);
        std::stringstream sa, sb;
        sa << a.rdbuf();
        sb << b.rdbuf();
        if (sa.str() != sb.str()) {
            state.SkipWithError(("restored file differs: " + set.files[i]).c_str());
            break;
        }
    }
}

void BM_ZipTool(benchmark::State &state) {
    const Set &set = Sets()[static_cast<size_t>(state.range(0))];
    const std::string archive = ToolArchive(set);
    const std::string folders = set.name == "large" ? "config format script sim data" : "config format script sim";
    for (auto _ : state) {
        fs::remove(archive);
        const auto start = std::chrono::steady_clock::now();
        if (Shell("cd " + Quote(set.source) + " && zip -r -q -6 " + Quote(archive) + " " + folders) != 0)
            state.SkipWithError("zip failed");
        state.SetIterationTime(Seconds(start));
    }
    state.counters["archive_MB"] = static_cast<double>(fs::file_size(archive)) / (1 << 20);
}

void BM_UnzipTool(benchmark::State &state) {
    const Set &set = Sets()[static_cast<size_t>(state.range(0))];
    const std::string archive = ToolArchive(set);
    if (!fs::exists(archive)) {
        const std::string folders = set.name == "large" ? "config format script sim data" : "config format script sim";
        Shell("cd " + Quote(set.source) + " && zip -r -q -6 " + Quote(archive) + " " + folders);
    }
    for (auto _ : state) {
        MakeFresh(set.destination);
        const auto start = std::chrono::steady_clock::now();
        if (Shell("unzip -q -o " + Quote(archive) + " -d " + Quote(set.destination)) != 0)
            state.SkipWithError("unzip failed");
        state.SetIterationTime(Seconds(start));
    }
}

double MinOf(const std::vector<double> &v) { return v.empty() ? 0 : *std::min_element(v.begin(), v.end()); }
double MaxOf(const std::vector<double> &v) { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); }

void Configure(benchmark::internal::Benchmark *b, int set) {
    b->Arg(set)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->Iterations(1)
        ->Repetitions(3)
        ->ComputeStatistics("min", MinOf)
        ->ComputeStatistics("max", MaxOf)
        ->ReportAggregatesOnly(true);
}

void Register() {
    for (int set : {0, 1}) {
        Configure(benchmark::RegisterBenchmark("BM_ZipTool", BM_ZipTool), set);
        Configure(benchmark::RegisterBenchmark("BM_EngineBackup", BM_EngineBackup), set);
        Configure(benchmark::RegisterBenchmark("BM_UnzipTool", BM_UnzipTool), set);
        Configure(benchmark::RegisterBenchmark("BM_EngineRestore", BM_EngineRestore), set);
    }
    for (int set : {2, 3}) {
        Configure(benchmark::RegisterBenchmark("BM_EngineBackup", BM_EngineBackup), set);
        Configure(benchmark::RegisterBenchmark("BM_EngineRestore", BM_EngineRestore), set);
    }
}

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
    if (argc == 5 && std::string(argv[1]) == "--child") return ChildMain(argv[2], argv[3], argv[4]);

    std::vector<char *> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    bool given = false;
    for (int i = 1; i < argc; ++i)
        given = given || std::string(argv[i]).rfind("--benchmark_enable_random_interleaving", 0) == 0;
    if (!given) args.push_back(interleave.data());
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
    std::printf("generating the installations in %s ...\n", Folder().c_str());
    for (const Set &s : Sets())
        std::printf("  %-5s %6zu files, %7.1f MB\n", s.name.c_str(), s.files.size(),
                    static_cast<double>(s.bytes) / (1 << 20));
    Register();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    // ENGINE_BENCH_KEEP=1 keeps the installations for profiling a child:
    //   VAULTKEEP_REGISTRY=<set>/src/registry.reg engine_bench --child backup <set>/ <result file>
    if (std::getenv("ENGINE_BENCH_KEEP")) std::printf("installations kept in %s\n", Folder().c_str());
    else vk::fs::RemoveTree(vk::text::FromUtf8(Folder()));

    int status = 0;
    const auto &t = reporter.times;
    auto time = [&](const char *name, int set) {
        const std::string key = std::string(name) + "/" + std::to_string(set);
        return t.count(key) ? t.at(key) : 0.0;
    };
    const char *setNames[] = {"small", "large", "1k", "10k"};
    const auto ratio = [&](const char *what, const char *ours, const char *tool, int set, double limit) {
        const double a = time(ours, set), b = time(tool, set);
        if (a <= 0 || b <= 0) {
            std::printf("%-8s %-5s: no figure\n", what, setNames[set]);
            status = 2;
            return;
        }
        const double r = a / b;
        std::printf("%-8s %-5s: engine %8.1f ms, tool %8.1f ms, ratio %.2f (limit %.1f): %s\n", what, setNames[set],
                    a, b, r, limit, r <= limit ? "met" : "NOT MET");
        if (r > limit) status = 2;
    };
    ratio("backup", "BM_EngineBackup", "BM_ZipTool", 0, 1.5);
    ratio("backup", "BM_EngineBackup", "BM_ZipTool", 1, 1.0);
    ratio("restore", "BM_EngineRestore", "BM_UnzipTool", 0, 2.0);
    ratio("restore", "BM_EngineRestore", "BM_UnzipTool", 1, 2.0);
    for (const char *job : {"BM_EngineBackup", "BM_EngineRestore"}) {
        const double k1 = time(job, 2), k10 = time(job, 3);
        const double r = k1 > 0 ? k10 / k1 : 0;
        std::printf("per item %-7s: 1,000 files %8.1f ms, 10,000 files %8.1f ms, ratio %.2f (limit 13): %s\n",
                    std::string(job).substr(9).c_str(), k1, k10, r, r > 0 && r <= 13 ? "met" : "NOT MET");
        if (!(r > 0 && r <= 13)) status = 2;
    }
    for (const auto &[name, mb] : reporter.peaks)
        std::printf("peak memory %-20s %7.1f MB\n", name.c_str(), mb);
    double peakLarge = 0;
    for (const char *job : {"BM_EngineBackup/1", "BM_EngineRestore/1"})
        if (reporter.peaks.count(job)) peakLarge = std::max(peakLarge, reporter.peaks.at(job));
    std::printf("peak memory of the engine, large set: %.1f MB (limit 100): %s\n", peakLarge,
                peakLarge > 0 && peakLarge < 100 ? "met" : "NOT MET");
    if (!(peakLarge > 0 && peakLarge < 100)) status = 2;
    return status;
}
