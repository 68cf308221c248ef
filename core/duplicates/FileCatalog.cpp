#include "core/duplicates/FileCatalog.h"
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

bool Cancelled(const std::atomic<bool>* cancel) {
    return cancel && cancel->load(std::memory_order_relaxed);
}

// A kernel's view (proc, sys, ...) or an automount point: its "files" are no
// user data, some reads block, and an automount would wait for its server.
bool IsPseudoMount(int parentFd, const char* name, dev_t parentDevice) {
    struct stat st {};
    if (::fstatat(parentFd, name, &st, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT) != 0) return false;
    if (st.st_dev == parentDevice) return false;
    const int fd = ::openat(parentFd, name, O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    struct statfs fs {};
    const bool known = ::fstatfs(fd, &fs) == 0;
    ::close(fd);
    if (!known) return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case AUTOFS_SUPER_MAGIC:
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
    case DEBUGFS_MAGIC:
    case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC:
    case SELINUX_MAGIC:
    case PSTOREFS_MAGIC:
    case EFIVARFS_MAGIC:
    case CGROUP_SUPER_MAGIC:
    case CGROUP2_SUPER_MAGIC:
    case BINFMTFS_MAGIC:
    case DEVPTS_SUPER_MAGIC:
    case BPF_FS_MAGIC:
        return true;
    default:
        return false;
    }
}

} // namespace

std::uint32_t FileCatalog::AddFolder(std::uint32_t parent, const char* name, std::size_t length) {
    folders_.push_back({names_.size(), parent, std::uint32_t(length)});
    names_.append(name, length);
    return std::uint32_t(folders_.size() - 1);
}

std::string FileCatalog::FolderPath(std::uint32_t folder) const {
    std::vector<std::uint32_t> chain;
    for (std::uint32_t f = folder; f != kNoParent; f = folders_[f].parent)
        chain.push_back(f);
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const Folder& f = folders_[*it];
        if (!path.empty() && path.back() != '/') path += '/';
        path.append(names_, f.nameOffset, f.nameLength);
    }
    return path;
}

std::string FileCatalog::Path(const File& f) const {
    std::string path = FolderPath(f.folder);
    if (path.empty() || path.back() != '/') path += '/';
    path.append(names_, f.nameOffset, f.nameLength);
    return path;
}

void FileCatalog::Walk(const std::string& root, std::uint64_t minSize, bool includeEmpty,
                       const std::atomic<bool>* cancel, std::atomic<std::uint64_t>* found,
                       std::vector<DuplicateProblem>& problems) {
    // The root was named by the user: a link to a folder is taken.
    const int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        problems.push_back({root, std::strerror(errno), false});
        return;
    }
    std::string name = root;
    while (name.size() > 1 && name.back() == '/')
        name.pop_back();
    const std::uint32_t folder = AddFolder(kNoParent, name.data(), name.size());
    WalkFolder(fd, folder, minSize, includeEmpty, cancel, found, problems);
}

void FileCatalog::WalkFolder(int fd, std::uint32_t folder, std::uint64_t minSize, bool includeEmpty,
                             const std::atomic<bool>* cancel, std::atomic<std::uint64_t>* found,
                             std::vector<DuplicateProblem>& problems) {
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        problems.push_back({FolderPath(folder), std::strerror(errno), false});
        ::close(fd);
        return;
    }
    std::string subfolders; // names, each ending in '\0'
    struct stat self {};
    ::fstat(fd, &self);
    const std::uint64_t least = std::max<std::uint64_t>(minSize, includeEmpty ? 0 : 1);
    while (const dirent* e = ::readdir(dir)) {
        if (Cancelled(cancel)) break;
        const char* n = e->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
        if (e->d_type == DT_DIR) {
            subfolders.append(n).push_back('\0');
            continue;
        }
        if (e->d_type != DT_REG && e->d_type != DT_UNKNOWN) continue; // links, devices
        struct stat st {};
        if (::fstatat(::dirfd(dir), n, &st, AT_SYMLINK_NOFOLLOW) != 0) continue; // gone
        if (S_ISDIR(st.st_mode)) {
            subfolders.append(n).push_back('\0');
            continue;
        }
        if (!S_ISREG(st.st_mode) || std::uint64_t(st.st_size) < least) continue;
        const std::size_t length = std::strlen(n);
        files_.push_back({std::uint64_t(st.st_size), std::uint64_t(st.st_dev),
                          std::uint64_t(st.st_ino),
                          std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
                          names_.size(), folder, std::uint16_t(length)});
        names_.append(n, length);
        if (found) found->fetch_add(1, std::memory_order_relaxed);
    }
    for (std::size_t at = 0; at < subfolders.size() && !Cancelled(cancel);) {
        const char* n = subfolders.c_str() + at;
        const std::size_t length = std::strlen(n);
        at += length + 1;
        if (IsPseudoMount(::dirfd(dir), n, self.st_dev)) continue;
        const int sub = ::openat(::dirfd(dir), n, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const std::uint32_t child = AddFolder(folder, n, length);
        if (sub < 0) {
            if (errno != ELOOP && errno != ENOTDIR) // a link or a file put in its place
                problems.push_back({FolderPath(child), std::strerror(errno), false});
            continue;
        }
        WalkFolder(sub, child, minSize, includeEmpty, cancel, found, problems);
    }
    ::closedir(dir);
}
