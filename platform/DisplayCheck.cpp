#include "platform/DisplayCheck.h"
#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A file descriptor that closes itself.
class Socket {
public:
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket() {
        if (fd_ >= 0) ::close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

// errno of a connect to the Unix socket at path (abstract when it begins with
// '\0'); 0 when something listens there.
int ConnectUnix(const std::string& path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) return ENAMETOOLONG;
    std::memcpy(addr.sun_path, path.data(), path.size());
    const Socket s(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (s.fd() < 0) return errno;
    const auto len = socklen_t(offsetof(sockaddr_un, sun_path) + path.size() +
                               (path.empty() || path[0] != '\0' ? 1 : 0));
    return ::connect(s.fd(), reinterpret_cast<const sockaddr*>(&addr), len) == 0 ? 0 : errno;
}

// The same over TCP; a host that does not answer within a few seconds counts
// as unreachable rather than holding the start.
int ConnectTcp(const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || !found)
        return EHOSTUNREACH;
    int error = ECONNREFUSED;
    for (addrinfo* a = found; a; a = a->ai_next) {
        const Socket s(::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        if (s.fd() < 0) continue;
        if (::connect(s.fd(), a->ai_addr, a->ai_addrlen) == 0) {
            error = 0;
            break;
        }
        if (errno != EINPROGRESS) {
            error = errno;
            continue;
        }
        pollfd p{s.fd(), POLLOUT, 0};
        if (::poll(&p, 1, 3000) != 1) {
            error = ETIMEDOUT;
            continue;
        }
        int soError = 0;
        socklen_t len = sizeof soError;
        ::getsockopt(s.fd(), SOL_SOCKET, SO_ERROR, &soError, &len);
        if (soError == 0) {
            error = 0;
            break;
        }
        error = soError;
    }
    ::freeaddrinfo(found);
    return error;
}

QString Reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Empty when an X server answers at display ("host:N.S", ":N", "unix:N").
QString XServerProblem(const QString& display) {
    const qsizetype colon = display.lastIndexOf(QLatin1Char(':'));
    const QString host = display.left(colon);
    bool ok = false;
    const int number = display.mid(colon + 1).section(QLatin1Char('.'), 0, 0).toInt(&ok);
    // Socket paths and protocol prefixes are left to the library.
    if (colon < 0 || !ok || number < 0 || host.contains(QLatin1Char('/'))) return {};
    int error = 0;
    if (host.isEmpty() || host == QLatin1String("unix")) {
        const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
        error = ConnectUnix(std::string(1, '\0') + path);
        if (error != 0) error = ConnectUnix(path);
    } else {
        error = ConnectTcp(host.toStdString(), 6000 + number);
    }
    if (error == 0) return {};
    return QStringLiteral("cannot open the window: the X display %1 cannot be reached (%2)")
        .arg(display, Reason(error));
}

QString WaylandProblem(const QString& name) {
    QString path = name;
    if (!QDir::isAbsolutePath(path)) {
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        if (runtime.isEmpty()) return {}; // the library will say why
        path = runtime + QLatin1Char('/') + name;
    }
    const int error = ConnectUnix(QFile::encodeName(path).toStdString());
    if (error == 0) return {};
    return QStringLiteral("cannot open the window: the Wayland display %1 cannot be reached (%2)")
        .arg(name, Reason(error));
}

} // namespace

QString MissingDisplay() {
    // The first platform named is the one tried first.
    const QString platform =
        qEnvironmentVariable("QT_QPA_PLATFORM").section(QLatin1Char(';'), 0, 0);
    const QString x11 = qEnvironmentVariable("DISPLAY");
    const QString wayland = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (platform.isEmpty()) {
        if (x11.isEmpty() && wayland.isEmpty())
            return QStringLiteral("cannot open the window: no display (DISPLAY and "
                                  "WAYLAND_DISPLAY are not set); use morvane --report for a "
                                  "headless report");
        // Either display will do when both are set.
        const QString xProblem = x11.isEmpty() ? QString() : XServerProblem(x11);
        if (!x11.isEmpty() && xProblem.isEmpty()) return {};
        const QString wProblem = wayland.isEmpty() ? QString() : WaylandProblem(wayland);
        if (!wayland.isEmpty() && wProblem.isEmpty()) return {};
        return xProblem.isEmpty() ? wProblem : xProblem;
    }
    if (platform.startsWith(QLatin1String("xcb")))
        return x11.isEmpty()
                   ? QStringLiteral("cannot open the window: no X display (DISPLAY is not set)")
                   : XServerProblem(x11);
    if (platform.startsWith(QLatin1String("wayland")))
        return wayland.isEmpty() ? QStringLiteral("cannot open the window: no Wayland display "
                                                  "(WAYLAND_DISPLAY is not set)")
                                 : WaylandProblem(wayland);
    return {}; // offscreen, vnc, eglfs, ... need no display server
}
