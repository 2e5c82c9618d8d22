// The tool and service databases: lists and their append rules, kinds,
// categories, the legacy category section, tool entries of services, file
// references, the clash test and transfer marks.
#include <gtest/gtest.h>

#include "lib/engine/metadata.h"
#include "lib/tools/tool_db.h"
#include "tests/lib/tools/tools_fixture.h"

namespace vk::toolstest {
namespace {

using namespace vk::tools;
using vk::test::N;
using vk::test::U;

class ToolDbTest : public ToolsTest {
protected:
    void SetUp() override {
        ToolsTest::SetUp();
        root = MakeDemo("demo");
        tools = U(root + "config/tools.ini");
        services = U(root + "config/services.ini");
    }
    std::string root;
    std::u16string tools;
    std::u16string services;
};

std::vector<std::string> Narrow(const std::vector<std::u16string> &list) {
    std::vector<std::string> out;
    for (const auto &s : list) out.push_back(N(s));
    return out;
}

TEST_F(ToolDbTest, NumberedListEndsAtTheFirstGap) {
    EXPECT_EQ(Narrow(ReadNumberedList(u"GR", tools)), (std::vector<std::string>{"GR1001", "GR1002", "GR1010"}));
    EXPECT_EQ(Narrow(ReadNumberedList(u"PERF", tools)), (std::vector<std::string>{"PG0031", "PG0032"}));
    EXPECT_TRUE(ReadNumberedList(u"CCL", tools).empty());
    EXPECT_TRUE(HasSerialList(u"GR", tools));
    EXPECT_FALSE(HasSerialList(u"CCL", tools));
}

TEST_F(ToolDbTest, SerialAppendRewritesInPlaceOrFillsTheFirstEmptyKey) {
    EXPECT_EQ(AddSerial(u"GR", u"gr1002", tools), 2); // equal, letter case ignored: rewritten in place
    EXPECT_EQ(Value(tools, "GR", "2"), "gr1002");
    EXPECT_EQ(Value(tools, "GR", "4"), "");
    EXPECT_EQ(AddSerial(u"PERF", u"PG0099", tools), 3); // the gap at 3 takes it
    EXPECT_EQ(Value(tools, "PERF", "4"), "PG0040");
    EXPECT_EQ(AddSerial(u"NEW", u"N1", tools), 1);
    EXPECT_EQ(Value(tools, "NEW", "1"), "N1");
}

TEST_F(ToolDbTest, ModelAppendUsesTheKeyCountAndSkipsEqualModels) {
    const std::u16string f = Ini("models.ini", "[T-Models]\n1=A\n2=B\n5=C\n");
    AddModel(u"T", u"b", f);
    EXPECT_EQ(Value(f, "T-Models", "4"), "");
    AddModel(u"T", u"D", f);
    EXPECT_EQ(Value(f, "T-Models", "4"), "D");
    AddModel(u"U", u"M", f);
    EXPECT_EQ(Value(f, "U-Models", "1"), "M");
}

TEST_F(ToolDbTest, FirstFreeAppendStopsAtAnEqualValue) {
    AddFirstFree(kToolsSection, u"gr", tools);
    EXPECT_EQ(Value(tools, "Tools", "10"), "");
    AddFirstFree(kToolsSection, u"SONIC", tools);
    EXPECT_EQ(Value(tools, "Tools", "10"), "SONIC");
}

TEST_F(ToolDbTest, KindsOfSerialAndModelEntries) {
    struct Case {
        const char16_t *tool;
        const char16_t *id;
        bool serial;
        int kind;
    } cases[] = {
        {u"GR", u"GR1001", true, kKindLogging},     // model GR-2: "Logging"
        {u"GR", u"GR1010", true, kKindLogging},     // empty Model
        {u"CENT", u"C-17", true, kKindAccessory},   // "wireline"
        {u"PERF", u"PG0031", true, kKindTcp},       // "TCP"
        {u"FHD", u"FH0102", true, kKindLogging},    // "xTCP" does not begin with TCP
        {u"GR", u"GR-3", false, kKindLogging},      // empty Available
        {u"CCL", u"CCL-M", false, kKindTcp},        // "TCP,wireline"
        {u"FHD", u"FHD-M", false, kKindTcp},        // "TCP" anywhere
        {u"CCL", u"CCL-1", false, kKindAccessory},  // any other non-empty value
        {u"CENT", u"BowSpring", false, kKindAccessory},
        {u"NONE", u"X", false, kKindLogging},       // no section at all
    };
    for (const Case &c : cases) {
        const int kind = c.serial ? ClassifySerial(c.tool, c.id, tools) : ClassifyModel(c.tool, c.id, tools);
        EXPECT_EQ(kind, c.kind) << N(c.tool) << "-" << N(c.id);
    }
    EXPECT_EQ(KindOfAvailable(u"tcp conveyed"), kKindTcp);
    EXPECT_EQ(KindOfAvailable(u"Wireline"), kKindAccessory);
    EXPECT_EQ(KindOfAvailable(u"xTCP"), kKindLogging);
    EXPECT_EQ(KindOfAvailable(u""), kKindLogging);
}

TEST_F(ToolDbTest, KindNamesAndCategoryLookup) {
    EXPECT_EQ(N(KindName(0)), "None");
    EXPECT_EQ(N(CategorySection(2)), "Accessory Tools-Categories");
    EXPECT_EQ(KindName(4), nullptr);
    EXPECT_EQ(KindName(-1), nullptr);
    EXPECT_TRUE(CategoryListed(1, u"gamma", tools));
    EXPECT_TRUE(CategoryListed(3, u"Firing Heads", tools));
    EXPECT_FALSE(CategoryListed(1, u"Guns", tools));
    EXPECT_FALSE(CategoryListed(4, u"Gamma", tools));
    EXPECT_FALSE(CategoryListed(-1, u"Gamma", tools));
    EXPECT_FALSE(CategoryListed(0, u"Gamma", tools));
}

TEST_F(ToolDbTest, LegacyCategorySectionIsCarriedIntoTheAccessoryList) {
    EXPECT_TRUE(RetireLegacyCategories(tools));
    EXPECT_EQ(Narrow(ReadNumberedList(u"Accessory Tools-Categories", tools)),
              (std::vector<std::string>{"Centralizers", "Knuckle Joints", "Swivels"}));
    EXPECT_FALSE(HasAnyKey(kLegacyCategories, tools));
    EXPECT_FALSE(RetireLegacyCategories(tools));
    // An accessory list that does not exist yet is made.
    const std::u16string f = Ini("legacy.ini", "[Non-Serial Items-Categories]\n1=Swivels\n3=Jars\n");
    EXPECT_TRUE(RetireLegacyCategories(f));
    EXPECT_EQ(Narrow(ReadNumberedList(u"accessory tools-categories", f)), (std::vector<std::string>{"Swivels", "Jars"}));
}

TEST_F(ToolDbTest, SerialClashTest) {
    struct Case {
        const char16_t *x;
        bool models;
        bool taken;
        int position;
        bool modelClash;
    } cases[] = {
        {u"gr1002", false, true, 2, false},
        {u"GR1020", false, true, 5, false},   // every key of [GR], the gap does not matter
        {u"Gamma", false, true, 0, false},    // the "Category" value counts too
        {u"gr", false, true, 0, false},       // the tool name itself
        {u"GR-2", false, false, 0, false},    // models only when asked
        {u"GR-2", true, true, 0, true},
        {u"GR7777", true, false, 0, false},
    };
    for (const Case &c : cases) {
        const Clash clash = SerialClash(u"GR", c.x, tools, c.models);
        EXPECT_EQ(clash.taken, c.taken) << N(c.x);
        EXPECT_EQ(clash.position, c.position) << N(c.x);
        EXPECT_EQ(clash.modelClash, c.modelClash) << N(c.x);
    }
}

TEST_F(ToolDbTest, ToolEntriesOfServices) {
    struct Case {
        std::u16string value;
        const char *tool;
        const char *id;
    } cases[] = {
        {u"STD;serial=12;34", "STD", "12"},
        {u"GR;model=GR-2", "GR", "GR-2"},
        {u"CENT", "CENT", ""},
        {u"#note", "", ""},
        {u"NEU#x;serial=9", "NEU", "9"},
        {u"A;model=M;serial=S", "A", "S"},   // serial= wins wherever it stands
        {u"B;serial=", "B", ""},
        {std::u16string(50, u'T') + u";serial=" + std::u16string(50, u'9'), "", ""},
    };
    for (const Case &c : cases) {
        const ToolEntry e = ParseToolEntry(c.value);
        if (c.value.size() > 40) {
            EXPECT_EQ(e.tool.size(), 39u);
            EXPECT_EQ(e.id.size(), 38u);
            continue;
        }
        EXPECT_EQ(N(e.tool), c.tool) << N(c.value);
        EXPECT_EQ(N(e.id), c.id) << N(c.value);
    }
    const std::vector<ToolEntry> list = ServiceTools(u"Open Hole Combo", services);
    ASSERT_EQ(list.size(), 4u); // the "#spare" entry is skipped, the list goes on
    EXPECT_EQ(N(list[0].tool), "CTS");
    EXPECT_EQ(N(list[0].id), "CTS0401");
    EXPECT_EQ(N(list[1].id), "NEU-2");
    EXPECT_EQ(N(list[2].tool), "CENT");
    EXPECT_EQ(N(list[3].tool), "STD");
    EXPECT_EQ(N(list[3].id), "12");
}

TEST_F(ToolDbTest, ScriptsAndFileNames) {
    struct Case {
        const char16_t *device;
        const char *script;
        int32_t cls;
    } cases[] = {
        {u"driver, script= setup.WWC,2", "setup.WWC", kClassConfigScript},
        {u"surface panel, script= ohcombo.wsc,1", "ohcombo.wsc", kClassScript},
        {u"x, script=a.wwc.bak", "a.wwc.bak", kClassScript},
        {u"x, script=wwc", "wwc", kClassScript},
        {u"x, script=b.old.Wwc", "b.old.Wwc", kClassConfigScript},
    };
    for (const Case &c : cases) {
        const std::u16string script = ScriptOfDevice(c.device);
        EXPECT_EQ(N(script), c.script);
        EXPECT_EQ(ScriptClass(script), c.cls) << c.script;
    }
    EXPECT_EQ(ScriptOfDevice(u"winch monitor"), u"");
    EXPECT_EQ(ScriptOfDevice(u"x, Script=a.wsc"), u""); // the word is matched as written
    EXPECT_EQ(N(FormatFileName(u"Logs\\Main.WTD", u".wtd")), "logs\\main.wtd");
    EXPECT_EQ(N(FormatFileName(u"chart", u".wtd")), "chart.wtd");
    EXPECT_EQ(N(FormatFileName(u"GRCal", u".wcp")), "grcal.wcp");
    EXPECT_EQ(N(FormatFileName(u"a.wcp.old", u".wcp")), "a.wcp.old");
    EXPECT_EQ(EntrySection(std::u16string(100, u'T'), std::u16string(100, u'S')).size(), kSectionChars);
}

TEST_F(ToolDbTest, TransferMarks) {
    EXPECT_FALSE(IsTransferred(nullptr, u"GR-GR1001"));
    BackupJob noMetadata;
    EXPECT_FALSE(IsTransferred(&noMetadata, u"GR-GR1001"));
    ScratchJob scratch(tmp, false);
    EXPECT_FALSE(IsTransferred(&scratch.job, u"GR-GR1001"));
    MarkTransferred(scratch.job, u"GR-GR1001");
    EXPECT_TRUE(IsTransferred(&scratch.job, u"gr-gr1001"));
    EXPECT_EQ(Value(scratch.job.metadataPath, "ToolBk", "GR-GR1001"), "0");
    struct Case {
        const char *value;
        bool transferred;
    } cases[] = {{"0", true}, {" 0", true}, {"-0", true}, {"1", false}, {"3", false}, {"x", false}, {"0x", true}};
    for (const Case &c : cases) {
        vk::engine::WriteMetadata(scratch.job, u"ToolBk", u"T-M", U(c.value).c_str());
        EXPECT_EQ(IsTransferred(&scratch.job, u"T-M"), c.transferred) << c.value;
    }
    // A restore job reads its own section.
    ScratchJob restore(tmp, true);
    EXPECT_FALSE(IsTransferred(&restore.job, u"GR-GR1001"));
}

} // namespace
} // namespace vk::toolstest
