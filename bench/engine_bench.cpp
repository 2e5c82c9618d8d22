// Engine figures, through the public exports, against the common tools on the
// same files in the same run:
//   backup  = VKBackupInit, one VKBackup (type 1002) per file, VKBackupClose
//             against `zip -r -q -6` of the same folders;
//   restore = VKRestoreInit, one VKRestore per file, VKRestoreClose over the
//             installed files (every file already lies at its place, as a
//             user meets it) against `unzip -q -o` of the tool's zip over them,
//             and against replacing every file with a new one renamed over it
//             (the floor of any restore that leaves files wholly old or new);
//   per item: 10,000 files against 1,000 files, for each job;
//   the peak resident memory of each job.
//
// Sets, generated in the bench's own temporary folder as installations:
//   small: 3,000 configuration files of 1 to 20 KB in config, format, script
//          and sim (about 18 MB);
//   large: the same plus 2,020 larger files: 2,000 log databases of 20 to
//          30 KB under data/Logs and 20 well databases of 2.5 MB under
//          data/Wells (about 118 MB), slowly varying curves with noise;
//   1k, 10k: 1,000 and 10,000 configuration files of 1 to 4 KB.
// Each set has a source installation (backed up) and a destination
// installation that holds the same files from the start (restored over).
//
// Every engine job runs in a child process (this program, started again), so
// that its time and its peak memory (VmHWM) are its own. Every figure is the
// median of the runs (ENGINE_BENCH_RUNS, default 3); the runs interleave the
// jobs and the tools. Goals: backup <= 1.0x zip (small) and <= 0.6x zip
// (large); restore <= 1.0x unzip (both); 10,000 items <= 11x the time of
// 1,000; peak memory < 100 MB on the large set.
//
// Run: build/bin/engine_bench [set ...]   (sets: small large 1k 10k; default all)
// ENGINE_BENCH_KEEP=1 keeps the generated installations; a child can then be
// profiled alone:
//   VAULTKEEP_REGISTRY=<set>/src/registry.reg engine_bench --child backup <set>/ <result file>
#include <sys/statfs.h>

#include <algorithm>
#include <atomic>
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
#include <thread>
#include <vector>

#include "bench/support/bench_data.h"
#include "lib/services/library_state.h"
#include "platform/fs/fs.h"
#include "platform/text/text.h"
#include "platform/ui/ui.h"
#include "vaultkeeplib.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

using vk::bench::ConfigText;
using vk::bench::DatabaseBytes;
using vk::bench::WriteBytes;

const std::string &Folder() { return vk::bench::BenchFolder(u"enginebench"); }

// ---- Generated installations ------------------------------------------------

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
    std::string source;             // installation backed up
    std::string destination;        // installation restored over
    std::vector<std::string> files; // relative to an installation
    uint64_t bytes = 0;
    bool withTools = true;          // measured against zip and unzip
};

// `count` configuration files spread over the four folders (flat: the archive
// keeps configuration files by name); with `larger`, the 2,020 databases.
Set MakeSet(const std::string &name, int count, size_t maxExtra, bool larger, bool withTools) {
    Set set;
    set.name = name;
    set.withTools = withTools;
    set.source = Folder() + name + "/src/";
    set.destination = Folder() + name + "/dst/";
    WriteRegistry(set.source);
    WriteRegistry(set.destination);
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    auto add = [&](const std::string &rel, const std::string &bytes) {
        WriteBytes(set.source + rel, bytes);
        WriteBytes(set.destination + rel, bytes); // the installed file
        set.files.push_back(rel);
        set.bytes += bytes.size();
    };
    const std::pair<const char *, const char *> kinds[] = {
        {"config/", ".ini"}, {"format/", ".prs"}, {"script/", ".wsc"}, {"sim/", ".sim"}};
    for (int i = 0; i < count; ++i) {
        const double u = unit(rng);
        const size_t size = 1024 + static_cast<size_t>(static_cast<double>(maxExtra) * u * u * u);
        const auto &[folder, ext] = kinds[i % 4];
        add(std::string(folder) + "file" + std::to_string(i) + ext, ConfigText(size, rng));
    }
    if (larger) {
        std::mt19937 dbRng(11);
        for (int i = 0; i < 2000; ++i) {
            const size_t size = 20 * 1024 + static_cast<size_t>(unit(rng) * 10 * 1024);
            add("data/Logs/run" + std::to_string(i) + ".db", DatabaseBytes(size, dbRng));
        }
        for (int i = 0; i < 20; ++i) add("data/Wells/well" + std::to_string(i) + ".db", DatabaseBytes(5u << 19, dbRng));
    }
    std::ofstream list(Folder() + name + "/files.txt");
    for (const std::string &f : set.files) list << f << "\n";
    return set;
}

std::string Quote(const std::string &s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

int Shell(const std::string &command) { return std::system(command.c_str()); }

std::string ToolArchive(const Set &set) { return Folder() + set.name + "/tool.zip"; }
std::string ToolFolders(const Set &set) {
    return fs::exists(set.source + "data/Logs") ? "config format script sim data" : "config format script sim";
}

// The type of the file system that holds `path` ("ext4", "tmpfs", ...).
std::string FileSystemType(const std::string &path) {
    struct statfs st {};
    if (::statfs(path.c_str(), &st) != 0) return "unknown";
    switch (static_cast<unsigned long>(st.f_type)) {
    case 0xEF53: return "ext4";
    case 0x01021994: return "tmpfs";
    case 0x58465342: return "xfs";
    case 0x9123683E: return "btrfs";
    case 0x794C7630: return "overlayfs";
    default: {
        char hex[32];
        std::snprintf(hex, sizeof hex, "0x%lx", static_cast<unsigned long>(st.f_type));
        return hex;
    }
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

double MsSince(const Clock::time_point &start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// argv: --child backup|restore <set folder> <result file>
// The result file gets: total ms, init ms, items ms, close ms, peak MB,
// failed items, 1 when the Close call succeeded.
int ChildMain(std::string mode, const std::string &setFolder, const std::string &resultFile) {
    vk::lib::AttachLibrary();
    // "<job>-cancel": the cancel flag is set from another thread `cancelAt`
    // ms into the job's items; the result is the time from the flag to the
    // end of the job (the item under way, then for a backup its Close).
    double cancelAt = -1;
    int32_t cancel = 0;
    double stoppedAfter = -1;
    std::thread canceller;
    Clock::time_point flagged;
    std::atomic<bool> armed{false};
    if (mode.size() > 7 && mode.compare(mode.size() - 7, 7, "-cancel") == 0) {
        mode.resize(mode.size() - 7);
        cancelAt = 150;
    }
    auto arm = [&] {
        if (cancelAt < 0) return;
        canceller = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<int>(cancelAt)));
            flagged = Clock::now();
            armed = true;
            std::atomic_ref<int32_t>(cancel).store(1);
        });
    };
    auto stopped = [&] {
        if (canceller.joinable()) canceller.join();
        if (armed) stoppedAfter = MsSince(flagged);
    };
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
    double init = 0, items = 0;
    const auto start = Clock::now();
    if (mode == "backup") {
        BackupJob *job = VKBackupInit(nullptr, VKF_OVERWRITE | VKF_QUIET, 0, archive.c_str(), u".conf.vkb", nullptr,
                                      &cancel, nullptr);
        if (job) {
            init = MsSince(start);
            arm();
            for (const std::string &f : files) {
                const std::u16string path = vk::text::FromUtf8(src + f);
                if (VKBackup(job, 1002, 0, 0, nullptr, nullptr, path.c_str()) != 0) {
                    ++failed;
                    if (cancelAt >= 0 && armed) break; // the first call after the flag
                }
            }
            items = MsSince(start);
            closed = VKBackupClose(job) != 0;
            stopped();
        }
    } else {
        // The archive was made by this engine ("7.0"): the question is answered.
        vk::ui::QueueAnswers(u"box:Yes");
        BackupJob *job = VKRestoreInit(nullptr, VKF_QUIET, 0, archive.c_str(), u".conf.vkb", nullptr, &cancel);
        if (job) {
            init = MsSince(start);
            arm();
            for (const std::string &f : files) {
                const std::u16string path = vk::text::FromUtf8(dst + f);
                if (VKRestore(job, 1002, 0, 0, nullptr, nullptr, path.c_str()) != 0) {
                    ++failed;
                    if (cancelAt >= 0 && armed) break; // the first call after the flag
                }
            }
            stopped();
            items = MsSince(start);
            closed = VKRestoreClose(job) != 0;
        }
    }
    const double total = MsSince(start);
    if (cancelAt >= 0) {
        std::ofstream(resultFile) << stoppedAfter << " " << (closed ? 1 : 0) << "\n";
        return 0;
    }
    std::ofstream(resultFile) << total << " " << init << " " << (items - init) << " " << (total - items) << " "
                              << PeakMemoryMb() << " " << failed << " " << (closed ? 1 : 0) << "\n";
    return closed && failed == 0 ? 0 : 1;
}

struct JobFigures {
    double ms = 0, init = 0, items = 0, close = 0, peakMb = 0;
    bool ok = false;
};

JobFigures RunChild(const std::string &mode, const Set &set) {
    static const std::string self = fs::read_symlink("/proc/self/exe").string();
    const std::string folder = Folder() + set.name + "/";
    const std::string result = folder + "result.txt";
    fs::remove(result);
    const std::string registry = (mode == "backup" ? set.source : set.destination) + "registry.reg";
    Shell("VAULTKEEP_REGISTRY=" + Quote(registry) + " VAULTKEEP_ANSWERS= " + Quote(self) + " --child " + mode + " " +
          Quote(folder) + " " + Quote(result) + " 2>/dev/null");
    JobFigures r;
    std::ifstream in(result);
    int failed = 0, closed = 0;
    if (in >> r.ms >> r.init >> r.items >> r.close >> r.peakMb >> failed >> closed) r.ok = closed == 1 && failed == 0;
    return r;
}

double TimeShell(const std::string &command, bool &ok) {
    const auto start = Clock::now();
    ok = Shell(command) == 0 && ok;
    return MsSince(start);
}

// True when the restored installation holds the files as they were backed up
// (a sample of 25 files).
bool RestoredIntact(const Set &set) {
    for (size_t i = 0; i < set.files.size(); i += std::max<size_t>(1, set.files.size() / 25)) {
        std::ifstream a(set.source + set.files[i], std::ios::binary), b(set.destination + set.files[i], std::ios::binary);
        std::stringstream sa, sb;
        sa << a.rdbuf();
        sb << b.rdbuf();
        if (sa.str() != sb.str()) {
            std::fprintf(stderr, "restored file differs: %s\n", set.files[i].c_str());
            return false;
        }
    }
    return true;
}

// What replacing every installed file whole costs on this file system, as a
// restore that leaves each file wholly old or wholly new must: the source
// file's bytes into a new file beside the installed one, renamed over it
// (not synced, as the restore's files are not one by one). unzip writes
// into the existing files instead, which no interruption-safe restore can.
double ReplaceEveryFile(const Set &set, bool &ok) {
    const auto start = Clock::now();
    for (const std::string &file : set.files) {
        std::ifstream in(set.source + file, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        const std::string target = set.destination + file;
        const std::string temp = target + ".~replace";
        {
            std::ofstream out(temp, std::ios::binary | std::ios::trunc);
            out << bytes.str();
            ok = ok && static_cast<bool>(out);
        }
        std::error_code ec;
        fs::rename(temp, target, ec);
        ok = ok && !ec;
    }
    return MsSince(start);
}

// Every run's figures of one set.
struct SetRuns {
    std::vector<JobFigures> backup, restore;
    std::vector<double> zip, unzip, replace;
    bool ok = true;
};

void RunOnce(const Set &set, SetRuns &runs) {
    if (set.withTools) {
        fs::remove(ToolArchive(set));
        runs.zip.push_back(TimeShell("cd " + Quote(set.source) + " && zip -r -q -6 " + Quote(ToolArchive(set)) + " " +
                                         ToolFolders(set),
                                     runs.ok));
    }
    runs.backup.push_back(RunChild("backup", set));
    runs.ok = runs.ok && runs.backup.back().ok;
    if (set.withTools)
        runs.unzip.push_back(
            TimeShell("unzip -q -o " + Quote(ToolArchive(set)) + " -d " + Quote(set.destination), runs.ok));
    runs.restore.push_back(RunChild("restore", set));
    runs.ok = runs.ok && runs.restore.back().ok && RestoredIntact(set);
    if (set.withTools) runs.replace.push_back(ReplaceEveryFile(set, runs.ok));
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

template <typename Field>
double MedianOf(const std::vector<JobFigures> &runs, Field field) {
    std::vector<double> v;
    for (const JobFigures &r : runs) v.push_back(field(r));
    return Median(v);
}

double MaxPeak(const std::vector<JobFigures> &runs) {
    double m = 0;
    for (const JobFigures &r : runs) m = std::max(m, r.peakMb);
    return m;
}

std::string Runs(const std::vector<double> &v) {
    std::string s;
    char buf[32];
    for (double x : v) {
        std::snprintf(buf, sizeof buf, "%s%.0f", s.empty() ? "" : " ", x);
        s += buf;
    }
    return s;
}

std::vector<double> Totals(const std::vector<JobFigures> &runs) {
    std::vector<double> v;
    for (const JobFigures &r : runs) v.push_back(r.ms);
    return v;
}

} // namespace

int main(int argc, char **argv) {
    if (argc == 5 && std::string(argv[1]) == "--child") return ChildMain(argv[2], argv[3], argv[4]);

    std::vector<std::string> wanted(argv + 1, argv + argc);
    auto want = [&](const char *name) {
        return wanted.empty() || std::find(wanted.begin(), wanted.end(), name) != wanted.end();
    };
    const char *runsText = std::getenv("ENGINE_BENCH_RUNS");
    const int runCount = std::max(1, runsText ? std::atoi(runsText) : 3);

    std::printf("generating the installations in %s (file system %s; temporary folder %s on %s) ...\n",
                Folder().c_str(), FileSystemType(Folder()).c_str(), vk::text::ToUtf8(vk::fs::TempDirectory()).c_str(),
                FileSystemType(vk::text::ToUtf8(vk::fs::TempDirectory())).c_str());
    std::vector<Set> sets;
    if (want("small")) sets.push_back(MakeSet("small", 3000, 19 * 1024, false, true));
    if (want("large")) sets.push_back(MakeSet("large", 3000, 19 * 1024, true, true));
    if (want("1k")) sets.push_back(MakeSet("1k", 1000, 3 * 1024, false, false));
    if (want("10k")) sets.push_back(MakeSet("10k", 10000, 3 * 1024, false, false));
    for (const Set &s : sets)
        std::printf("  %-5s %6zu files, %7.1f MB\n", s.name.c_str(), s.files.size(),
                    static_cast<double>(s.bytes) / (1 << 20));
    std::fflush(stdout);

    std::map<std::string, SetRuns> results;
    for (int run = 0; run < runCount; ++run) {
        for (const Set &s : sets) RunOnce(s, results[s.name]);
        std::printf("run %d of %d done\n", run + 1, runCount);
        std::fflush(stdout);
    }

    // Cancel on the large set: how long after the flag each job stops.
    std::vector<std::pair<std::string, double>> cancels;
    for (const Set &s : sets) {
        if (s.name != "large") continue;
        for (const char *job : {"backup-cancel", "restore-cancel"}) {
            static const std::string self = fs::read_symlink("/proc/self/exe").string();
            const std::string folder = Folder() + s.name + "/";
            const std::string result = folder + "cancel.txt";
            fs::remove(result);
            const std::string registry = (std::string(job) == "backup-cancel" ? s.source : s.destination) + "registry.reg";
            Shell("VAULTKEEP_REGISTRY=" + Quote(registry) + " VAULTKEEP_ANSWERS= " + Quote(self) + " --child " + job +
                  " " + Quote(folder) + " " + Quote(result) + " 2>/dev/null");
            std::ifstream in(result);
            double after = -1;
            int closedFlag = 0;
            in >> after >> closedFlag;
            cancels.emplace_back(job, after);
        }
    }

    if (std::getenv("ENGINE_BENCH_KEEP")) std::printf("installations kept in %s\n", Folder().c_str());
    else vk::fs::RemoveTree(vk::text::FromUtf8(Folder()));

    int status = 0;
    std::printf("\nmedians of %d runs, ms (each run in brackets); phases init + items + close\n", runCount);
    for (const Set &s : sets) {
        const SetRuns &r = results[s.name];
        if (!r.ok) {
            std::printf("%-5s: a job or a tool FAILED\n", s.name.c_str());
            status = 1;
        }
        for (const auto &[job, runs] : {std::pair{"backup", &r.backup}, std::pair{"restore", &r.restore}}) {
            std::printf("%-5s %-7s %8.0f [%s] = %.0f + %.0f + %.0f, peak %.1f MB\n", s.name.c_str(), job,
                        Median(Totals(*runs)), Runs(Totals(*runs)).c_str(),
                        MedianOf(*runs, [](const JobFigures &f) { return f.init; }),
                        MedianOf(*runs, [](const JobFigures &f) { return f.items; }),
                        MedianOf(*runs, [](const JobFigures &f) { return f.close; }), MaxPeak(*runs));
        }
        if (s.withTools) {
            std::printf("%-5s zip     %8.0f [%s]\n", s.name.c_str(), Median(r.zip), Runs(r.zip).c_str());
            std::printf("%-5s unzip   %8.0f [%s]\n", s.name.c_str(), Median(r.unzip), Runs(r.unzip).c_str());
            std::printf("%-5s replace %8.0f [%s] (each file new beside the old, renamed over it)\n", s.name.c_str(),
                        Median(r.replace), Runs(r.replace).c_str());
        }
    }

    std::printf("\ngoals\n");
    auto verdict = [&](bool met) {
        if (!met) status = status ? status : 2;
        return met ? "met" : "NOT MET";
    };
    for (const Set &s : sets) {
        if (!s.withTools) continue;
        const SetRuns &r = results[s.name];
        const bool large = s.name == "large";
        const double backup = Median(Totals(r.backup)) / Median(r.zip);
        const double restore = Median(Totals(r.restore)) / Median(r.unzip);
        const double backupGoal = large ? 0.6 : 1.0;
        std::printf("backup  %-5s: %.2fx zip   (goal <= %.1fx): %s\n", s.name.c_str(), backup, backupGoal,
                    verdict(backup <= backupGoal));
        std::printf("restore %-5s: %.2fx unzip (goal <= 1.0x): %s; %.2fx replacing every file, %.2fx unzip for that alone\n",
                    s.name.c_str(), restore, verdict(restore <= 1.0), Median(Totals(r.restore)) / Median(r.replace),
                    Median(r.replace) / Median(r.unzip));
        if (large) {
            const double peak = std::max(MaxPeak(r.backup), MaxPeak(r.restore));
            std::printf("peak memory, large set: %.1f MB (goal < 100 MB): %s\n", peak, verdict(peak < 100));
        }
    }
    for (const auto &[job, after] : cancels)
        std::printf("%-14s large: stopped %.0f ms after the flag (goal < 1000 ms): %s\n", job.c_str(), after,
                    verdict(after >= 0 && after < 1000));
    if (results.count("1k") && results.count("10k")) {
        for (const char *job : {"backup", "restore"}) {
            const bool backup = std::string(job) == "backup";
            const double k1 = Median(Totals(backup ? results["1k"].backup : results["1k"].restore));
            const double k10 = Median(Totals(backup ? results["10k"].backup : results["10k"].restore));
            const double ratio = k1 > 0 ? k10 / k1 : 0;
            std::printf("%-7s 10,000 items: %.2fx the time of 1,000 (goal <= 11x): %s\n", job, ratio,
                        verdict(ratio > 0 && ratio <= 11));
        }
    }
    return status;
}
