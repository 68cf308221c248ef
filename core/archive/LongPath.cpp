#include "core/archive/LongPath.h"
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr int kStepFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;

// Replaces dir by next (closing it unless it is the current folder's).
int Step(int& dir, int next) {
    if (dir >= 0) ::close(dir);
    dir = next;
    return next;
}
} // namespace

int OpenFolderPath(const std::string& path, int flags) {
    if (path.size() < PATH_MAX) return ::open(path.c_str(), flags | O_CLOEXEC);
    int dir = path.front() == '/' ? ::open("/", kStepFlags) : ::open(".", kStepFlags);
    std::size_t pos = path.find_first_not_of('/');
    while (dir >= 0 && pos < path.size()) {
        std::size_t end = path.size();
        if (end - pos >= PATH_MAX) {
            end = path.rfind('/', pos + PATH_MAX - 1);
            if (end == std::string::npos || end <= pos) {
                Step(dir, -1);
                errno = ENAMETOOLONG;
                return -1;
            }
        }
        const bool last = end == path.size();
        const int next = ::openat(dir, path.substr(pos, end - pos).c_str(),
                                  last ? flags | O_CLOEXEC : kStepFlags);
        const int err = errno;
        Step(dir, next);
        errno = err;
        pos = last ? end : path.find_first_not_of('/', end);
    }
    return dir;
}

PathAt::PathAt(const std::string& path) : dir_(AT_FDCWD), name_(path.c_str()) {
    if (path.size() < PATH_MAX) return;
    const std::size_t s = path.rfind('/');
    base_ = path.substr(s + 1);
    name_ = base_.c_str();
    own_ = dir_ = OpenFolderPath(s == 0 ? std::string("/") : path.substr(0, s), kStepFlags);
}

PathAt::~PathAt() {
    if (own_ >= 0) ::close(own_);
}

bool RealFolders::Walk(int& dir, std::string& real, const std::string& rest, std::size_t* twist) {
    for (std::size_t pos = 0; pos < rest.size();) {
        std::size_t end = rest.find('/', pos);
        if (end == std::string::npos) end = rest.size();
        const std::string part = rest.substr(pos, end - pos);
        pos = end + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!real.empty()) real.erase(real.rfind('/'));
            if (Step(dir, ::openat(dir, "..", kStepFlags)) < 0) return false;
            if (twist) *twist = end;
            continue;
        }
        struct stat st {};
        if (::fstatat(dir, part.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
        if (S_ISLNK(st.st_mode)) {
            if (++links_ > 40) {
                errno = ELOOP;
                return false;
            }
            std::string target(PATH_MAX, '\0');
            const ssize_t n = ::readlinkat(dir, part.c_str(), target.data(), target.size());
            if (n <= 0) return false;
            target.resize(std::size_t(n));
            if (target.front() == '/') {
                real.clear();
                if (Step(dir, ::open("/", kStepFlags)) < 0) return false;
            }
            if (!Walk(dir, real, target, nullptr)) return false;
            if (twist) *twist = end;
            continue;
        }
        if (!S_ISDIR(st.st_mode)) {
            errno = ENOTDIR;
            return false;
        }
        if (Step(dir, ::openat(dir, part.c_str(), kStepFlags | O_NOFOLLOW)) < 0) return false;
        real += '/';
        real += part;
    }
    return true;
}

bool RealFolders::Resolve(const std::string& folder, std::string& real) {
    if (folder.empty() || folder.front() != '/') {
        char* cwd = ::getcwd(nullptr, 0);
        if (!cwd) return false;
        std::string absolute = cwd;
        ::free(cwd);
        return Resolve(absolute + "/" + folder, real);
    }
    if (folder == lastFolder_) {
        real = lastReal_;
        return true;
    }
    // Up from the last folder through plain folders only: drop as much of its
    // real path as of its own.
    if (!lastFolder_.empty() && lastFolder_.starts_with(folder + "/") &&
        folder.size() >= lastTwist_) {
        const std::string tail = lastFolder_.substr(folder.size());
        if (tail.find("//") == std::string::npos && tail.find("/./") == std::string::npos &&
            !tail.ends_with("/.") && tail.back() != '/' && lastReal_.ends_with(tail)) {
            lastReal_.resize(lastReal_.size() - tail.size());
            lastFolder_ = folder;
            real = lastReal_.empty() ? "/" : lastReal_;
            return true;
        }
    }
    links_ = 0;
    std::string walked;
    std::string rest = folder;
    std::size_t twist = 0;
    int dir = -1;
    if (!lastFolder_.empty() && folder.starts_with(lastFolder_ + "/") && lastFolder_ != "/") {
        // Down from the last folder: only the new part is walked.
        walked = lastReal_;
        rest = folder.substr(lastFolder_.size() + 1);
        dir = OpenFolderPath(walked.empty() ? std::string("/") : walked, kStepFlags);
        twist = lastTwist_;
    } else {
        dir = ::open("/", kStepFlags);
    }
    std::size_t restTwist = 0;
    const bool ok = dir >= 0 && Walk(dir, walked, rest, &restTwist);
    const int err = errno;
    if (dir >= 0) ::close(dir);
    errno = err;
    if (!ok) {
        lastFolder_.clear();
        return false;
    }
    if (restTwist) twist = folder.size() - rest.size() + restTwist;
    lastFolder_ = folder;
    lastReal_ = walked;
    lastTwist_ = twist;
    real = walked.empty() ? "/" : walked;
    return true;
}
