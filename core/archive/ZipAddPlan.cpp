#include "core/archive/ZipAddPlan.h"
#include "core/archive/ArchiveNames.h"
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

const QString kSpecialFilesKept =
    QStringLiteral("devices, pipes and sockets cannot go into an archive and were kept");

QString SystemError(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}

QString PathForMessage(const std::string& path) {
    return PathText(path);
}

std::string BaseName(const std::string& p) {
    const std::size_t s = p.rfind('/');
    return s == std::string::npos ? p : p.substr(s + 1);
}

namespace {

std::string TrimSlashes(std::string p) {
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    return p;
}

// Leaves a listed path's file where it is, saying why.
void Keep(AddPlan& plan, std::size_t item, const QString& what, const std::string& path, int err) {
    plan.itemIncomplete[item] = 1;
    plan.failures << QStringLiteral("%1 %2: %3").arg(what, PathForMessage(path), SystemError(err));
}

// The full path less the root, through the real folders: a folder reached by a
// link is stored where it really is, so a restore never has to pass a link.
bool FullEntryName(AddPlan& plan, const std::string& path, std::string& name) {
    const std::size_t s = path.rfind('/');
    std::string full;
    if (!plan.realFolders.Resolve(s == std::string::npos ? "." : (s == 0 ? "/" : path.substr(0, s)),
                                  full))
        return false;
    if (full.back() != '/') full += '/';
    full += BaseName(path);
    std::size_t start = full.find_first_not_of('/');
    name = start == std::string::npos ? std::string() : full.substr(start);
    return true;
}

// Whether the file's first byte reads: a file that does not is left where it
// is rather than failing the whole archive when it is written.
int ReadError(const std::string& path) {
    const PathAt at(path);
    const int fd =
        ::openat(at.dir(), at.name(), O_RDONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno;
    char byte;
    const int err = ::pread(fd, &byte, 1, 0) < 0 ? errno : 0;
    ::close(fd);
    return err;
}

void AddPath(AddPlan& plan, std::size_t item, const std::string& path, const std::string& name,
             const struct stat& st, bool recurse);

void AddFolderContents(AddPlan& plan, std::size_t item, const std::string& path,
                       const std::string& name) {
    const PathAt at(path);
    const int fd = ::openat(at.dir(), at.name(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (!dir) {
        const int err = errno;
        if (fd >= 0) ::close(fd);
        Keep(plan, item, QStringLiteral("cannot read the folder"), path, err);
        return;
    }
    // Read the folder whole and close it before going down, so depth costs no
    // open handles.
    std::vector<std::pair<std::string, struct stat>> children;
    errno = 0;
    while (const dirent* d = ::readdir(dir)) {
        if (std::strcmp(d->d_name, ".") == 0 || std::strcmp(d->d_name, "..") == 0) continue;
        struct stat cst {};
        if (::fstatat(::dirfd(dir), d->d_name, &cst, AT_SYMLINK_NOFOLLOW) != 0)
            Keep(plan, item, QStringLiteral("cannot read"), path + "/" + d->d_name, errno);
        else
            children.emplace_back(d->d_name, cst);
        errno = 0;
    }
    if (errno != 0) Keep(plan, item, QStringLiteral("cannot read the folder"), path, errno);
    ::closedir(dir);
    const std::string prefix = path == "/" ? "/" : path + "/";
    const std::string namePrefix = name.empty() ? std::string() : name + "/";
    for (const auto& [child, cst] : children)
        AddPath(plan, item, prefix + child, namePrefix + child, cst, true);
}

void AddPath(AddPlan& plan, std::size_t item, const std::string& path, const std::string& name,
             const struct stat& st, bool recurse) {
    if (plan.haveSkip && st.st_dev == plan.skipDev && st.st_ino == plan.skipIno) return;
    // Another run's unfinished archive is no file of the user's: never stored,
    // and removed when its run is gone.
    if (!S_ISDIR(st.st_mode) && IsArchiveScratchName(BaseName(path).c_str())) {
        if (S_ISREG(st.st_mode) && IsStaleScratchName(BaseName(path).c_str())) {
            const PathAt at(path);
            ::unlinkat(at.dir(), at.name(), 0);
        }
        return;
    }
    ArchiveEntry e;
    e.source = path;
    e.name = name;
    e.st = st;
    if (S_ISDIR(st.st_mode)) {
        e.kind = ArchiveEntry::Folder;
        e.name += '/';
    } else if (S_ISLNK(st.st_mode)) {
        e.kind = ArchiveEntry::Link;
        std::string target(std::size_t(st.st_size > 0 ? st.st_size : PATH_MAX) + 1, '\0');
        const PathAt at(path);
        const ssize_t n = ::readlinkat(at.dir(), at.name(), target.data(), target.size());
        if (n < 0 || std::size_t(n) >= target.size()) {
            Keep(plan, item, QStringLiteral("cannot read the link"), path,
                 n < 0 ? errno : ENAMETOOLONG);
            return;
        }
        target.resize(std::size_t(n));
        e.linkTarget = std::move(target);
    } else if (!S_ISREG(st.st_mode)) {
        // Devices, pipes and sockets have no contents to store: left where they are.
        plan.itemIncomplete[item] = 1;
        plan.specialKept = true;
        return;
    } else if (const int err = ReadError(path)) {
        Keep(plan, item, QStringLiteral("cannot read"), path, err);
        return;
    }
    if (e.name.empty() || e.name == "/") {
        // The root itself has no entry of its own.
    } else if (auto it = plan.byName.find(e.name); it != plan.byName.end()) {
        const ArchiveEntry& known = plan.entries[it->second];
        if (known.st.st_dev != st.st_dev || known.st.st_ino != st.st_ino)
            plan.itemIncomplete[item] = 1; // another file under the same name
        else
            plan.itemEntries[item].push_back(it->second);
    } else {
        plan.byName.emplace(e.name, plan.entries.size());
        plan.itemEntries[item].push_back(plan.entries.size());
        plan.entries.push_back(std::move(e));
    }
    if (!S_ISDIR(st.st_mode) || !recurse) return;
    const std::pair<dev_t, ino_t> id{st.st_dev, st.st_ino};
    if (std::find(plan.descent.begin(), plan.descent.end(), id) != plan.descent.end()) return;
    plan.descent.push_back(id);
    AddFolderContents(plan, item, path, name);
    plan.descent.pop_back();
}

} // namespace

AddPlan MakeAddPlan(const AddJob& job) {
    AddPlan plan;
    plan.itemEntries.resize(job.paths.size());
    plan.entries.reserve(job.paths.size()); // mostly one entry per listed file
    plan.itemIncomplete.assign(job.paths.size(), 0);
    struct stat ast {};
    if (::stat(job.archive.c_str(), &ast) == 0) {
        plan.haveSkip = true;
        plan.skipDev = ast.st_dev;
        plan.skipIno = ast.st_ino;
    }
    for (std::size_t i = 0; i < job.paths.size(); ++i) {
        const std::string path = TrimSlashes(job.paths[i]);
        struct stat st {};
        const PathAt at(path);
        if (path.empty() || ::fstatat(at.dir(), at.name(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            // A scratch file listed before its run ended, or before it was removed as stale.
            if (errno == ENOENT && IsArchiveScratchName(BaseName(path).c_str())) continue;
            Keep(plan, i, QStringLiteral("cannot read"), path, path.empty() ? ENOENT : errno);
            continue;
        }
        std::string name;
        if (job.fullPath) {
            if (!FullEntryName(plan, path, name)) {
                Keep(plan, i, QStringLiteral("cannot resolve"), path, errno);
                continue;
            }
        } else {
            name = BaseName(path);
        }
        AddPath(plan, i, path, name, st, job.recurse);
    }
    return plan;
}
