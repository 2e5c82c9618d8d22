#include "tests/lib/engine/engine_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "lib/engine/job_report.h"
#include "lib/services/directories.h"
#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "platform/text/text.h"
#include "platform/ui/ui.h"

namespace vk::enginetest {

using vk::test::N;
using vk::test::U;

namespace fsys = std::filesystem;

ProgressLog &Log() {
    static ProgressLog log;
    return log;
}

std::vector<int> ProgressLog::Codes() const {
    std::vector<int> out;
    for (const ProgressCall &c : calls) out.push_back(c.code);
    return out;
}

std::vector<std::string> ProgressLog::Texts(int code) const {
    std::vector<std::string> out;
    for (const ProgressCall &c : calls)
        if (c.code == code) out.push_back(c.text);
    return out;
}

int Progress(int code, intptr_t value, const char16_t *text) {
    ProgressLog &log = Log();
    ProgressCall call;
    call.code = code;
    call.value = value;
    if (code == 1) {
        call.number = reinterpret_cast<intptr_t>(text);
    } else {
        call.text = N(vk::text::View(text));
    }
    if ((code == 10 || code == 12) && value) call.number = *reinterpret_cast<const int64_t *>(value);
    if (code == 11 && value) call.name = N(vk::text::View(reinterpret_cast<const char16_t *>(value)));
    log.calls.push_back(call);
    if (code == 2 && log.cancelAfter > 0 && log.cancelFlag && --log.cancelAfter == 0) *log.cancelFlag = 1;
    return code == 9 ? log.answer9 : 0;
}




std::vector<std::string> ZipEntries(const std::string &archive) {
    std::string out;
    std::vector<std::string> names;
    if (Shell("unzip -Z1 " + Quote(archive), &out) != 0) return names;
    size_t start = 0;
    while (start < out.size()) {
        size_t end = out.find('\n', start);
        if (end == std::string::npos) end = out.size();
        if (end > start) names.push_back(out.substr(start, end - start));
        start = end + 1;
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string ZipEntry(const std::string &archive, const std::string &entry) {
    std::string out;
    Shell("unzip -p " + Quote(archive) + " " + Quote(entry), &out);
    return out;
}

bool MakeZip(const std::string &archive, const std::vector<std::pair<std::string, std::string>> &entries) {
    // The entries travel as a small script of hex strings.
    std::string script = "import zipfile,sys\nz=zipfile.ZipFile(sys.argv[1],'w',zipfile.ZIP_DEFLATED)\n";
    auto hex = [](const std::string &s) {
        static const char *digits = "0123456789abcdef";
        std::string h;
        for (unsigned char c : s) {
            h += digits[c >> 4];
            h += digits[c & 15];
        }
        return h;
    };
    for (const auto &[name, bytes] : entries) {
        script += "n=bytes.fromhex('" + hex(name) + "').decode('utf-8')\n";
        if (bytes.rfind("->", 0) == 0) {
            script += "i=zipfile.ZipInfo(n)\ni.external_attr=(0o120777<<16)\ni.create_system=3\n"
                      "z.writestr(i,bytes.fromhex('" + hex(bytes.substr(2)) + "'))\n";
        } else {
            script += "z.writestr(n,bytes.fromhex('" + hex(bytes) + "'))\n";
        }
    }
    script += "z.close()\n";
    const std::string scriptPath = archive + ".py";
    vk::test::WriteFile(scriptPath, script);
    const int rc = Shell("python3 " + Quote(scriptPath) + " " + Quote(archive));
    std::remove(scriptPath.c_str());
    return rc == 0;
}

int WorkFolderCount(const std::string &tempFolder) {
    int n = 0;
    std::error_code ec;
    for (const auto &e : fsys::directory_iterator(tempFolder, ec))
        if (e.path().filename().string().rfind("wtd", 0) == 0) ++n;
    return n;
}

void EngineTest::SetUp() {
    const char *v = std::getenv("VAULTKEEP_REGISTRY");
    hadRegistry_ = v != nullptr;
    savedRegistry_ = v ? v : "";
    vk::ui::ResetUiState();
    vk::ui::ClearShownLog();
    vk::fs::ResetFaults();
    Log() = ProgressLog{};
    vk::engine::SetReportViewer([this](std::u16string_view path) {
        reports.emplace_back(path);
        return true;
    });
    root_ = tmp.path() + "inst/";
    for (const char *d : {"bin", "config", "data", "format", "script", "sim", "backup", "temp"})
        fsys::create_directories(root_ + d);
    UseInstallation(root_);
}

void EngineTest::TearDown() {
    vk::fs::ResetFaults();
    vk::engine::SetReportViewer({});
    vk::ini::Flush(nullptr);
    vk::ini::Forget(nullptr);
    if (hadRegistry_) ::setenv("VAULTKEEP_REGISTRY", savedRegistry_.c_str(), 1);
    else ::unsetenv("VAULTKEEP_REGISTRY");
    vk::lib::LoadDirectories();
    vk::ui::ResetUiState();
}

void EngineTest::UseInstallation(const std::string &root) {
    root_ = root;
    std::string reg = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\KDBase]\r\n";
    const std::pair<const char *, const char *> values[] = {
        {"BinDir", "bin"},       {"ConfigDir", "config"}, {"FormatDir", "format"}, {"DataDir", "data"},
        {"TempDir", "temp"},     {"SimDir", "sim"},       {"ScriptDir", "script"}, {"BackupDir", "backup"},
    };
    for (const auto &[name, folder] : values) reg += std::string("\"") + name + "\"=\"" + root + folder + "/\"\r\n";
    vk::test::WriteFile(tmp.file("registry.reg"), reg);
    ::setenv("VAULTKEEP_REGISTRY", tmp.file("registry.reg").c_str(), 1);
    vk::lib::LoadDirectories();
}

std::string EngineTest::MakeDemo(const std::string &name) {
    const std::string target = tmp.path() + name;
    std::string out;
    if (Shell("bash " + Quote(std::string(VK_SOURCE_DIR) + "/demo/make-installation.sh") + " " + Quote(target),
              &out) != 0)
        ADD_FAILURE() << out;
    return target + "/";
}

} // namespace vk::enginetest
