// The registry source: read-only access to keys and string values kept in a
// registry export file (the text format of the Windows registry editor).
//
// Both export formats are read: "Windows Registry Editor Version 5.00"
// (normally UTF-16LE with a byte-order mark) and "REGEDIT4" (single-byte or
// UTF-8). The file is the one named by the environment variable
// VAULTKEEP_REGISTRY, else /etc/vaultkeep/registry.reg. A missing or empty file,
// or one in another format, holds no keys: every OpenKey fails, as for a key
// that is not in the registry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vk::registry {

// One value as the file gives it.
struct RegValue {
    enum class Type { String, ExpandString, MultiString, Dword, Binary, Other };
    std::u16string name;      // "" for the default value (@)
    Type type = Type::String;
    std::u16string text;      // String, ExpandString, MultiString (first string)
    std::vector<uint8_t> data; // raw bytes for the other types
    size_t byteSize = 0;       // size of the value as stored (UTF-16 text with its NULs)
};

// An open key: a snapshot of its values taken when it was opened.
struct RegKey {
    std::u16string path;
    std::vector<RegValue> values;
};

// The export file in use: $VAULTKEEP_REGISTRY, else /etc/vaultkeep/registry.reg.
std::u16string SourcePath();

// Opens a key by its full path, root included ("HKEY_LOCAL_MACHINE\\System\\...";
// the short root names HKLM, HKCU, HKCR, HKU are accepted). Names compare
// without regard to letter case. False when the key is not in the file.
bool OpenKey(std::u16string_view keyPath, RegKey &key);
// The same, from the given export file text (tests, other sources).
bool OpenKeyIn(std::string_view fileBytes, std::u16string_view keyPath, RegKey &key);

// Reads a string value. The limit is the caller's buffer in bytes, as UTF-16
// with its terminating NUL: a value that needs more counts as missing (false),
// like a value of a type that holds no text (dword, binary).
bool QueryString(const RegKey &key, std::u16string_view name, std::u16string &value, size_t limitBytes);

} // namespace vk::registry
