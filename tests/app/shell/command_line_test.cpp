// The command-line grammar: substring search, precedence of the mode words,
// and the quirks of "why" and "file".
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
    {"why-varinstall", kRunVarInstall, "", ""},
    {"varinstall why   ", kRunVarInstall, "", ""},
    // Case-sensitive: these are no words.
    {"KEY", kRunInteractive, "", ""},
    {"ConfigBackup", kRunInteractive, "", ""},
    {"VarInstall File x", kRunInteractive, "", ""},
    // A word inside a reason or a path counts.
    {"why monkey business -varinstall", kRunCriticalBackup, "Backup of critical files", ""},
    {"varinstall why profile check", kRunVarInstall, "profile check", "check"},
    {"configbackup file /home/u/keys/a", kRunCriticalBackup, "Backup of critical files", "/home/u/keys/a"},
    // "file": the rest of the line after one separator character.
    {"configbackup file C:\\Backups\\my copy", kRunConfigBackup, "Configuration Backup", "C:\\Backups\\my copy"},
    {"configbackup fileC:\\x", kRunConfigBackup, "Configuration Backup", ":\\x"},
    {"configbackup file  two spaces", kRunConfigBackup, "Configuration Backup", " two spaces"},
    {"file /a/b configrestore", kRunConfigRestore, "Configuration Restore", "/a/b configrestore"},
    {"configbackup file", kRunConfigBackup, "Configuration Backup", ""},
    {"configbackup file ", kRunConfigBackup, "Configuration Backup", ""},
    {"configbackup why nightly -file /x", kRunConfigBackup, "Configuration Backup", "/x"},
    {"varinstall why nightly -file /x", kRunVarInstall, "nightly ", "/x"},
};

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
