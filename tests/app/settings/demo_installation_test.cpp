// The bundled demo installation: its settings files hold what later runs
// depend on, every file its tool and service databases name is present, and
// make-installation.sh makes a copy with a registry file that points at it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "app/shell/settings.h"
#include "platform/ini/ini.h"
#include "platform/fs/fs.h"
#include "platform/registry/registry.h"
#include "platform/text/text.h"
#include "tests/support/test_support.h"

using namespace vk::test;

namespace {

const std::string kDemo = std::string(VK_SOURCE_DIR) + "/demo/";

std::u16string Demo(const std::string &rel) { return U(kDemo + rel); }

std::vector<std::u16string> Names(const char16_t *section, const std::u16string &file) {
    std::u16string buffer(65536, u'\0');
    vk::ini::GetString(section, nullptr, u"", buffer.data(), static_cast<uint32_t>(buffer.size()), file.c_str());
    std::vector<std::u16string> names;
    for (size_t i = 0; buffer[i]; i += names.back().size() + 1) names.emplace_back(buffer.c_str() + i);
    return names;
}

bool HasSection(const std::u16string &file, std::u16string_view section) {
    for (const auto &s : Names(nullptr, file))
        if (vk::text::EqualNoCase(s, section)) return true;
    return false;
}

std::u16string Get(const std::u16string &file, std::u16string_view section, std::u16string_view key) {
    return vk::ini::ReadString(section, key, u"", file);
}

std::vector<std::u16string> Numbered(const std::u16string &file, std::u16string_view section,
                                     std::u16string_view prefix = u"") {
    std::vector<std::u16string> list;
    for (int n = 1;; ++n) {
        std::u16string v = Get(file, section, std::u16string(prefix) + U(std::to_string(n)));
        if (v.empty()) return list;
        list.push_back(v);
    }
}

// The demo folder of a file class: its thousands digit names the home folder.
std::string ClassFolder(int fileClass) {
    static const std::map<int, std::string> folders = {{2, "bin/"},    {3, "data/"},   {4, "config/"},
                                                       {5, "format/"}, {6, "script/"}, {7, "sim/"}};
    auto it = folders.find(fileClass / 1000);
    return it == folders.end() ? "temp/" : it->second;
}

void ExpectDemoFile(const std::string &rel, const std::string &why) {
    EXPECT_TRUE(FileExists(kDemo + rel)) << rel << " (" << why << ")";
}

// Calibration report formats and diagrams: lower-cased, extension added.
std::string FormatFile(const std::u16string &value, const char *ext) {
    std::string name = N(vk::text::Lower(value));
    if (name.find(ext) == std::string::npos) name += ext;
    return "format/" + name;
}

// Checks the files a tool or service section names.
void ExpectReferencedFiles(const std::u16string &file, const std::u16string &section) {
    const std::string where = N(section);
    for (const char16_t *key : {u"CalReportFormat", u"CalReport"})
        if (auto v = Get(file, section, key); !v.empty()) ExpectDemoFile(FormatFile(v, ".wcp"), where);
    if (auto v = Get(file, section, u"Diagram"); !v.empty()) ExpectDemoFile(FormatFile(v, ".wtd"), where);
    int fileClass = 4002;
    for (const auto &entry : Numbered(file, section, u"ExtraExternalFile")) {
        std::string name = N(entry);
        if (auto comma = name.find(','); comma != std::string::npos) {
            fileClass = std::atoi(name.c_str() + comma + 1);
            name.resize(comma);
        }
        ExpectDemoFile(ClassFolder(fileClass) + name, where);
    }
}

} // namespace

TEST(DemoInstallation, MainPropertiesFilesHoldTheTransferredSections) {
    const std::u16string props = Demo("config/WProperties.ini");
    for (const char16_t *s : {u"Global", u"Preferences", u"Acquisition", u"Color Maps", u"Screen", u"Printers",
                              u"CompanyInfo", u"Backup", u"Critical Files", u"Tracer", u"Plot", u"Heading",
                              u"Power Monitor", u"Waveform", u"Depth", u"Unit_Maps", u"Math Pack", u"PipeTally",
                              u"TVD", u"HotKeys", u"Device Alias", u"WMemory", u"Job Plan"})
        EXPECT_TRUE(HasSection(props, s)) << N(s);
    EXPECT_FALSE(HasSection(props, u"Noise")); // a whole-section type with nothing to transfer
    EXPECT_EQ(Get(props, u"Global", u"TCP"), u"1");
    for (const char16_t *k : {u"Depth", u"Units", u"DemoMode", u"AllowAutoDemo", u"Preview"})
        EXPECT_FALSE(Get(props, u"Preferences", k).empty()) << N(k);
    for (const char16_t *k : {u"CCLClamp", u"CCLShift", u"CCLSquare", u"CCLThreshold", u"MaxFilter", u"Version"})
        EXPECT_FALSE(Get(props, u"Acquisition", k).empty()) << N(k);
    int above = 0, atOrBelow = 0;
    for (const char16_t *k : {u"MaxSensor", u"MaxCalibration", u"MaxOutput"})
        (std::stoi(N(Get(props, u"Acquisition", k))) > 750 ? above : atOrBelow) += 1;
    EXPECT_GT(above, 0);
    EXPECT_GT(atOrBelow, 0);
    EXPECT_EQ(Get(props, u"CompanyInfo", u"Address"), u"Hafenstra\u00dfe 12"); // single-byte file

    // Color maps before the gap have their screen entries; printers mostly have sections.
    const auto maps = Numbered(props, u"Color Maps");
    EXPECT_EQ(maps.size(), 3u);
    for (const auto &m : maps) EXPECT_FALSE(Get(props, u"Screen", m).empty()) << N(m);
    int withSection = 0, without = 0;
    for (const auto &p : Numbered(props, u"Printers"))
        (HasSection(props, p.substr(0, p.find(u','))) ? withSection : without) += 1;
    EXPECT_EQ(withSection, 3);
    EXPECT_EQ(without, 1);

    const std::u16string main = Demo("config/talvern.ini");
    EXPECT_FALSE(Get(main, u"Global", u"Service Company").empty());
    EXPECT_FALSE(Get(main, u"Global", u"DemoMode").empty());
    EXPECT_FALSE(Get(main, u"Acquisition", u"Preview").empty());
    EXPECT_EQ(Get(main, u"Acquisition", u"MaxSensor"), u"751");
}

TEST(DemoInstallation, ToolDatabaseCoversEveryKindAndItsFilesExist) {
    const std::u16string tools = Demo("config/tools.ini");
    const auto names = Numbered(tools, u"Tools");
    ASSERT_GE(names.size(), 8u);
    std::vector<std::vector<std::u16string>> kinds;
    for (const char16_t *k : {u"Logging Tools-Categories", u"Accessory Tools-Categories", u"TCP-Categories"}) {
        kinds.push_back(Numbered(tools, k));
        EXPECT_FALSE(kinds.back().empty()) << N(k);
    }
    EXPECT_FALSE(Names(u"Non-Serial Items-Categories", tools).empty());

    bool container = false, serialGap = false;
    std::map<char, int> available; // 'T' TCP, 'w' wireline, 'o' other
    for (const auto &t : names) {
        const std::u16string category = Get(tools, t, u"Category");
        bool listed = false;
        for (const auto &k : kinds)
            for (const auto &c : k) listed = listed || vk::text::EqualNoCase(c, category);
        EXPECT_TRUE(listed) << N(t) << " category " << N(category);
        ExpectReferencedFiles(tools, t);
        const auto serials = Numbered(tools, t);
        serialGap = serialGap || !Get(tools, t, U(std::to_string(serials.size() + 2))).empty();
        for (const auto &s : serials) {
            EXPECT_TRUE(HasSection(tools, t + u"-" + s)) << N(t) << "-" << N(s);
            ExpectReferencedFiles(tools, t + u"-" + s);
        }
        for (const auto &m : Numbered(tools, t + u"-Models")) {
            const std::u16string section = t + u"-" + m;
            ASSERT_TRUE(HasSection(tools, section)) << N(section);
            ExpectReferencedFiles(tools, section);
            const std::u16string a = Get(tools, section, u"Available");
            available[vk::text::StartsWithNoCase(a, u"TCP") ? 'T' : vk::text::StartsWithNoCase(a, u"wireline") ? 'w'
                                                                                                              : 'o']++;
            if (Get(tools, section, u"Container") != u"1") continue;
            container = true;
            for (const auto &sub : Numbered(tools, section, u"SubTool")) {
                EXPECT_TRUE(HasSection(tools, sub + u"-" + m)) << N(sub);
                for (const auto &s : serials) EXPECT_TRUE(HasSection(tools, sub + u"-" + s)) << N(sub);
            }
        }
    }
    EXPECT_TRUE(container);
    EXPECT_TRUE(serialGap);
    EXPECT_EQ(available.size(), 3u);
}

TEST(DemoInstallation, ServiceDatabaseNamesExistingFilesAndTools) {
    const std::u16string services = Demo("config/services.ini");
    const std::u16string tools = Demo("config/tools.ini");
    const auto toolNames = Numbered(tools, u"Tools");
    int serials = 0, models = 0, bare = 0, scripts = 0;
    for (const auto &s : Numbered(services, u"Service")) {
        ASSERT_TRUE(HasSection(services, s)) << N(s);
        ExpectReferencedFiles(services, s);
        for (const auto &d : Numbered(services, s, u"Device")) {
            const auto at = d.find(u"script=");
            if (at == std::u16string::npos) continue;
            std::string name = N(d.substr(at + 7));
            name = name.substr(name.find_first_not_of(' '));
            name = name.substr(0, name.find(','));
            const bool wwc = vk::text::EndsWithNoCase(U(name), u".wwc");
            ExpectDemoFile((wwc ? "config/" : "script/") + name, N(s));
            ++scripts;
        }
        if (auto p = Get(services, s, u"Presentation"); !p.empty()) {
            const std::string prs = "format/" + N(p) + ".prs";
            ExpectDemoFile(prs, N(s));
            if (auto b = Get(U(kDemo + prs), u"0", u"BHIPresentation"); !b.empty())
                ExpectDemoFile("format/" + N(b) + ".bhf", prs);
        }
        if (auto x = Get(services, s, u"XYPresentation"); !x.empty()) ExpectDemoFile("format/" + N(x) + ".xpt", N(s));
        for (const auto &entry : Numbered(services, s, u"Tool")) {
            const std::u16string tool = entry.substr(0, entry.find_first_of(u";#"));
            if (tool.empty()) continue;
            bool known = false;
            for (const auto &t : toolNames) known = known || vk::text::EqualNoCase(t, tool);
            EXPECT_TRUE(known) << N(entry);
            const bool serial = entry.find(u"serial=") != std::u16string::npos;
            const bool model = !serial && entry.find(u"model=") != std::u16string::npos;
            (serial ? serials : model ? models : bare) += 1;
        }
    }
    EXPECT_GT(serials, 0);
    EXPECT_GT(models, 0);
    EXPECT_GT(bare, 0);
    EXPECT_EQ(scripts, 5);
}

TEST(DemoInstallation, SettingsFilesOfTheProgramAndTheLibrary) {
    const std::u16string program = Demo("bin/vaultkeep.ini");
    vk::app::ItemLists lists;
    vk::app::ReadItemLists(lists, program.c_str());
    EXPECT_EQ(lists.add.count, 3); // calib.bin stands after a gap
    bool ownFile = false, archives = false;
    for (int i = 0; i < lists.skip.count; ++i) {
        ownFile = ownFile || std::u16string(lists.skip.items[i]) == u"vaultkeep.ini";
        archives = archives || std::u16string(lists.skip.items[i]) == u"*.vkb";
    }
    EXPECT_TRUE(ownFile && archives);
    EXPECT_GT(lists.restoreSkip.count, 0);
    vk::app::FreeItemLists(lists);
    char16_t entry[2550];
    EXPECT_GT(vk::app::ReadCriticalFileEntry(program.c_str(), 5, entry, 2550), 0u);

    const std::u16string library = Demo("config/vaultkeep.ini");
    std::map<std::u16string, int> policies;
    for (const auto &k : Names(u"NonVersionedFileRestore", library))
        policies[Get(library, u"NonVersionedFileRestore", k)]++;
    for (const char16_t *p : {u"Overwrite", u"DoNotOverwrite", u"Ask"}) EXPECT_GT(policies[p], 0) << N(p);

    EXPECT_EQ(Get(Demo("config/units.ini"), u"TalvernFileInfo", u"TalvernFileVersion"), u"3.2.0.1");
    EXPECT_EQ(Get(Demo("format/openhole.prs"), u"TalvernFileInfo", u"TalvernFileVersion"), u"2,1_4");
    EXPECT_EQ(Get(Demo("config/hotkeys.ini"), u"Labels", u"DepthUnit"), u"Fu\u00df"); // UTF-16 file
}

TEST(DemoInstallation, MakeInstallationWritesARegistryFileThatPointsAtTheCopy) {
    TempFolder dir;
    const std::string target = dir.file("talvern 7");
    const std::string command = "bash '" + kDemo + "make-installation.sh' '" + target + "' >/dev/null";
    ASSERT_EQ(vk::test::Shell(command), 0);
    ASSERT_EQ(vk::test::Shell(command), 0) << "a copy the script made is replaced";

    const std::string bytes = ReadFile(target + "/registry.reg");
    ASSERT_GE(bytes.size(), 2u);
    ASSERT_EQ(bytes.substr(0, 2), std::string("\xff\xfe", 2));
    std::u16string text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    EXPECT_EQ(text.rfind(u"Windows Registry Editor Version 5.00\r\n", 0), 0u);
    EXPECT_NE(text.find(u"[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\KDBase]\r\n"), std::u16string::npos);

    // The registry source reads it as the installation's key.
    vk::registry::RegKey key;
    ASSERT_TRUE(vk::registry::OpenKeyIn(bytes, u"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\KDBase", key));
    for (const char16_t *name : {u"BinDir", u"ConfigDir", u"FormatDir", u"DataDir", u"TempDir", u"SpoolDir", u"SimDir",
                                 u"ScriptDir", u"BackupDir"}) {
        std::u16string folder;
        ASSERT_TRUE(vk::registry::QueryString(key, name, folder, 512)) << N(name);
        EXPECT_EQ(folder.rfind(U(target + "/"), 0), 0u) << N(name) << "=" << N(folder);
        EXPECT_EQ(folder.back(), u'/') << N(name);
        EXPECT_TRUE(vk::fs::IsDirectory(folder)) << N(name) << "=" << N(folder);
    }
    std::u16string unused;
    EXPECT_FALSE(vk::registry::QueryString(key, u"FaxDir", unused, 512));
    EXPECT_FALSE(vk::registry::QueryString(key, u"LangDir", unused, 512));
    EXPECT_TRUE(FileExists(target + "/bin/vaultkeep.ini"));
    EXPECT_TRUE(FileExists(target + "/data/Wells/North-7/Run1/pass1.db"));

    // A folder the script did not make is left alone.
    const std::string other = dir.file("other");
    WriteFile(other + "/keep.txt", "mine");
    const std::string refused = "bash '" + kDemo + "make-installation.sh' '" + other + "' >/dev/null 2>&1";
    EXPECT_NE(vk::test::Shell(refused), 0);
    EXPECT_EQ(ReadFile(other + "/keep.txt"), "mine");
}
