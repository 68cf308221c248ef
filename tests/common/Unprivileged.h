#pragma once
// Permission checks mean nothing to root, and CI runs as root: such a check
// runs its body in a child process that drops to the unprivileged user
// "nobody" first. Paths the child needs are handed to that user beforehand.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <functional>
#include <grp.h>
#include <initializer_list>
#include <sys/wait.h>
#include <unistd.h>

namespace unprivileged {

inline constexpr uid_t kNobody = 65534;
inline constexpr gid_t kNogroup = 65534;

// Makes each path owned by the user the body will run as (a no-op unless root).
inline void HandOver(std::initializer_list<QString> paths) {
    if (::geteuid() != 0) return;
    for (const QString& p : paths)
        if (::chown(QFile::encodeName(p).constData(), kNobody, kNogroup) != 0) _exit(99);
}

// Runs body as an ordinary user and returns its result; -1 when the child
// could not drop its rights or did not end normally.
inline int Run(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(kNogroup) != 0 || ::setuid(kNobody) != 0))
            _exit(101);
        _exit(body());
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status) == 101 ? -1 : WEXITSTATUS(status);
}

} // namespace unprivileged
