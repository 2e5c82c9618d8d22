// Generated file sets for the benchmarks: settings-like text and
// database-like binary records, written into a private temporary folder.
#pragma once

#include <cstddef>
#include <random>
#include <string>

namespace vk::bench {

// A new folder under the temporary folder for one benchmark program, made on
// first use (path ends in '/').
const std::string &BenchFolder(const char16_t *prefix);
void WriteBytes(const std::string &path, const std::string &data);
// Text like the host's settings: sections, keys, numbers.
std::string ConfigText(size_t size, std::mt19937 &rng);
// Binary records like a well database: depth steps, slowly varying curves and noise.
std::string DatabaseBytes(size_t size, std::mt19937 &rng);

} // namespace vk::bench
