// The command-line grammar: whole words only, precedence of the mode words,
// the quirks of "why" and "file", and nothing inside a name or reason counts.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/shell/app_state.h"
#include "app/shell/command_line.h"
#include "tests/support/test_support.h"

using namespace vk::app;
using vk::test::N;
using vk::test::U;

namespace {

struct Parsed {
    int mode;
    bool run;
    std::string reason;
    std::string file;
};

Parsed Parse(const std::string &line) {
    auto state = std::make_unique<AppState>();
    ParseCommandLine(U(line), *state);
    return {state->runMode, state->commandLineRun, N(state->reason), N(state->commandLineFile)};
}

struct Case {
    const char *line;
    int mode;
    const char *reason;
    const char *file;
};

// Every quirk of the grammar, one line each.
const Case kCases[] = {
    {"", kRunInteractive, "", ""},
    {"key", kRunCriticalBackup, "Backup of critical files", ""},
    {"configbackup", kRunConfigBackup, "Configuration Backup", ""},
    {"configrestore", kRunConfigRestore, "Configuration Restore", ""},
    {"varinstall", kRunVarInstall, "", ""},
    {"-configbackup", kRunConfigBackup, "Configuration Backup", ""},
    {"/configrestore", kRunConfigRestore, "Configuration Restore", ""},
    // Precedence: key, configbackup, configrestore, varinstall.
    {"key configbackup", kRunCriticalBackup, "Backup of critical files", ""},
    {"configbackup key", kRunCriticalBackup, "Backup of critical files", ""},
    {"configrestore varinstall", kRunConfigRestore, "Configuration Restore", ""},
    {"varinstall configbackup", kRunConfigBackup, "Configuration Backup", ""},
    // The mode word's reason replaces the "why" text; varinstall keeps it.
    {"why  new install -key", kRunCriticalBackup, "Backup of critical files", ""},
    {"why  new install -varinstall", kRunVarInstall, "new install ", ""},
    {"why", kRunInteractive, "", ""},
    {"why-varinstall", kRunInteractive, "", ""},
    {"varinstall why   ", kRunVarInstall, "", ""},
    // Case-sensitive: these are no words.
    {"KEY", kRunInteractive, "", ""},
    {"ConfigBackup", kRunInteractive, "", ""},
    {"VarInstall File x", kRunInteractive, "", ""},
    // Whole words only: a word inside another word, or with more than one
    // leading "-" or "/", is none.
    {"monkey", kRunInteractive, "", ""},
    {"keyconfigbackup", kRunInteractive, "", ""},
    {"--key", kRunInteractive, "", ""},
    {"//configbackup", kRunInteractive, "", ""},
    {"configbackup-", kRunInteractive, "", ""},
    {"\tkey\t", kRunCriticalBackup, "Backup of critical files", ""},
    // Nothing inside a reason or a path counts.
    {"why monkey business -varinstall", kRunVarInstall, "monkey business ", ""},
    {"why check the key files -configbackup", kRunConfigBackup, "Configuration Backup", ""},
    {"varinstall why profile check", kRunVarInstall, "profile check", ""},
    {"configbackup file /home/u/keys/a", kRunConfigBackup, "Configuration Backup", "/home/u/keys/a"},
    {"configbackup file /tmp/monkey/x", kRunConfigBackup, "Configuration Backup", "/tmp/monkey/x"},
    {"configrestore file backup/configbackup-2024.conf.vkb", kRunConfigRestore, "Configuration Restore",
     "backup/configbackup-2024.conf.vkb"},
    {"configrestore file /b/key file why -configbackup", kRunConfigRestore, "Configuration Restore",
     "/b/key file why -configbackup"},
    {"file /a/b configrestore", kRunInteractive, "", "/a/b configrestore"},
    // "file": the rest of the line after one separator character.
    {"configbackup file C:\\Backups\\my copy", kRunConfigBackup, "Configuration Backup", "C:\\Backups\\my copy"},
    {"configbackup fileC:\\x", kRunConfigBackup, "Configuration Backup", ""},
    {"configbackup -file x", kRunConfigBackup, "Configuration Backup", "x"},
    {"configbackup file  two spaces", kRunConfigBackup, "Configuration Backup", " two spaces"},
    {"configbackup file", kRunConfigBackup, "Configuration Backup", ""},
    {"configbackup file ", kRunConfigBackup, "Configuration Backup", ""},
    {"configbackup why nightly -file /x", kRunConfigBackup, "Configuration Backup", "/x"},
    {"varinstall why nightly -file /x", kRunVarInstall, "nightly ", "/x"},
    // The archive words: after the older words in precedence.
    {"restoreall file /b/a.conf.vkb", kRunRestoreAll, "Configuration Restore", "/b/a.conf.vkb"},
    {"verify file /b/a.conf.vkb", kRunVerify, "", "/b/a.conf.vkb"},
    {"-list file /b/a.conf.vkb", kRunList, "", "/b/a.conf.vkb"},
    {"list verify restoreall", kRunRestoreAll, "Configuration Restore", ""},
    {"list verify", kRunVerify, "", ""},
    {"configrestore restoreall", kRunConfigRestore, "Configuration Restore", ""},
    {"restore all", kRunInteractive, "", ""},
    {"configbackup file /b/restoreall/list", kRunConfigBackup, "Configuration Backup", "/b/restoreall/list"},
};

// Every command word, for the test that no word lies inside another.
const char *const kWords[] = {"why", "key", "configbackup", "configrestore", "varinstall", "file",
                              "restoreall", "verify", "list"};

} // namespace

TEST(CommandLine, EveryQuirkOfTheGrammar) {
    for (const Case &c : kCases) {
        const Parsed p = Parse(c.line);
        EXPECT_EQ(p.mode, c.mode) << "'" << c.line << "'";
        EXPECT_EQ(p.run, c.mode != kRunInteractive) << "'" << c.line << "'";
        EXPECT_EQ(p.reason, c.reason) << "'" << c.line << "'";
        EXPECT_EQ(p.file, c.file) << "'" << c.line << "'";
    }
}

TEST(CommandLine, HelpAndVersionAreWholeWordsBeforeTheFile) {
    struct InfoCase {
        const char *line;
        int request;
    };
    const InfoCase cases[] = {
        {"--help", kInfoHelp},
        {"-h", kInfoHelp},
        {"--version", kInfoVersion},
        {"configbackup --help file x", kInfoHelp},
        {"--version --help", kInfoHelp},
        {"-help", kInfoNone},
        {"help", kInfoNone},
        {"/h", kInfoNone},
        {"--helpme", kInfoNone},
        {"configbackup file --help", kInfoNone},
        {"configbackup file /x -h", kInfoNone},
    };
    for (const InfoCase &c : cases) {
        auto state = std::make_unique<AppState>();
        ParseCommandLine(U(c.line), *state);
        EXPECT_EQ(state->infoRequest, c.request) << "'" << c.line << "'";
    }
    // The usage names every word and the exit codes.
    const std::string usage = UsageText();
    for (const char *word : {"configbackup", "configrestore", "key", "varinstall", "why", "file", "--version",
                             "Exit codes", "3  the job completed with failures"})
        EXPECT_NE(usage.find(word), std::string::npos) << word;
}

TEST(CommandLine, NoWordLiesInsideAnother) {
    // Older parsers search the line for each word: a new word must neither
    // hold an existing one nor lie inside one.
    for (const char *a : kWords)
        for (const char *b : kWords)
            if (std::string(a) != b) {
                EXPECT_EQ(std::string(a).find(b), std::string::npos) << b << " in " << a;
            }
}

TEST(CommandLine, LongValuesAreCut) {
    const std::string longName(400, 'n');
    Parsed p = Parse("configbackup file " + longName);
    EXPECT_EQ(p.file, longName.substr(0, 255));

    const std::string longReason(3000, 'r');
    p = Parse("varinstall why " + longReason);
    EXPECT_EQ(p.reason, longReason.substr(0, 2549));
}

TEST(CommandLine, FieldsTheLineDoesNotNameKeepTheirValues) {
    auto state = std::make_unique<AppState>();
    state->reason[0] = u'x';
    state->commandLineFile[0] = u'y';
    ParseCommandLine(u"", *state);
    EXPECT_EQ(N(state->reason), "x");
    EXPECT_EQ(N(state->commandLineFile), "y");
    EXPECT_FALSE(state->commandLineRun);
}

TEST(CommandLine, ArgumentsJoinWithSingleSpaces) {
    const char *argv[] = {"vaultkeep", "configbackup", "file", "/tmp/my  copy", nullptr};
    EXPECT_EQ(N(JoinArguments(4, argv)), "configbackup file /tmp/my  copy");
    EXPECT_EQ(N(JoinArguments(1, argv)), "");
    // The joined line parses as the installer's command line would.
    EXPECT_EQ(Parse(N(JoinArguments(4, argv))).file, "/tmp/my  copy");
}
