// Runs the recorded answers of a Windows reader (tests/platform/ini/vectors,
// see regenerate.py there) against the engine: the same queries on a copy of
// the same file must fill the buffer the same way and give the same result.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/ini/ini.h"
#include "tests/support/test_support.h"

namespace {

using vk::test::N;
using vk::test::U;

const std::string kVectors = std::string(VK_SOURCE_DIR) + "/tests/platform/ini/vectors/";

std::vector<std::string> VectorNames() {
    std::vector<std::string> names;
    if (DIR *d = opendir(kVectors.c_str())) {
        while (const dirent *e = readdir(d)) {
            const std::string n = e->d_name;
            if (n.size() > 4 && n.compare(n.size() - 4, 4, ".txt") == 0) names.push_back(n.substr(0, n.size() - 4));
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> Split(const std::string &line) {
    std::vector<std::string> out;
    size_t i = 0;
    for (;;) {
        const size_t t = line.find('\t', i);
        out.push_back(line.substr(i, t == std::string::npos ? std::string::npos : t - i));
        if (t == std::string::npos) return out;
        i = t + 1;
    }
}

struct Arg {
    bool null = false;
    std::u16string text;
    const char16_t *get() const { return null ? nullptr : text.c_str(); }
};

Arg ArgOf(const std::string &field) {
    Arg a;
    if (field == "-") {
        a.null = true;
        return a;
    }
    std::string s = field;
    for (size_t p; (p = s.find("\\0")) != std::string::npos;) s.replace(p, 2, std::string(1, '\0'));
    a.text = U(s);
    return a;
}

std::string Show(const char16_t *buffer, size_t count) {
    std::string out;
    for (size_t i = 0; i < count; ++i) out += buffer[i] == u'\0' ? std::string("\\0") : N(std::u16string(1, buffer[i]));
    return out;
}

// What the engine answers, in the form the oracle prints.
std::string Answer(const std::vector<std::string> &f, const std::u16string &file) {
    const std::string &cmd = f[0];
    if (cmd == "getb" && f.size() >= 5) {
        const uint32_t size = static_cast<uint32_t>(std::stoul(f[4]));
        std::vector<char16_t> buffer(size + 2, u'#');
        const Arg s = ArgOf(f[1]), k = ArgOf(f[2]), d = ArgOf(f[3]);
        const uint32_t r = vk::ini::GetString(s.get(), k.get(), d.get(), size ? buffer.data() : nullptr, size,
                                              file.c_str());
        return "getb " + std::to_string(r) + " " + Show(buffer.data(), size + 1);
    }
    if (cmd == "int" && f.size() >= 4) {
        const Arg s = ArgOf(f[1]), k = ArgOf(f[2]);
        const int32_t r = vk::ini::GetInt(s.get(), k.get(), std::stoi(f[3]), file.c_str());
        return "int " + std::to_string(static_cast<uint32_t>(r));
    }
    if (cmd == "set" && f.size() >= 4) {
        const Arg s = ArgOf(f[1]), k = ArgOf(f[2]), v = ArgOf(f[3]);
        return std::string("set ") + (vk::ini::WriteString(s.get(), k.get(), v.get(), file.c_str()) ? "1" : "0");
    }
    if (cmd == "sec" && f.size() >= 3) {
        const Arg s = ArgOf(f[1]), l = ArgOf(f[2]);
        return std::string("sec ") + (vk::ini::WriteSection(s.get(), l.get(), file.c_str()) ? "1" : "0");
    }
    return "bad query";
}

class IniVectors : public testing::TestWithParam<std::string> {};

TEST_P(IniVectors, AnswersAsRecorded) {
    const std::string name = GetParam();
    vk::test::TempFolder dir;
    vk::test::WriteFile(dir.file(name + ".ini"), vk::test::ReadFile(kVectors + name + ".ini"));
    const std::u16string file = dir.ufile(name + ".ini");

    std::ifstream in(kVectors + name + ".txt", std::ios::binary);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);

    int checked = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string &q = lines[i];
        if (q.empty() || q[0] == '#' || q[0] == '>' || q[0] == '!') continue;
        // The expected answer: "!" (ours, where we differ on purpose) over ">" (the oracle's).
        std::string expected;
        for (size_t j = i + 1; j < lines.size(); ++j) {
            const std::string &a = lines[j];
            if (a.empty() || (a[0] != '#' && a[0] != '>' && a[0] != '!')) break;
            if (a[0] == '!' || (a[0] == '>' && expected.empty())) expected = a.substr(2);
            if (a[0] == '!') break;
        }
        ASSERT_FALSE(expected.empty()) << name << ".txt line " << i + 1 << " has no answer";
        EXPECT_EQ(Answer(Split(q), file), expected) << name << ".txt line " << i + 1 << ": " << q;
        ++checked;
    }
    EXPECT_GT(checked, 0);
    vk::ini::Forget(file.c_str());
}

INSTANTIATE_TEST_SUITE_P(Recorded, IniVectors, testing::ValuesIn(VectorNames()),
                         [](const testing::TestParamInfo<std::string> &info) { return info.param; });

} // namespace
