// The registry source on Windows: the live registry, unless VAULTKEEP_REGISTRY
// names an export file (tests and relocated installations run unchanged on
// both systems).
#include <vector>

#include "platform/fs/fs.h"
#include "platform/registry/registry.h"
#include "platform/text/text.h"
#include "platform/win/win32.h"

namespace vk::registry {

namespace {

std::u16string EnvironmentValue(const wchar_t *name) {
    const DWORD n = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (n == 0) return {};
    std::wstring value(n, L'\0');
    const DWORD got = ::GetEnvironmentVariableW(name, value.data(), n);
    value.resize(got < n ? got : 0);
    return vk::win::FromWide(value);
}

HKEY RootKey(std::u16string_view name) {
    struct Root {
        const char16_t *longName, *shortName;
        HKEY key;
    };
    static const Root roots[] = {
        {u"HKEY_LOCAL_MACHINE", u"HKLM", HKEY_LOCAL_MACHINE}, {u"HKEY_CURRENT_USER", u"HKCU", HKEY_CURRENT_USER},
        {u"HKEY_CLASSES_ROOT", u"HKCR", HKEY_CLASSES_ROOT},   {u"HKEY_USERS", u"HKU", HKEY_USERS},
    };
    for (const Root &r : roots)
        if (vk::text::EqualNoCase(name, r.longName) || vk::text::EqualNoCase(name, r.shortName)) return r.key;
    return nullptr;
}

RegValue::Type TypeOf(DWORD type) {
    switch (type) {
    case REG_SZ: return RegValue::Type::String;
    case REG_EXPAND_SZ: return RegValue::Type::ExpandString;
    case REG_MULTI_SZ: return RegValue::Type::MultiString;
    case REG_DWORD: return RegValue::Type::Dword;
    case REG_BINARY: return RegValue::Type::Binary;
    default: return RegValue::Type::Other;
    }
}

// Reads every value of an open key into the snapshot. Text values may be
// stored without their NUL: the text stops at the first NUL or the data's end.
void ReadValues(HKEY h, RegKey &key) {
    DWORD count = 0, maxName = 0, maxData = 0;
    if (::RegQueryInfoKeyW(h, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &maxName, &maxData,
                           nullptr, nullptr) != ERROR_SUCCESS)
        return;
    std::vector<wchar_t> name(maxName + 2);
    std::vector<BYTE> data(maxData + 2);
    for (DWORD i = 0; i < count; ++i) {
        DWORD nameLen = static_cast<DWORD>(name.size());
        DWORD dataLen = static_cast<DWORD>(data.size());
        DWORD type = 0;
        const LONG rc = ::RegEnumValueW(h, i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen);
        if (rc != ERROR_SUCCESS) continue;
        RegValue v;
        v.name = vk::win::FromWide(std::wstring_view(name.data(), nameLen));
        v.type = TypeOf(type);
        v.byteSize = dataLen;
        if (v.type == RegValue::Type::String || v.type == RegValue::Type::ExpandString ||
            v.type == RegValue::Type::MultiString) {
            const size_t units = dataLen / 2;
            std::u16string text(units, u'\0');
            for (size_t k = 0; k < units; ++k)
                text[k] = static_cast<char16_t>(data[2 * k] | (data[2 * k + 1] << 8));
            const size_t nul = text.find(u'\0');
            if (nul != std::u16string::npos) text.resize(nul);
            // A value stored without its NUL still needs room for one.
            if (nul == std::u16string::npos) v.byteSize = (text.size() + 1) * 2;
            v.text = std::move(text);
        } else {
            v.data.assign(data.begin(), data.begin() + dataLen);
        }
        key.values.push_back(std::move(v));
    }
}

} // namespace

std::u16string SourcePath() {
    const std::u16string file = EnvironmentValue(L"VAULTKEEP_REGISTRY");
    return file; // "" means the system's own registry
}

bool OpenKey(std::u16string_view keyPath, RegKey &key) {
    key = RegKey{};
    const std::u16string file = SourcePath();
    if (!file.empty()) {
        std::string bytes;
        if (!vk::fs::ReadWhole(file, bytes)) return false;
        return OpenKeyIn(bytes, keyPath, key);
    }
    const size_t cut = keyPath.find(u'\\');
    const HKEY root = RootKey(keyPath.substr(0, cut));
    if (!root) return false;
    const std::wstring sub = cut == std::u16string_view::npos ? std::wstring() : vk::win::Wide(keyPath.substr(cut + 1));
    HKEY h = nullptr;
    // HKLM\SYSTEM is the same for 32- and 64-bit programs (not redirected).
    if (::RegOpenKeyExW(root, sub.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    ReadValues(h, key);
    ::RegCloseKey(h);
    key.path = std::u16string(keyPath);
    return true;
}

} // namespace vk::registry
