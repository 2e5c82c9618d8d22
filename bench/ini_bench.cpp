// Ini engine figures: random reads from a large file (against a plain hash
// map lookup of the same keys), runs of writes to one file including the
// final flush (10,000 writes must cost at most 12 times 1,000 writes), and
// numbered-list appends through the profile layer.
//
// Durable writes: 1,000 and 10,000 keys written through one exported call
// (XferIniKey copying a section of that many keys, on disk when it returns)
// and through as many separate calls (XferIniKey of one key each, every call
// on disk when it returns). Each has a baseline in the same run: the same
// file contents replaced atomically (temporary file, fsync, rename) by plain
// code, once for the one call and once per call for the separate calls.
//
// Every figure is the median of several repetitions.
// Run: build/bin/ini_bench. The ratios are printed after the table.
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "lib/services/profile.h"
#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "platform/text/text.h"
#include "vaultkeeplib.h"

namespace {

constexpr int kSections = 50;
constexpr int kKeysPerSection = 100; // 5,000 keys
constexpr int kReads = 100000;

std::string Folder() {
    static const std::string folder = [] {
        const char *tmp = std::getenv("TMPDIR");
        std::string t = std::string(tmp && *tmp ? tmp : "/tmp") + "/inibench.XXXXXX";
        if (!mkdtemp(t.data())) std::abort();
        return t + "/";
    }();
    return folder;
}

std::u16string U(const std::string &s) { return vk::text::FromUtf8(s); }
std::string SectionName(int s) { return "Section" + std::to_string(s); }
std::string KeyName(int k) { return "Key" + std::to_string(k); }
std::string ValueOf(int s, int k) { return "value of key " + std::to_string(k) + " in section " + std::to_string(s); }

struct ReadSet {
    std::u16string file;
    std::vector<std::pair<std::u16string, std::u16string>> queries; // section, key
};

const ReadSet &Reads() {
    static const ReadSet set = [] {
        ReadSet r;
        const std::string path = Folder() + "large.ini";
        std::ofstream out(path, std::ios::binary);
        for (int s = 0; s < kSections; ++s) {
            out << "[" << SectionName(s) << "]\r\n";
            for (int k = 0; k < kKeysPerSection; ++k) out << KeyName(k) << "=" << ValueOf(s, k) << "\r\n";
        }
        out.close();
        r.file = U(path);
        std::mt19937 random(12345);
        for (int i = 0; i < kReads; ++i) {
            const int s = static_cast<int>(random() % kSections), k = static_cast<int>(random() % kKeysPerSection);
            r.queries.emplace_back(U(SectionName(s)), U(KeyName(k)));
        }
        // Measure lookups in a settled file, not the check of a file written a moment ago.
        usleep(50000);
        return r;
    }();
    return set;
}

// (a) 100,000 reads of random keys from a file of 5,000 keys.
void BM_IniRead100k(benchmark::State &state) {
    const ReadSet &r = Reads();
    char16_t buffer[256];
    for (auto _ : state) {
        uint64_t total = 0;
        for (const auto &[section, key] : r.queries)
            total += vk::ini::GetString(section.c_str(), key.c_str(), u"", buffer, 256, r.file.c_str());
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * kReads);
}
BENCHMARK(BM_IniRead100k)->Unit(benchmark::kMillisecond)->Repetitions(5);

// Baseline for (a): the same lookups in a plain hash map, copied out the same way.
void BM_MapRead100k(benchmark::State &state) {
    const ReadSet &r = Reads();
    std::unordered_map<std::u16string, std::u16string> map;
    for (int s = 0; s < kSections; ++s)
        for (int k = 0; k < kKeysPerSection; ++k) map[U(SectionName(s)) + u'\n' + U(KeyName(k))] = U(ValueOf(s, k));
    char16_t buffer[256];
    std::u16string lookup;
    for (auto _ : state) {
        uint64_t total = 0;
        for (const auto &[section, key] : r.queries) {
            lookup.assign(section);
            lookup += u'\n';
            lookup += key;
            const auto it = map.find(lookup);
            const size_t n = std::min<size_t>(it->second.size(), 255);
            std::copy_n(it->second.data(), n, buffer);
            buffer[n] = 0;
            total += n;
        }
        benchmark::DoNotOptimize(total);
        benchmark::DoNotOptimize(buffer);
    }
    state.SetItemsProcessed(state.iterations() * kReads);
}
BENCHMARK(BM_MapRead100k)->Unit(benchmark::kMillisecond)->Repetitions(5);

// (b) N writes of distinct keys into one new file, with the final flush.
void BM_IniWrites(benchmark::State &state) {
    const int n = static_cast<int>(state.range(0));
    std::vector<std::u16string> keys, values;
    for (int i = 0; i < n; ++i) {
        keys.push_back(U("Entry" + std::to_string(i)));
        values.push_back(U("some value number " + std::to_string(i)));
    }
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::u16string file = U(Folder() + "writes" + std::to_string(n) + "_" + std::to_string(round++) + ".ini");
        state.ResumeTiming();
        {
            vk::ini::Batch batch;
            for (int i = 0; i < n; ++i)
                vk::ini::WriteString(u"Settings", keys[i].c_str(), values[i].c_str(), file.c_str());
            if (!batch.Finish()) state.SkipWithError("flush failed");
        }
        state.PauseTiming();
        vk::ini::Forget(file.c_str());
        std::filesystem::remove(vk::text::ToUtf8(file));
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_IniWrites)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Repetitions(5);

// (c) AddNumberedEntry of 1,000 distinct entries into one list, with the final flush.
void BM_AddNumberedEntry1000(benchmark::State &state) {
    std::vector<std::u16string> values;
    for (int i = 0; i < 1000; ++i) values.push_back(U("C:\\Archive\\backup" + std::to_string(i) + ".conf.vkb"));
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::u16string file = U(Folder() + "numbered" + std::to_string(round++) + ".ini");
        state.ResumeTiming();
        {
            vk::ini::Batch batch;
            for (const auto &v : values) vk::lib::AddNumberedEntry(u"History", v.c_str(), file.c_str());
            if (!batch.Finish()) state.SkipWithError("flush failed");
        }
        state.PauseTiming();
        vk::ini::Forget(file.c_str());
        std::filesystem::remove(vk::text::ToUtf8(file));
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_AddNumberedEntry1000)->Unit(benchmark::kMillisecond)->Repetitions(5);

// The durable-write figures share their data: a source file whose section
// "P-Src" holds N keys (one call copies it whole) and whose sections "P-0" ..
// "P-<N-1>" hold one key each (N calls copy one each into the same file).
struct DurableSet {
    std::u16string source;
    std::string oneCallBytes;                // the destination after the one call
    std::vector<std::string> separateBytes; // the destination after each separate call
};

const DurableSet &Durable(int n) {
    static std::map<int, DurableSet> sets;
    auto it = sets.find(n);
    if (it != sets.end()) return it->second;
    DurableSet d;
    const std::string path = Folder() + "durable_source" + std::to_string(n) + ".ini";
    std::string text = "[P-Src]\r\n";
    for (int i = 0; i < n; ++i) text += KeyName(i) + "=" + ValueOf(0, i) + "\r\n";
    std::string grown;
    for (int i = 0; i < n; ++i) {
        const std::string section = "[P-" + std::to_string(i) + "]\r\n" + KeyName(i) + "=" + ValueOf(0, i) + "\r\n";
        text += section;
        grown += section;
        d.separateBytes.push_back(grown);
    }
    std::ofstream(path, std::ios::binary) << text;
    d.source = U(path);
    d.oneCallBytes = "[P-Dst]\r\n";
    for (int i = 0; i < n; ++i) d.oneCallBytes += KeyName(i) + "=" + ValueOf(0, i) + "\r\n";
    return sets.emplace(n, std::move(d)).first->second;
}

std::u16string FreshFile(const char *what, int n, int round) {
    return U(Folder() + what + std::to_string(n) + "_" + std::to_string(round) + ".ini");
}

void DropFile(const std::u16string &file) {
    vk::ini::Forget(file.c_str());
    std::filesystem::remove(vk::text::ToUtf8(file));
}

// N keys through one exported call.
void BM_OneCallWrites(benchmark::State &state) {
    const int n = static_cast<int>(state.range(0));
    const DurableSet &d = Durable(n);
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::u16string file = FreshFile("onecall", n, round++);
        state.ResumeTiming();
        if (XferIniKey(u"P", u"Src", d.source.c_str(), u"Dst", file.c_str()) != 0) state.SkipWithError("write failed");
        state.PauseTiming();
        if (vk::text::ToUtf8(file).empty() || std::filesystem::file_size(vk::text::ToUtf8(file)) != d.oneCallBytes.size())
            state.SkipWithError("unexpected file");
        DropFile(file);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_OneCallWrites)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Repetitions(5);

// Baseline: the resulting file written durably once by plain code.
void BM_OneCallBaseline(benchmark::State &state) {
    const int n = static_cast<int>(state.range(0));
    const DurableSet &d = Durable(n);
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::u16string file = FreshFile("onebase", n, round++);
        state.ResumeTiming();
        if (!vk::fs::WriteAtomic(file, d.oneCallBytes)) state.SkipWithError("write failed");
        state.PauseTiming();
        DropFile(file);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_OneCallBaseline)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Repetitions(5);

// N keys through N exported calls, each on disk when it returns.
void BM_SeparateCallWrites(benchmark::State &state) {
    const int n = static_cast<int>(state.range(0));
    const DurableSet &d = Durable(n);
    std::vector<std::u16string> names;
    for (int i = 0; i < n; ++i) names.push_back(U(std::to_string(i)));
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::u16string file = FreshFile("separate", n, round++);
        state.ResumeTiming();
        for (int i = 0; i < n; ++i)
            if (XferIniKey(u"P", names[i].c_str(), d.source.c_str(), names[i].c_str(), file.c_str()) != 0)
                state.SkipWithError("write failed");
        state.PauseTiming();
        if (std::filesystem::file_size(vk::text::ToUtf8(file)) != d.separateBytes.back().size())
            state.SkipWithError("unexpected file");
        DropFile(file);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * n);
}
// 10,000 durable replacements of a file that grows to 400 KB take minutes on a
// busy disk: that size runs once.
BENCHMARK(BM_SeparateCallWrites)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_SeparateCallWrites)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

// Baseline: the same N files, each written durably by plain code.
void BM_SeparateCallBaseline(benchmark::State &state) {
    const int n = static_cast<int>(state.range(0));
    const DurableSet &d = Durable(n);
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::u16string file = FreshFile("separatebase", n, round++);
        state.ResumeTiming();
        for (int i = 0; i < n; ++i)
            if (!vk::fs::WriteAtomic(file, d.separateBytes[i])) state.SkipWithError("write failed");
        state.PauseTiming();
        DropFile(file);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_SeparateCallBaseline)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_SeparateCallBaseline)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

// Keeps each run's time per iteration for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &r : runs) {
            if (r.error_occurred) continue;
            const std::string name = r.run_name.function_name + (r.run_name.args.empty() ? "" : "/" + r.run_name.args);
            // The median of the repetitions; a figure measured once stands for itself.
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median") {
                times[name] = r.GetAdjustedRealTime();
                medians.insert(name);
            } else if (r.run_type == Run::RT_Iteration && !medians.count(name)) {
                times[name] = r.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times; // medians, in each run's time unit (ms here)
    std::set<std::string> medians;
};

} // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::filesystem::remove_all(Folder());

    int status = 0;
    const auto &t = reporter.times;
    if (t.count("BM_IniRead100k") && t.count("BM_MapRead100k")) {
        std::printf("reads: %.3f ms per 100,000 (%.0f ns each); plain hash map %.3f ms; ratio %.1f\n",
                    t.at("BM_IniRead100k"), t.at("BM_IniRead100k") * 1e6 / kReads, t.at("BM_MapRead100k"),
                    t.at("BM_IniRead100k") / t.at("BM_MapRead100k"));
    }
    if (t.count("BM_IniWrites/1000") && t.count("BM_IniWrites/10000")) {
        const double ratio = t.at("BM_IniWrites/10000") / t.at("BM_IniWrites/1000");
        std::printf("writes: 1,000 in %.3f ms, 10,000 in %.3f ms; ratio 10k/1k %.2f (limit 12): %s\n",
                    t.at("BM_IniWrites/1000"), t.at("BM_IniWrites/10000"), ratio, ratio <= 12 ? "linear" : "TOO SLOW");
        if (ratio > 12) status = 2;
    }
    auto durable = [&](const char *what, const std::string &engine, const std::string &base) {
        const std::string e1 = engine + "/1000", e10 = engine + "/10000";
        const std::string b1 = base + "/1000", b10 = base + "/10000";
        if (!t.count(e1) || !t.count(e10) || !t.count(b1) || !t.count(b10)) return;
        std::printf("%s: 1,000 keys %.3f ms (baseline %.3f ms, ratio %.2f); 10,000 keys %.3f ms (baseline %.3f ms, "
                    "ratio %.2f); 10k/1k %.1f (baseline %.1f)\n",
                    what, t.at(e1), t.at(b1), t.at(e1) / t.at(b1), t.at(e10), t.at(b10), t.at(e10) / t.at(b10),
                    t.at(e10) / t.at(e1), t.at(b10) / t.at(b1));
    };
    durable("one exported call", "BM_OneCallWrites", "BM_OneCallBaseline");
    durable("separate calls", "BM_SeparateCallWrites", "BM_SeparateCallBaseline");
    if (t.count("BM_AddNumberedEntry1000") && t.count("BM_IniWrites/1000"))
        std::printf("AddNumberedEntry: 1,000 entries in %.3f ms; 1,000 plain writes %.3f ms; ratio %.1f\n",
                    t.at("BM_AddNumberedEntry1000"), t.at("BM_IniWrites/1000"),
                    t.at("BM_AddNumberedEntry1000") / t.at("BM_IniWrites/1000"));
    return status;
}
