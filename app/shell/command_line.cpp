#include "app/shell/command_line.h"

#include <vector>

#include "common/string_copy.h"
#include "platform/text/text.h"

namespace vk::app {
namespace {

struct ModeWord {
    std::u16string_view word;
    int mode;
    uint32_t reasonId; // 0: the reason text stays as it is
};

// In their order of precedence.
constexpr ModeWord kModeWords[] = {
    {u"key", kRunCriticalBackup, 3067},
    {u"configbackup", kRunConfigBackup, 6109},
    {u"configrestore", kRunConfigRestore, 6110},
    {u"varinstall", kRunVarInstall, 0},
    // No older word lies inside these, and none of them inside an older word.
    {u"restoreall", kRunRestoreAll, 6110},
    {u"verify", kRunVerify, 0},
    {u"list", kRunList, 0},
};

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

// One blank-separated word of the line: where it starts and ends.
struct Word {
    size_t begin;
    size_t end;
};

// The word without its one optional leading "-" or "/".
std::u16string_view Bare(std::u16string_view line, Word w) {
    std::u16string_view text = line.substr(w.begin, w.end - w.begin);
    if (text.size() > 1 && (text[0] == u'-' || text[0] == u'/')) text.remove_prefix(1);
    return text;
}

// The word that starts at or after `from`; npos begin when there is none.
Word NextWord(std::u16string_view line, size_t from) {
    while (from < line.size() && IsBlank(line[from])) ++from;
    size_t end = from;
    while (end < line.size() && !IsBlank(line[end])) ++end;
    return {from < line.size() ? from : std::u16string_view::npos, end};
}

// The reason text after "why" ends at `end`; returns where the words go on.
size_t TakeReason(std::u16string_view line, size_t from, AppState &state) {
    while (from < line.size() && line[from] == u' ') ++from;
    size_t end = line.find(u'-', from);
    if (end == std::u16string_view::npos) end = line.size();
    CopyBounded(state.reason, kReasonTextChars, line.substr(from, end - from));
    return end;
}

void TakeFile(std::u16string_view line, size_t wordEnd, AppState &state) {
    // One character after the word is the separator, whatever it is. When the
    // line ends right after the word there is no name.
    const size_t from = wordEnd + 1;
    CopyBounded(state.commandLineFile, kPathChars, from <= line.size() ? line.substr(from) : std::u16string_view());
}

} // namespace

void ParseCommandLine(std::u16string_view line, AppState &state) {
    std::vector<std::u16string_view> words;
    bool reasonTaken = false;
    for (Word w = NextWord(line, 0); w.begin != std::u16string_view::npos; w = NextWord(line, w.end)) {
        const std::u16string_view raw = line.substr(w.begin, w.end - w.begin);
        if (raw == u"--help" || raw == u"-h") {
            state.infoRequest = kInfoHelp;
            continue;
        }
        if (raw == u"--version") {
            if (state.infoRequest != kInfoHelp) state.infoRequest = kInfoVersion;
            continue;
        }
        const std::u16string_view word = Bare(line, w);
        if (word == u"file") {
            TakeFile(line, w.end, state);
            break; // the rest of the line is the file name
        }
        if (word == u"why" && !reasonTaken) {
            reasonTaken = true;
            w.end = TakeReason(line, w.end, state);
            continue;
        }
        words.push_back(word);
    }
    for (const ModeWord &m : kModeWords) {
        bool named = false;
        for (std::u16string_view w : words) named = named || w == m.word;
        if (!named) continue;
        state.runMode = m.mode;
        state.commandLineRun = true;
        if (m.reasonId != 0) CopyBounded(state.reason, kReasonTextChars, AppText(m.reasonId));
        return;
    }
}

std::u16string JoinArguments(int argc, const char *const *argv) {
    std::u16string line;
    for (int i = 1; i < argc; ++i) {
        if (!argv[i]) break;
        if (i > 1) line += u' ';
        line += text::FromUtf8(argv[i]);
    }
    return line;
}

const char *UsageText() {
    return "usage: vaultkeep [WORD...] [why REASON] [file ARCHIVE]\n"
           "Without a word the program shows its window. With one of these words it runs\n"
           "one job without a window and ends by itself:\n"
           "  configbackup file ARCHIVE    configuration backup of the installation\n"
           "  configrestore file ARCHIVE   open and check a configuration archive\n"
           "  key                          backup of the critical files\n"
           "  varinstall                   variable-definition step\n"
           "  list file ARCHIVE            the archive's summary and items, with what a restore would do\n"
           "  verify file ARCHIVE          check every entry and record of the archive\n"
           "  restoreall file ARCHIVE      restore every item the version policy allows; the installed\n"
           "                               versions are saved first into pre-restore-<date>.conf.vkb\n"
           "  why REASON                   the reason recorded with the job (up to the first \"-\")\n"
           "  --help, -h                   this text\n"
           "  --version                    the program's version\n"
           "Words count only as whole words, with or without one leading \"-\" or \"/\";\n"
           "everything after \"file \" is the archive's name.\n"
           "Exit codes:\n"
           "  0  the job was done\n"
           "  1  the job failed (no archive written, the archive could not be opened, ...)\n"
           "  2  no display to show the window on, and no word given\n"
           "  3  the job completed with failures: some items failed (see the results report)\n";
}

} // namespace vk::app
