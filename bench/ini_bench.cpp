// Ini engine figures: random reads from a large file (against a plain hash
// map lookup of the same keys), runs of writes to one file including the
// final flush (10,000 writes must cost at most 12 times 1,000 writes), and
// numbered-list appends through the profile layer.
//
// Run: build/bin/ini_bench. The ratios are printed after the table.
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "lib/services/profile.h"
#include "platform/ini/ini.h"
#include "platform/text/text.h"

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
BENCHMARK(BM_IniRead100k)->Unit(benchmark::kMillisecond);

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
BENCHMARK(BM_MapRead100k)->Unit(benchmark::kMillisecond);

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
        for (int i = 0; i < n; ++i)
            vk::ini::WriteString(u"Settings", keys[i].c_str(), values[i].c_str(), file.c_str());
        if (!vk::ini::Flush(file.c_str())) state.SkipWithError("flush failed");
        state.PauseTiming();
        vk::ini::Forget(file.c_str());
        std::filesystem::remove(vk::text::ToUtf8(file));
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_IniWrites)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// (c) AddNumberedEntry of 1,000 distinct entries into one list, with the final flush.
void BM_AddNumberedEntry1000(benchmark::State &state) {
    std::vector<std::u16string> values;
    for (int i = 0; i < 1000; ++i) values.push_back(U("C:\\Archive\\backup" + std::to_string(i) + ".conf.vkb"));
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::u16string file = U(Folder() + "numbered" + std::to_string(round++) + ".ini");
        state.ResumeTiming();
        for (const auto &v : values) vk::lib::AddNumberedEntry(u"History", v.c_str(), file.c_str());
        if (!vk::ini::Flush(file.c_str())) state.SkipWithError("flush failed");
        state.PauseTiming();
        vk::ini::Forget(file.c_str());
        std::filesystem::remove(vk::text::ToUtf8(file));
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_AddNumberedEntry1000)->Unit(benchmark::kMillisecond);

// Keeps each run's time per iteration for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred)
                times[r.benchmark_name()] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times; // in each run's time unit (ms here)
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
    if (t.count("BM_AddNumberedEntry1000") && t.count("BM_IniWrites/1000"))
        std::printf("AddNumberedEntry: 1,000 entries in %.3f ms; 1,000 plain writes %.3f ms; ratio %.1f\n",
                    t.at("BM_AddNumberedEntry1000"), t.at("BM_IniWrites/1000"),
                    t.at("BM_AddNumberedEntry1000") / t.at("BM_IniWrites/1000"));
    return status;
}
