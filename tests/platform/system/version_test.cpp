// File versions: the ini key first, the PE version resource second, and
// hostile PE files that must neither crash nor read out of bounds.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "platform/version/version.h"
#include "tests/support/test_support.h"

using namespace vk::version;
using vk::test::TempFolder;
using vk::test::WriteFile;

namespace {

void Put16(std::string &b, size_t at, uint32_t v) {
    if (b.size() < at + 2) b.resize(at + 2);
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string &b, size_t at, uint32_t v) {
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}

struct PeLayout {
    size_t resourceRoot = 0; // file offset of the resource directory
    size_t fixedInfo = 0;    // file offset of VS_FIXEDFILEINFO
};

// A minimal PE file with one ".rsrc" section holding an RT_VERSION resource
// with the file version a.b.c.d.
std::string MakePe(bool plus, uint16_t a, uint16_t b, uint16_t c, uint16_t d, PeLayout *layout = nullptr) {
    std::string f(0x200, '\0');
    f[0] = 'M';
    f[1] = 'Z';
    const size_t pe = 0x80;
    Put32(f, 0x3C, pe);
    f.replace(pe, 4, std::string("PE\0\0", 4));
    const size_t coff = pe + 4;
    const uint32_t optSize = plus ? 240 : 224;
    Put16(f, coff, plus ? 0x8664 : 0x14C);
    Put16(f, coff + 2, 1);       // one section
    Put16(f, coff + 16, optSize);
    const size_t opt = coff + 20;
    Put16(f, opt, plus ? 0x20B : 0x10B);
    const size_t dirs = opt + (plus ? 112 : 96);
    Put32(f, opt + (plus ? 108 : 92), 16);
    Put32(f, dirs + 16, 0x1000); // resource directory RVA
    Put32(f, dirs + 20, 0x200);
    const size_t sec = opt + optSize;
    f.replace(sec, 5, ".rsrc");
    Put32(f, sec + 8, 0x200);  // virtual size
    Put32(f, sec + 12, 0x1000); // virtual address
    Put32(f, sec + 16, 0x200); // raw size
    Put32(f, sec + 20, 0x200); // raw pointer

    std::string r(0x200, '\0');
    // Type directory: one id entry, RT_VERSION -> subdirectory at 0x18.
    Put16(r, 14, 1);
    Put32(r, 16, 16);
    Put32(r, 20, 0x80000000u | 0x18);
    // Name directory: id 1 -> subdirectory at 0x30.
    Put16(r, 0x18 + 14, 1);
    Put32(r, 0x18 + 16, 1);
    Put32(r, 0x18 + 20, 0x80000000u | 0x30);
    // Language directory: 0x409 -> data entry at 0x48.
    Put16(r, 0x30 + 14, 1);
    Put32(r, 0x30 + 16, 0x409);
    Put32(r, 0x30 + 20, 0x48);
    // Data entry: RVA and size of VS_VERSIONINFO at 0x58.
    const size_t vi = 0x58;
    Put32(r, 0x48, 0x1000 + vi);
    Put32(r, 0x48 + 4, 92);
    Put16(r, vi, 92);
    Put16(r, vi + 2, 52);
    Put16(r, vi + 4, 0);
    const char16_t key[] = u"VS_VERSION_INFO";
    for (size_t i = 0; i < 16; ++i) Put16(r, vi + 6 + 2 * i, key[i]);
    const size_t fixed = vi + 40;
    Put32(r, fixed, 0xFEEF04BD);
    Put32(r, fixed + 4, 0x10000);
    Put32(r, fixed + 8, (static_cast<uint32_t>(a) << 16) | b);
    Put32(r, fixed + 12, (static_cast<uint32_t>(c) << 16) | d);
    f += r;
    if (layout) {
        layout->resourceRoot = 0x200;
        layout->fixedInfo = 0x200 + fixed;
    }
    return f;
}

std::u16string PeText(const std::string &bytes) {
    std::u16string text;
    return PeVersionTextFromBytes(bytes, text) ? text : u"<none>";
}

} // namespace

TEST(VersionText, FieldsSeparatorsAndLimits) {
    struct Case {
        std::u16string text;
        uint64_t version;
    } cases[] = {
        {u"1.2.3.4", 0x0001000200030004ULL},
        {u"1,2,3,4", 0x0001000200030004ULL},
        {u"1_2_3_4", 0x0001000200030004ULL},
        {u"7", 0x0007000000000000ULL},
        {u"7.1", 0x0007000100000000ULL},
        {u"2, 0, 1, 15", 0x000200000001000FULL},
        {u"1.2.3.4.5", 0x0001000200030004ULL},
        {u"v1.2", 0x0000000200000000ULL},
        {u"", 0},
        {u"abc", 0},
        {u"65535.65535.65535.65535", 0xFFFFFFFFFFFFFFFFULL},
        // A part above 16 bits never spills into the part above it.
        {u"1.65536.0.0", 0x0001000000000000ULL},
        {u"99999999999999999999.1", 0xFFFF000100000000ULL},
    };
    for (const Case &c : cases) EXPECT_EQ(ParseVersionText(c.text), c.version) << vk::test::N(c.text);
}

TEST(PeVersion, ReadsTheFixedFileVersion) {
    EXPECT_EQ(PeText(MakePe(false, 5, 4, 3, 2)), u"5.4.3.2");
    EXPECT_EQ(PeText(MakePe(true, 10, 0, 19045, 65535)), u"10.0.19045.65535");
}

TEST(PeVersion, TruncatedFilesGiveNoVersion) {
    const std::string pe = MakePe(false, 1, 2, 3, 4);
    for (size_t n = 0; n < pe.size(); ++n) {
        const std::u16string t = PeText(pe.substr(0, n));
        // Only a cut after the fixed information may still read it.
        if (t != u"<none>") {
            EXPECT_EQ(t, u"1.2.3.4") << n;
        }
    }
    EXPECT_EQ(PeText(pe.substr(0, 0x200)), u"<none>");
}

TEST(PeVersion, CorruptFilesNeverReadOutOfBounds) {
    PeLayout layout;
    const std::string pe = MakePe(true, 1, 2, 3, 4, &layout);
    // Every byte of the headers and the resource tree set to hostile values.
    for (size_t i = 0; i < layout.fixedInfo; ++i) {
        for (unsigned char v : {0x00, 0x7F, 0x80, 0xFF}) {
            std::string bad = pe;
            bad[i] = static_cast<char>(v);
            PeText(bad);
        }
    }
    // Random garbage behind a valid-looking start.
    std::mt19937 rng(11);
    for (int round = 0; round < 300; ++round) {
        std::string bad = pe;
        for (int k = 0; k < 8; ++k) bad[rng() % layout.fixedInfo] = static_cast<char>(rng());
        PeText(bad);
    }
    // Resource directories that point at themselves or far outside the file.
    std::string loop = pe;
    Put32(loop, layout.resourceRoot + 0x18 + 20, 0x80000000u | 0x18);
    EXPECT_EQ(PeText(loop), u"<none>");
    std::string far = pe;
    Put32(far, layout.resourceRoot + 0x48, 0x7FFFFFF0);
    EXPECT_EQ(PeText(far), u"<none>");
    std::string huge = pe;
    Put16(huge, layout.resourceRoot + 12, 0xFFFF);
    Put16(huge, layout.resourceRoot + 14, 0xFFFF);
    PeText(huge);
    std::string badSig = pe;
    Put32(badSig, layout.fixedInfo, 0x12345678);
    EXPECT_EQ(PeText(badSig), u"<none>");
    EXPECT_EQ(PeText("MZ"), u"<none>");
    EXPECT_EQ(PeText(std::string(4096, '\0')), u"<none>");
}

TEST(FileVersion, IniKeyFirstThenResourceThenNothing) {
    TempFolder tmp;
    WriteFile(tmp.file("units.ini"), "[Other]\r\nX=1\r\n[TalvernFileInfo]\r\nTalvernFileVersion=2,1_0.15\r\n");
    EXPECT_EQ(ReadFileVersion(tmp.ufile("units.ini")), 0x000200010000000FULL);

    WriteFile(tmp.file("tool.dll"), MakePe(false, 3, 0, 7, 1));
    EXPECT_EQ(ReadFileVersion(tmp.ufile("tool.dll")), 0x0003000000070001ULL);

    // A PE file that also carries the ini key: the key wins.
    WriteFile(tmp.file("both.dll"),
              MakePe(false, 3, 0, 7, 1) + "\r\n[TalvernFileInfo]\r\nTalvernFileVersion=9.8.7.6\r\n");
    EXPECT_EQ(ReadFileVersion(tmp.ufile("both.dll")), 0x0009000800070006ULL);

    WriteFile(tmp.file("plain.txt"), "no version here");
    EXPECT_EQ(ReadFileVersion(tmp.ufile("plain.txt")), 0u);
    WriteFile(tmp.file("empty.ini"), "[TalvernFileInfo]\r\nTalvernFileVersion=\r\n");
    EXPECT_EQ(ReadFileVersion(tmp.ufile("empty.ini")), 0u);
    EXPECT_EQ(ReadFileVersion(tmp.ufile("missing.dll")), 0u);
    EXPECT_EQ(ReadFileVersion(tmp.upath()), 0u); // a folder
}
