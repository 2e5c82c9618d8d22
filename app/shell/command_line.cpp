#include "app/shell/command_line.h"

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
};

void ParseWhy(std::u16string_view line, AppState &state) {
    const size_t at = line.find(u"why");
    if (at == std::u16string_view::npos) return;
    size_t from = at + 3;
    while (from < line.size() && line[from] == u' ') ++from;
    std::u16string_view rest = line.substr(from);
    rest = rest.substr(0, rest.find(u'-'));
    CopyBounded(state.reason, kReasonTextChars, rest);
}

void ParseMode(std::u16string_view line, AppState &state) {
    for (const ModeWord &m : kModeWords) {
        if (line.find(m.word) == std::u16string_view::npos) continue;
        state.runMode = m.mode;
        state.commandLineRun = true;
        if (m.reasonId != 0) CopyBounded(state.reason, kReasonTextChars, AppText(m.reasonId));
        return;
    }
}

void ParseFile(std::u16string_view line, AppState &state) {
    const size_t at = line.find(u"file");
    if (at == std::u16string_view::npos) return;
    // One character after the word is the separator, whatever it is. When the
    // line ends right after the word there is no name.
    const size_t from = at + 4 + 1;
    CopyBounded(state.commandLineFile, kPathChars, from <= line.size() ? line.substr(from) : std::u16string_view());
}

} // namespace

void ParseCommandLine(std::u16string_view line, AppState &state) {
    ParseWhy(line, state);
    ParseMode(line, state);
    ParseFile(line, state);
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

} // namespace vk::app
