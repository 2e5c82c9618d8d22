// The wildcard match, the skip rule and the configuration-file rule.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/tree/config_rule.h"
#include "platform/text/text.h"
#include "tests/support/test_support.h"

using namespace vk::app;
using vk::test::N;

namespace {

// Lists made in the test; they own nothing.
struct Lists {
    std::vector<const char16_t *> add, skip;
    ItemLists lists;
    Lists(std::initializer_list<const char16_t *> a, std::initializer_list<const char16_t *> s) : add(a), skip(s) {
        add.push_back(nullptr);
        skip.push_back(nullptr);
        lists.add = {const_cast<const char16_t **>(add.data()), static_cast<int>(add.size() - 1)};
        lists.skip = {const_cast<const char16_t **>(skip.data()), static_cast<int>(skip.size() - 1)};
    }
};

} // namespace

TEST(ConfigRule, WildcardMatch) {
    struct Case {
        const char16_t *pattern, *name;
        bool match;
    };
    const Case cases[] = {
        {u"*.INI", u"Setup.ini", true},
        {u"a?c", u"ABC", true},
        {u"a?c", u"abbc", false},
        {u"*_x.ini", u"a_x.ini", true},
        {u"*_x.ini", u"x.ini", false},
        {u"", u"", true},
        {u"", u"a", false},
        {u"*", u"", true},
        {u"*", u"anything.at.all", true},
        {u"*.*", u"noextension", false}, // a full stop is required
        {u"*.*", u"a.b", true},
        {u"~*", u"~WProperties.tmp", true},
        {u"~*", u"a~b", false},
        {u"*.log", u"talvern.log.1", false}, // anchored at the end
        {u"*a*b", u"xaxxab", true},          // the pattern restarts after the last '*'
        {u"*ab", u"aab", true},              // the name restarts one character on
        {u"*ab", u"aaba", false},
        {u"a*b*c", u"abxbxc", true},
        {u"a*b*c", u"abxbx", false},
        {u"?", u"", false},
        {u"*?", u"", false},
        {u"**", u"", true},
        {u"vaultkeep.ini", u"VAULTKEEP.INI", true},
        {u"\u00e9.ini", u"\u00c9.ini", false}, // only A to Z fold
    };
    for (const Case &c : cases) EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.match) << N(c.pattern) << " ~ " << N(c.name);
}

TEST(ConfigRule, IsConfigFileOrderOfRules) {
    Lists l({u"license.key", u"encoder.bak", u"SITEKEY", u""}, {u"*.bak", u"vaultkeep.ini", u"~*", u"*.log"});
    struct Case {
        const char16_t *name;
        bool config;
        const char *why;
    };
    const Case cases[] = {
        {u"units.ini", true, "extension"},
        {u"UNITS.INI", true, "extension, case ignored"},
        {u"Depth.WWC", true, "extension, case ignored"},
        {u"License.Key", true, "add list, case ignored, no configuration extension"},
        {u"encoder.bak", true, "add list wins over a skip pattern"},
        {u"SITEKEY", false, "no full stop, even when listed"},
        {u"vaultkeep.ini", false, "skip pattern"},
        {u"~units.ini", false, "skip pattern"},
        {u"old.prs.bak", false, "skip pattern on the last extension"},
        {u"calib.bin", false, "unknown extension"},
        {u"talvern.exe", false, "program file"},
        {u".ini", true, "only full stop first: the whole name is the extension"},
        {u".bak", false, "skipped"},
        {u"tools.ini.orig", false, "extension from the last full stop"},
        {u"a.", false, "empty extension"},
        {u"", false, "empty name"},
    };
    for (const Case &c : cases) EXPECT_EQ(IsConfigFile(c.name, l.lists), c.config) << N(c.name) << ": " << c.why;
    EXPECT_FALSE(SkipRule(u"talvern.log", l.lists));
    EXPECT_TRUE(SkipRule(u"talvern.ini", l.lists));
}

TEST(ConfigRule, BuiltInSkipListRefusesScratchFilesAndArchives) {
    ItemLists lists;
    lists.skip.items = const_cast<const char16_t **>(BuiltInSkipList());
    lists.skip.count = kBuiltInSkipCount;
    for (const char16_t *name : {u"vaultkeep.ini", u"a.log", u"x.tmp", u"~a.ini", u"f.conf.vkb", u"Backup.why"})
        EXPECT_FALSE(IsConfigFile(name, lists)) << N(name);
    for (const char16_t *name : {u"tools.ini", u"site.tcf", u"openhole.prs"}) EXPECT_TRUE(IsConfigFile(name, lists)) << N(name);
}

TEST(ConfigRule, ExtensionTableHoldsTheHostsConfigurationTypesOnly) {
    const auto table = ConfigExtensions();
    ASSERT_EQ(table.size(), 69u);
    std::set<std::u16string> seen;
    for (const char16_t *ext : table) {
        const std::u16string e = ext;
        EXPECT_TRUE(e.size() >= 2 && e[0] == u'.') << N(e);
        EXPECT_EQ(e.find(u'.', 1), std::u16string::npos) << N(e);
        EXPECT_TRUE(seen.insert(vk::text::Lower(e)).second) << "twice: " << N(e);
    }
    // Every configuration type the installation uses.
    for (const char16_t *e : {u".tcf", u".ini", u".tbl", u".lst", u".cmp", u".prs", u".bhf", u".xpt", u".wcp", u".wtd",
                              u".wwc", u".hdr", u".plt", u".fmt", u".lyt", u".lyh", u".lyf", u".crv", u".sim", u".wsc",
                              u".seq"})
        EXPECT_TRUE(seen.count(e)) << N(e);
    // Programs, help, dumps, data, scratch files and archives are not configuration.
    for (const char16_t *e : {u".exe", u".dll", u".chm", u".out", u".db", u".raw", u".bin", u".key", u".dat", u".txt",
                              u".log", u".tmp", u".bak", u".lck", u".vkb", u".why", u".me", u".orig"})
        EXPECT_FALSE(seen.count(e)) << N(e);
}
