// The test helpers that differ between the systems: temporary folders and
// shell commands, on Linux.
#include <cstdlib>
#include <stdexcept>

#include "tests/support/test_support.h"

namespace vk::test {

TempFolder::TempFolder() {
    const char *tmp = std::getenv("TMPDIR");
    std::string base = (tmp && *tmp) ? tmp : "/tmp";
    std::string templ = base + "/vktest.XXXXXX";
    if (!mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
    path_ = templ + "/";
}

int Shell(const std::string &command, std::string *output) {
    vk::test::TempFolder scratch;
    const std::string out = scratch.file("out.txt");
    const std::string code = scratch.file("code.txt");
    const std::string full = "(" + command + ") > " + Quote(out) + " 2>&1; echo $? > " + Quote(code);
    if (std::system(full.c_str()) == -1) return -1;
    if (output) *output = vk::test::ReadFile(out);
    const std::string text = vk::test::ReadFile(code);
    return text.empty() ? -1 : std::atoi(text.c_str());
}

} // namespace vk::test
