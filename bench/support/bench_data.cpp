#include "bench/support/bench_data.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/fs/fs.h"
#include "platform/text/text.h"

namespace vk::bench {

namespace fs = std::filesystem;

const std::string &BenchFolder(const char16_t *prefix) {
    static const std::string folder = [prefix] {
        const std::u16string made = vk::fs::MakeUniqueFolder(vk::fs::TempDirectory(), prefix);
        if (made.empty()) std::abort();
        return vk::text::ToUtf8(made);
    }();
    return folder;
}

void WriteBytes(const std::string &path, const std::string &data) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
}

std::string ConfigText(size_t size, std::mt19937 &rng) {
    static const char *const keys[] = {"Serial", "Model", "Offset", "Gain", "Depth", "Caliper", "Filter",
                                       "Units", "Color", "Printer", "Threshold", "Curve", "Track", "Scale"};
    std::string text;
    int section = 0;
    while (text.size() < size) {
        if (rng() % 12 == 0) text += "\r\n[Section" + std::to_string(section++) + "]\r\n";
        text += keys[rng() % 14];
        text += std::to_string(rng() % 40) + "=" + std::to_string(rng() % 100000) + "." +
                std::to_string(rng() % 1000) + ",";
        text += keys[rng() % 14];
        text += "\r\n";
    }
    text.resize(size);
    return text;
}

std::string DatabaseBytes(size_t size, std::mt19937 &rng) {
    std::string data(size, '\0');
    double value = 1000.0;
    for (size_t i = 0; i + 16 <= size; i += 16) {
        const uint32_t depth = static_cast<uint32_t>(i / 16);
        value += static_cast<double>(static_cast<int>(rng() % 200) - 100) * 0.01;
        const float curve = static_cast<float>(value);
        const uint32_t flags = rng() % 4;
        const uint32_t noise = rng() & 0xFFFF;
        std::memcpy(&data[i], &depth, 4);
        std::memcpy(&data[i + 4], &curve, 4);
        std::memcpy(&data[i + 8], &flags, 4);
        std::memcpy(&data[i + 12], &noise, 4);
    }
    return data;
}

} // namespace vk::bench
