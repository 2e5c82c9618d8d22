// Helpers of the archive library tests: requests with an event recorder,
// whole zip and unzip runs, tree snapshots and external tools.
#pragma once

#include "tests/support/test_support.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "arczip32/arczip32.h"

namespace vk::arctest {

struct Event {
    int event = 0;
    intptr_t number = 0; // event 0
    std::string text;    // the other events
};

// Records every event; `answer` (when set) decides the callback's result.
struct Recorder {
    std::vector<Event> events;
    std::function<int(const Event &)> answer;

    int Count(int event) const;
    std::vector<std::string> Texts(int event) const;
};

int RecordEvent(int event, void *context, intptr_t value);

// One request with the strings it points at. Not movable: the request holds
// pointers into the object.
struct Job {
    std::u16string archive;
    std::u16string destination;
    Recorder recorder;
    int32_t cancel = 0;
    ArchiveRequest request{};

    explicit Job(const std::string &archivePath, const std::string &destinationPath = std::string());
    Job(const Job &) = delete;
    Job &operator=(const Job &) = delete;

    // The call sequences as the engine makes them: 2, 8, 4 (4 whenever 2
    // succeeded) and 5, 6, 7 (7 whenever 5 succeeded).
    bool Zip(const std::string &folder);
    bool Unzip();
    bool opened = false; // result of the last ordinal 2 or 5
};

using vk::test::Quote;
using vk::test::Shell;
using vk::test::Snapshot;

// Runs a Python 3 script with arguments (each quoted).
int Python(const std::string &script, const std::vector<std::string> &args, std::string *output = nullptr);

// Deterministic test data.
std::string TextData(size_t size, unsigned seed);
std::string RandomData(size_t size, unsigned seed);

// Files whose names start with `prefix` directly in `folder`.
std::vector<std::string> FilesStartingWith(const std::string &folder, const std::string &prefix);

void SetMtime(const std::string &path, int64_t unixSeconds);
int64_t Mtime(const std::string &path);

} // namespace vk::arctest
