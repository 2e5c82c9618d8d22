// Whether a display can be reached, before Qt is asked to open one (Qt ends
// the process when its platform plugin cannot connect).
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/ui/qt/qt_backend.h"

namespace vk::ui::qt {

namespace {

// Connects to a Unix socket; `abstractName` uses the abstract namespace.
bool CanConnect(const std::string &path, bool abstractName) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const size_t offset = abstractName ? 1 : 0;
    if (path.empty() || path.size() + offset >= sizeof(addr.sun_path)) return false;
    std::memcpy(addr.sun_path + offset, path.data(), path.size());
    const auto len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size() + (abstractName ? 0 : 1));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr *>(&addr), len) == 0;
    ::close(fd);
    return ok;
}

const char *Env(const char *name) {
    const char *v = std::getenv(name);
    return v && *v ? v : nullptr;
}

bool WaylandReachable(const char *display) {
    std::string path = display;
    if (path.front() != '/') {
        const char *runtime = Env("XDG_RUNTIME_DIR");
        if (!runtime) return false;
        path = std::string(runtime) + "/" + path;
    }
    return CanConnect(path, false);
}

// DISPLAY is [host]:number[.screen]; local displays listen on
// /tmp/.X11-unix/X<number> (also in the abstract namespace).
bool X11Reachable(const std::string &display) {
    const size_t colon = display.rfind(':');
    if (colon == std::string::npos) return false;
    const std::string host = display.substr(0, colon);
    if (!host.empty() && host != "unix") return true; // over the network: trusted
    std::string number;
    for (size_t i = colon + 1; i < display.size() && display[i] >= '0' && display[i] <= '9'; ++i) number += display[i];
    if (number.empty()) return false;
    const std::string path = "/tmp/.X11-unix/X" + number;
    return CanConnect(path, true) || CanConnect(path, false);
}

} // namespace

bool DisplayReachable() {
    if (Env("QT_QPA_PLATFORM")) return true;
    if (const char *wayland = Env("WAYLAND_DISPLAY"); wayland && WaylandReachable(wayland)) return true;
    if (const char *x11 = Env("DISPLAY")) return X11Reachable(x11);
    return false;
}

} // namespace vk::ui::qt
