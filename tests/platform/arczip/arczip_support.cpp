#include "tests/platform/arczip/arczip_support.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "platform/fs/fs.h"
#include "platform/text/text.h"
#include "tests/support/test_support.h"

namespace vk::arctest {

namespace fs = std::filesystem;

int Recorder::Count(int event) const {
    int n = 0;
    for (const Event &e : events) n += e.event == event ? 1 : 0;
    return n;
}

std::vector<std::string> Recorder::Texts(int event) const {
    std::vector<std::string> texts;
    for (const Event &e : events) {
        if (e.event == event) texts.push_back(e.text);
    }
    return texts;
}

int RecordEvent(int event, void *context, intptr_t value) {
    Recorder *recorder = static_cast<Recorder *>(context);
    Event e;
    e.event = event;
    if (event == ARC_EVENT_START) e.number = value;
    else e.text = vk::text::ToUtf8(vk::text::View(reinterpret_cast<const char16_t *>(value)));
    recorder->events.push_back(e);
    return recorder->answer ? recorder->answer(e) : 1;
}

Job::Job(const std::string &archivePath, const std::string &destinationPath)
    : archive(vk::test::U(archivePath)), destination(vk::test::U(destinationPath)) {
    request.word[ARC_WORD_ARCHIVE] = reinterpret_cast<intptr_t>(archive.c_str());
    if (!destinationPath.empty()) request.word[ARC_WORD_DESTINATION] = reinterpret_cast<intptr_t>(destination.c_str());
    request.word[ARC_WORD_CALLBACK] = reinterpret_cast<intptr_t>(&RecordEvent);
    request.word[ARC_WORD_CONTEXT] = reinterpret_cast<intptr_t>(&recorder);
    request.word[ARC_WORD_CANCEL] = reinterpret_cast<intptr_t>(&cancel);
}

bool Job::Zip(const std::string &folder) {
    opened = ArcCreate(&request) != 0;
    if (!opened) return false;
    const std::u16string ufolder = vk::test::U(folder);
    const bool added = ArcAddFolder(&request, ufolder.c_str()) != 0;
    const bool finished = ArcFinish(&request) != 0;
    return added && finished;
}

bool Job::Unzip() {
    opened = ArcOpen(&request) != 0;
    if (!opened) return false;
    const bool extracted = ArcExtractAll(&request) != 0;
    ArcClose(&request);
    return extracted;
}




int Python(const std::string &script, const std::vector<std::string> &args, std::string *output) {
    vk::test::TempFolder scratch;
    const std::string path = scratch.file("script.py");
    vk::test::WriteFile(path, script);
    std::string command = "python3 " + Quote(path);
    for (const std::string &a : args) {
        command += ' ';
        command += Quote(a);
    }
    return Shell(command, output);
}

std::string TextData(size_t size, unsigned seed) {
    static const char *const words[] = {"Tool", "Depth", "Gamma", "Neutron", "Caliper", "Resistivity", "=", "1.25",
                                        "[Section]", "\r\n", "Offset", "0", "Serial", "4711", "Model", "; note"};
    std::mt19937 rng(seed);
    std::string data;
    while (data.size() < size) {
        data += words[rng() % 16];
        data += ' ';
    }
    data.resize(size);
    return data;
}

std::string RandomData(size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    std::string data(size, '\0');
    for (char &c : data) c = static_cast<char>(rng() & 0xFF);
    return data;
}

std::vector<std::string> FilesStartingWith(const std::string &folder, const std::string &prefix) {
    std::vector<std::string> found;
    std::error_code ec;
    for (const auto &entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0) found.push_back(name);
    }
    return found;
}

void SetMtime(const std::string &path, int64_t unixSeconds) {
    // Through the platform layer, which sets a folder's time on Windows too.
    constexpr uint64_t kEpochTicks = 116444736000000000ULL; // 1601 -> 1970 in 100 ns
    if (!vk::fs::SetWriteTime(vk::test::U(path), kEpochTicks + static_cast<uint64_t>(unixSeconds) * 10'000'000ULL))
        throw std::runtime_error("cannot set the write time of " + path);
}

int64_t Mtime(const std::string &path) {
    const auto sys = std::chrono::file_clock::to_sys(fs::last_write_time(vk::test::FsPath(path)));
    return std::chrono::duration_cast<std::chrono::seconds>(sys.time_since_epoch()).count();
}

} // namespace vk::arctest
