// The registry source: both export formats, escapes, value types, the byte
// limit, and files that hold no usable key.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <random>

#include "platform/registry/registry.h"
#include "tests/support/test_support.h"

using namespace vk::registry;
using vk::test::TempFolder;
using vk::test::U;
using vk::test::WriteFile;

namespace {

constexpr char16_t kKey[] = u"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\KDBase";

std::string Utf16File(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

std::u16string Get(const RegKey &key, std::u16string_view name, size_t limit = 512) {
    std::u16string v;
    return QueryString(key, name, v, limit) ? v : u"<absent>";
}

} // namespace

TEST(Registry, ReadsUnicodeExportWithEscapesAndTypes) {
    const std::u16string text =
        u"Windows Registry Editor Version 5.00\r\n"
        u"\r\n"
        u"[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Other]\r\n"
        u"\"BinDir\"=\"/wrong/\"\r\n"
        u"\r\n"
        u"; comment line\r\n"
        u"[hkey_local_machine\\SYSTEM\\CurrentControlSet\\Services\\kdbase]\r\n"
        u"\"BinDir\"=\"/opt/talvern/bin/\"\r\n"
        u"\"Win\"=\"C:\\\\Talvern\\\\bin\\\\\"\r\n"
        u"\"Quote\"=\"say \\\"hi\\\" = ok\"\r\n"
        u"\"Count\"=dword:00000010\r\n"
        u"\"Blob\"=hex:01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
        u"  16,17,18,19,1a\r\n"
        u"\"Expand\"=hex(2):2f,00,76,00,61,00,72,00,2f,00,\\\r\n"
        u"  00,00\r\n"
        u"\"Name with \\\"quote\\\"\"=\"q\"\r\n"
        u"@=\"default\"\r\n"
        u"\"Unicode\"=\"Gr\u00fc\u00dfe \u4e2d\"\r\n";
    RegKey key;
    ASSERT_TRUE(OpenKeyIn(Utf16File(text), kKey, key));
    EXPECT_EQ(Get(key, u"BinDir"), u"/opt/talvern/bin/");
    EXPECT_EQ(Get(key, u"bindir"), u"/opt/talvern/bin/");
    EXPECT_EQ(Get(key, u"Win"), u"C:\\Talvern\\bin\\");
    EXPECT_EQ(Get(key, u"Quote"), u"say \"hi\" = ok");
    EXPECT_EQ(Get(key, u"Count"), u"<absent>");
    EXPECT_EQ(Get(key, u"Blob"), u"<absent>");
    EXPECT_EQ(Get(key, u"Expand"), u"/var/");
    EXPECT_EQ(Get(key, u"Name with \"quote\""), u"q");
    EXPECT_EQ(Get(key, u""), u"default");
    EXPECT_EQ(Get(key, u"Unicode"), u"Gr\u00fc\u00dfe \u4e2d");
    EXPECT_EQ(Get(key, u"Missing"), u"<absent>");

    // The short root name and stray separators name the same key.
    EXPECT_TRUE(OpenKeyIn(Utf16File(text), u"HKLM\\System\\CurrentControlSet\\Services\\KDBase\\", key));
    EXPECT_FALSE(OpenKeyIn(Utf16File(text), u"HKLM\\System\\CurrentControlSet\\Services", key));
}

TEST(Registry, ReadsSingleByteRegedit4) {
    std::string text =
        "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\KDBase]\n"
        "\"DataDir\"=\"/data/W\xe4rme/\"\n"
        "\"Expand\"=hex(2):2f,61,2f,00\n";
    RegKey key;
    ASSERT_TRUE(OpenKeyIn(text, kKey, key));
    EXPECT_EQ(Get(key, u"DataDir"), u"/data/W\u00e4rme/");
    EXPECT_EQ(Get(key, u"Expand"), u"/a/");
    // The same text as UTF-8 with a byte-order mark.
    text = "\xEF\xBB\xBFREGEDIT4\r\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\KDBase]\r\n"
           "\"DataDir\"=\"/data/W\xc3\xa4rme/\"\r\n";
    ASSERT_TRUE(OpenKeyIn(text, kKey, key));
    EXPECT_EQ(Get(key, u"DataDir"), u"/data/W\u00e4rme/");
}

TEST(Registry, HexContinuationLinesAreNotTakenForKeysOrValues) {
    const std::string text =
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\KDBase]\n"
        "\"A\"=hex:01,02,\\\n"
        "  03,04,\\\n"
        "  05\n"
        "\"B\"=\"after\"\n"
        "\"C\"=hex(7):41,00,00,\\\n"
        "\n"
        "\"D\"=\"still read\"\n";
    RegKey key;
    ASSERT_TRUE(OpenKeyIn(text, kKey, key));
    EXPECT_EQ(Get(key, u"B"), u"after");
    EXPECT_EQ(Get(key, u"D"), u"still read");
    ASSERT_EQ(key.values.size(), 4u);
    EXPECT_EQ(key.values[0].data, (std::vector<uint8_t>{1, 2, 3, 4, 5}));
}

TEST(Registry, DeletionsAndRepeatedKeys) {
    const std::string text =
        "REGEDIT4\n"
        "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\KDBase]\n"
        "\"A\"=\"1\"\n\"B\"=\"2\"\n\"C\"=\"3\"\n"
        "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\KDBase]\n"
        "\"A\"=\"one\"\n\"B\"=-\n";
    RegKey key;
    ASSERT_TRUE(OpenKeyIn(text, kKey, key));
    EXPECT_EQ(Get(key, u"A"), u"one");
    EXPECT_EQ(Get(key, u"B"), u"<absent>");
    EXPECT_EQ(Get(key, u"C"), u"3");
    EXPECT_FALSE(OpenKeyIn(text + "[-HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services]\n", kKey, key));
}

TEST(Registry, ValueLongerThanTheLimitCountsAsMissing) {
    const std::string fits(255, 'a'), over(256, 'b');
    const std::string text = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\KDBase]\n"
                             "\"Fits\"=\"" + fits + "\"\n\"Over\"=\"" + over + "\"\n";
    RegKey key;
    ASSERT_TRUE(OpenKeyIn(text, kKey, key));
    EXPECT_EQ(Get(key, u"Fits"), U(fits));
    EXPECT_EQ(Get(key, u"Over"), u"<absent>");
    EXPECT_EQ(Get(key, u"Over", 514), U(over));
    EXPECT_EQ(Get(key, u"Fits", 511), u"<absent>");
}

TEST(Registry, FilesWithoutTheKeyOpenNothing) {
    const std::string body = "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\KDBase]\n\"BinDir\"=\"/b/\"\n";
    const std::string cases[] = {
        "",
        "\xFF\xFE",
        "\n\n  \n",
        "REGEDIT5\n" + body,
        "Windows Registry Editor Version 4.00\n" + body,
        "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\KDBase]\n\"BinDir\"=\"/b/\"\n",
        std::string("\x7f" "ELF\x02\x01\x01\0\0\0", 10),
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\KDBase2]\n\"BinDir\"=\"/b/\"\n",
    };
    for (const std::string &c : cases) {
        RegKey key;
        EXPECT_FALSE(OpenKeyIn(c, kKey, key)) << c;
        EXPECT_TRUE(key.values.empty());
    }
}

TEST(Registry, ArbitraryBytesNeverBreakTheParser) {
    std::mt19937 rng(7);
    const std::string alphabet = "[]\"\\=@-:,;(hexdword0123456789abcdefABCDEF \t\r\n\xff\xfe";
    for (int round = 0; round < 400; ++round) {
        std::string text = round % 2 ? "REGEDIT4\n" : "Windows Registry Editor Version 5.00\n";
        text += "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\KDBase]\n";
        const size_t n = rng() % 400;
        for (size_t i = 0; i < n; ++i) text.push_back(alphabet[rng() % alphabet.size()]);
        RegKey key;
        ASSERT_TRUE(OpenKeyIn(text, kKey, key));
        std::u16string v;
        for (const RegValue &value : key.values) QueryString(key, value.name, v, 512);
    }
}

TEST(Registry, SourceFileFromTheEnvironment) {
    TempFolder tmp;
    const char *old = std::getenv("VAULTKEEP_REGISTRY");
    const std::string saved = old ? old : "";
    const std::string path = tmp.file("reg.reg");
    ::setenv("VAULTKEEP_REGISTRY", path.c_str(), 1);
    EXPECT_EQ(SourcePath(), U(path));

    RegKey key;
    EXPECT_FALSE(OpenKey(kKey, key)); // the file does not exist yet
    WriteFile(path, Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n"
                              u"[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\KDBase]\r\n"
                              u"\"BinDir\"=\"/opt/t/bin/\"\r\n"));
    ASSERT_TRUE(OpenKey(kKey, key));
    EXPECT_EQ(Get(key, u"BinDir"), u"/opt/t/bin/");

    ::unsetenv("VAULTKEEP_REGISTRY");
    EXPECT_EQ(SourcePath(), u"/etc/vaultkeep/registry.reg");
    if (old) ::setenv("VAULTKEEP_REGISTRY", saved.c_str(), 1);
}

TEST(Registry, ManyValuesAreReadInLinearTime) {
    // 100,000 values in the wanted key, every tenth one deleted again and a
    // few given twice: each name is looked up through an index, never by a
    // walk over the values read so far.
    constexpr int kValues = 100000;
    std::string text = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\KDBase]\n";
    text.reserve(kValues * 40);
    for (int i = 0; i < kValues; ++i) text += "\"Value" + std::to_string(i) + "\"=\"" + std::to_string(i) + "\"\n";
    for (int i = 0; i < kValues; i += 10) text += "\"VALUE" + std::to_string(i) + "\"=-\n";
    text += "\"value7\"=\"seven\"\n\"Value10\"=\"back\"\n";

    RegKey key;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(OpenKeyIn(text, kKey, key));
    const auto took = std::chrono::steady_clock::now() - start;
    // Linear reading takes well under a second even under the sanitizers; a
    // walk over the values for every line took about a minute.
    EXPECT_LT(took, std::chrono::seconds(10));

    EXPECT_EQ(key.values.size(), static_cast<size_t>(kValues - kValues / 10 + 1));
    EXPECT_EQ(Get(key, u"Value7"), u"seven");
    EXPECT_EQ(Get(key, u"Value0"), u"<absent>");
    EXPECT_EQ(Get(key, u"Value99999"), u"99999");
    // The order of the file is kept: a value given again stays in its place,
    // one deleted and given again comes last.
    EXPECT_EQ(key.values.front().name, u"Value1");
    EXPECT_EQ(key.values.back().name, u"Value10");
    EXPECT_EQ(key.values.back().text, u"back");
}

TEST(Registry, OnlyRegularFilesAreRead) {
    TempFolder tmp;
    const char *old = std::getenv("VAULTKEEP_REGISTRY");
    const std::string saved = old ? old : "";
    const std::string fifo = tmp.file("pipe.reg");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ::setenv("VAULTKEEP_REGISTRY", fifo.c_str(), 1);
    // A pipe without a writer must not hold the load up: it holds no key.
    auto opened = std::async(std::launch::async, [] {
        RegKey key;
        return OpenKey(kKey, key);
    });
    if (opened.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ADD_FAILURE() << "reading a pipe waits for a writer";
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK); // lets the reader go
        if (fd >= 0) ::close(fd);
    }
    EXPECT_FALSE(opened.get());

    // A folder is no registry file either.
    ::setenv("VAULTKEEP_REGISTRY", tmp.path().c_str(), 1);
    RegKey key;
    EXPECT_FALSE(OpenKey(kKey, key));
    if (old) ::setenv("VAULTKEEP_REGISTRY", saved.c_str(), 1);
    else ::unsetenv("VAULTKEEP_REGISTRY");
}
