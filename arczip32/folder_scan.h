// The walk of the folder to be zipped.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vk::arc {

// One file or empty folder to be stored.
struct SourceItem {
    std::filesystem::path path;  // where to read it
    std::string name;            // entry name: UTF-8, '/'-separated, folders without the final '/'
    std::u16string eventName;    // the name for the events (folders with the final '/')
    bool directory = false;
    uint32_t permissions = 0644; // the file's permission bits
    uint64_t size = 0;           // as seen by the walk; the stored size is what is read
    int64_t mtime = 0;           // Unix seconds
};

// Lists every regular file below `folder`, recursively, and every folder in
// which nothing is stored; the names of each folder in byte order, a
// subfolder's items at the place of the subfolder. Symbolic links are neither
// followed nor stored; devices, pipes and sockets are left out. Returns false
// when `folder` or one of its subfolders cannot be read. The file `skip` (the
// archive being written, should it lie inside the folder) is left out too.
bool ScanFolder(const std::filesystem::path &folder, const std::filesystem::path &skip,
                std::vector<SourceItem> &items);

} // namespace vk::arc
