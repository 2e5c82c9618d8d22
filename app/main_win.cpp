// vaultkeep.exe: the Windows program (GUI subsystem, wide entry point). The
// arguments come from the wide command line, so paths with characters outside
// the ANSI code page arrive intact; the rest is the same program as on Linux.
#include <string>
#include <vector>

#include "app/shell/program.h"
#include "platform/fs/fs.h"
#include "platform/process/process.h"
#include "platform/text/text.h"

// Declared as <windows.h> declares it, without including it here.
extern "C" int __stdcall wWinMain(struct HINSTANCE__ *, struct HINSTANCE__ *, wchar_t *, int) {
    vk::process::ConnectStandardStreams();
    std::vector<std::string> args = vk::process::ProgramArguments();
    // Absolute paths ("C:\\Backups\\x.zip") take the separator used inside.
    for (size_t i = 1; i < args.size(); ++i) {
        const std::u16string arg = vk::text::FromUtf8(args[i]);
        if (vk::fs::IsAbsolutePath(arg)) args[i] = vk::text::ToUtf8(vk::fs::InternalPath(arg));
    }
    std::vector<char *> argv;
    for (std::string &a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    return vk::app::RunProgram(static_cast<int>(args.size()), argv.data());
}
