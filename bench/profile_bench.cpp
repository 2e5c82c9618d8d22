// The numbered-list helper against plain ini writes: AddNumberedEntry for
// 1,000 entries into one file (each walks the list from key 1), and as the
// baseline 1,000 writes of distinct keys into one file; both include the final
// flush to disk. Prints the ratio of the two.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#include "common/format.h"
#include "lib/services/profile.h"
#include "platform/fs/fs.h"
#include "platform/ini/ini.h"

namespace {

constexpr int kEntries = 1000;

std::u16string g_folder;
int g_fileCounter = 0;

std::u16string NextFile() {
    char16_t name[32];
    vk::FormatBounded(name, 32, u"bench%d.ini", ++g_fileCounter);
    return g_folder + name;
}

void BM_PlainWrites(benchmark::State &state) {
    for (auto _ : state) {
        const std::u16string file = NextFile();
        char16_t key[32], value[32];
        for (int i = 1; i <= kEntries; ++i) {
            vk::FormatBounded(key, 32, u"Key%d", i);
            vk::FormatBounded(value, 32, u"Value number %d", i);
            vk::ini::WriteString(u"List", key, value, file.c_str());
        }
        vk::ini::Flush(file.c_str());
        state.PauseTiming();
        vk::fs::DeleteFile(file);
        state.ResumeTiming();
    }
}

void BM_AddNumberedEntry(benchmark::State &state) {
    for (auto _ : state) {
        const std::u16string file = NextFile();
        char16_t value[32];
        for (int i = 1; i <= kEntries; ++i) {
            vk::FormatBounded(value, 32, u"Value number %d", i);
            vk::lib::AddNumberedEntry(u"List", value, file.c_str());
        }
        vk::ini::Flush(file.c_str());
        state.PauseTiming();
        vk::fs::DeleteFile(file);
        state.ResumeTiming();
    }
}

BENCHMARK(BM_PlainWrites)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddNumberedEntry)->Unit(benchmark::kMillisecond);

// Console output as usual, and the real time of each benchmark kept.
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &run : runs) realTime[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> realTime;
};

} // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    g_folder = vk::fs::MakeUniqueFolder(vk::fs::TempDirectory(), u"vkbench");
    if (g_folder.empty()) {
        std::fprintf(stderr, "cannot create a work folder\n");
        return 1;
    }
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto plain = reporter.realTime.find("BM_PlainWrites");
    const auto numbered = reporter.realTime.find("BM_AddNumberedEntry");
    if (plain != reporter.realTime.end() && numbered != reporter.realTime.end() && plain->second > 0)
        std::printf("AddNumberedEntry x%d / plain writes x%d: %.1f\n", kEntries, kEntries,
                    numbered->second / plain->second);
    vk::fs::RemoveTree(g_folder);
    benchmark::Shutdown();
    return 0;
}
