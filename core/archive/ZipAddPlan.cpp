#include "core/archive/ZipAddPlan.h"
#include "core/archive/ArchiveNames.h"
#include "core/archive/PathList.h"
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <stdexcept>
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

// A folder's name below its top folder, whose own part (its path, or its
// stored-name prefix) is given by top.
static std::string Joined(const AddPlan& plan, std::uint32_t folder,
                          std::uint32_t PlanFolder::*top) {
    std::vector<std::uint32_t> chain;
    for (; plan.folders[folder].parent != kTopFolder; folder = plan.folders[folder].parent)
        chain.push_back(folder);
    std::string path = plan.bytes.data() + plan.folders[folder].*top;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        path += plan.bytes.data() + plan.folders[*it].source;
        path += '/';
    }
    return path;
}

std::string AddPlan::FolderPath(std::uint32_t folder) const {
    return Joined(*this, folder, &PlanFolder::source);
}

std::string AddPlan::StoredPrefix(std::uint32_t folder) const {
    return Joined(*this, folder, &PlanFolder::stored);
}

std::string AddPlan::SourcePath(const PlanEntry& e) const {
    std::string path = FolderPath(e.folder);
    path += Name(e);
    return path;
}

std::string AddPlan::StoredName(const PlanEntry& e) const {
    std::string name = StoredPrefix(e.folder);
    name += Name(e);
    if (e.IsFolder()) name += '/';
    return name;
}

namespace {

std::uint32_t Hash(std::string_view s) {
    return std::uint32_t(std::hash<std::string_view>{}(s));
}

// Entries by stored name: an open table of entry numbers with their names'
// hashes, some 20 bytes an entry where a map of strings takes well over 100.
class NameIndex {
public:
    explicit NameIndex(const AddPlan& plan) : plan_(plan) {}
    // The entry stored under name, or UINT32_MAX.
    std::uint32_t Find(std::string_view name, std::uint32_t hash) const {
        if (slots_.empty()) return UINT32_MAX;
        for (std::size_t i = hash & (slots_.size() - 1);; i = (i + 1) & (slots_.size() - 1)) {
            const Slot& s = slots_[i];
            if (s.entry == UINT32_MAX) return UINT32_MAX;
            if (s.hash == hash && plan_.StoredName(plan_.entries[s.entry]) == name) return s.entry;
        }
    }
    void Insert(std::uint32_t entry, std::uint32_t hash) {
        if (2 * (count_ + 1) > slots_.size()) Grow();
        Place({entry, hash});
        ++count_;
    }

private:
    struct Slot {
        std::uint32_t entry = UINT32_MAX, hash = 0;
    };
    void Place(const Slot& slot) {
        std::size_t i = slot.hash & (slots_.size() - 1);
        while (slots_[i].entry != UINT32_MAX)
            i = (i + 1) & (slots_.size() - 1);
        slots_[i] = slot;
    }
    void Grow() {
        std::vector<Slot> old(std::max<std::size_t>(64, slots_.size() * 2));
        old.swap(slots_);
        for (const Slot& s : old)
            if (s.entry != UINT32_MAX) Place(s);
    }
    const AddPlan& plan_;
    std::vector<Slot> slots_;
    std::size_t count_ = 0;
};

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

std::string WithoutSlash(std::string folder) {
    if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

class PlanBuilder {
public:
    PlanBuilder(const AddJob& job, AddPlan& plan) : job_(job), plan_(plan), index_(plan) {}

    void Run() {
        const PathList& paths = *job_.paths;
        plan_.itemIncomplete.assign(paths.size(), 0);
        plan_.entries.reserve(paths.size()); // mostly one entry per listed file
        struct stat ast {};
        haveSkip_ = ::stat(job_.archive.c_str(), &ast) == 0;
        skip_ = {ast.st_dev, ast.st_ino};
        std::uint32_t listFolder = UINT32_MAX, top = kTopFolder;
        for (std::size_t i = 0; i < paths.size(); ++i) {
            const std::string path = paths.Path(i);
            struct stat st {};
            const PathAt at(path);
            if (path.empty() || ::fstatat(at.dir(), at.name(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
                // A scratch file listed before its run ended, or before it was removed as stale.
                if (errno == ENOENT && IsArchiveScratchName(BaseName(path).c_str())) continue;
                Keep(i, QStringLiteral("cannot read"), path, path.empty() ? ENOENT : errno);
                continue;
            }
            if (paths.FolderId(i) != listFolder || top == kTopFolder) {
                top = TopFolder(paths.Folder(i));
                listFolder = paths.FolderId(i);
                if (top == kTopFolder) {
                    Keep(i, QStringLiteral("cannot resolve"), path, errno);
                    continue;
                }
            }
            Add(std::uint32_t(i), top, paths.Name(i), st, job_.recurse);
        }
    }

private:
    std::uint32_t AddBytes(std::string_view text) {
        if (plan_.bytes.size() + text.size() + 1 > UINT32_MAX)
            throw std::length_error("too many files for one archive");
        const auto at = std::uint32_t(plan_.bytes.size());
        plan_.bytes.append(text);
        plan_.bytes.push_back('\0');
        return at;
    }

    // The folder of listed paths, with the stored names of its files: the
    // full path less the root, through the real folders (a folder reached by
    // a link is stored where it really is, so a restore never passes a link),
    // or nothing for names alone. kTopFolder (errno set) when it cannot be resolved.
    std::uint32_t TopFolder(std::string_view folder) {
        std::string stored;
        if (job_.fullPath) {
            std::string real;
            if (!realFolders_.Resolve(folder.empty() ? "." : WithoutSlash(std::string(folder)),
                                      real))
                return kTopFolder;
            const std::size_t start = real.find_first_not_of('/');
            if (start != std::string::npos) stored = real.substr(start) + '/';
        }
        const std::uint32_t source = AddBytes(folder);
        plan_.folders.push_back({kTopFolder, source, AddBytes(stored)});
        return std::uint32_t(plan_.folders.size() - 1);
    }

    // Leaves a listed path's file where it is, saying why.
    void Keep(std::size_t item, const QString& what, const std::string& path, int err) {
        plan_.itemIncomplete[item] = 1;
        plan_.failures
            << QStringLiteral("%1 %2: %3").arg(what, PathForMessage(path), SystemError(err));
    }

    void Add(std::uint32_t item, std::uint32_t folder, std::string_view name, const struct stat& st,
             bool recurse) {
        if (haveSkip_ && st.st_dev == skip_.first && st.st_ino == skip_.second) return;
        const std::string path = plan_.FolderPath(folder) + std::string(name);
        // Another run's unfinished archive is no file of the user's: never
        // stored, and removed when its run is gone.
        if (!S_ISDIR(st.st_mode) && IsArchiveScratchName(std::string(name).c_str())) {
            if (S_ISREG(st.st_mode) && IsStaleScratchName(std::string(name).c_str())) {
                const PathAt at(path);
                ::unlinkat(at.dir(), at.name(), 0);
            }
            return;
        }
        std::string stored = plan_.StoredPrefix(folder) + std::string(name);
        if (S_ISDIR(st.st_mode)) stored += '/';
        const bool root = stored.empty() || stored == "/"; // the root has no entry of its own
        const std::uint32_t hash = Hash(stored);
        std::uint32_t nameAt = UINT32_MAX;
        if (const std::uint32_t known = root ? UINT32_MAX : index_.Find(stored, hash);
            known != UINT32_MAX) {
            const PlanEntry& k = plan_.entries[known];
            if (k.dev != std::uint64_t(st.st_dev) || k.ino != std::uint64_t(st.st_ino))
                plan_.itemIncomplete[item] = 1; // another file under the same name
            else if (k.item != item)
                plan_.shared.emplace_back(item, known);
            nameAt = k.name;
        } else if (!NewEntry(item, folder, name, path, st, root ? nullptr : &nameAt, hash)) {
            return;
        }
        if (!S_ISDIR(st.st_mode) || !recurse) return;
        const std::pair<dev_t, ino_t> id{st.st_dev, st.st_ino};
        if (std::find(descent_.begin(), descent_.end(), id) != descent_.end()) return;
        std::uint32_t inner = folder; // the root's files lie in its own folder
        if (!name.empty()) {
            if (nameAt == UINT32_MAX) nameAt = AddBytes(name);
            plan_.folders.push_back({folder, nameAt, 0});
            inner = std::uint32_t(plan_.folders.size() - 1);
        }
        descent_.push_back(id);
        AddFolderContents(item, inner);
        descent_.pop_back();
    }

    // Plans what the archive stores of one file, link or folder (into nameAt,
    // unless that is null: the root); false when it cannot be stored.
    bool NewEntry(std::uint32_t item, std::uint32_t folder, std::string_view name,
                  const std::string& path, const struct stat& st, std::uint32_t* nameAt,
                  std::uint32_t hash) {
        std::string target;
        if (S_ISLNK(st.st_mode)) {
            target.resize(std::size_t(st.st_size > 0 ? st.st_size : PATH_MAX) + 1);
            const PathAt at(path);
            const ssize_t n = ::readlinkat(at.dir(), at.name(), target.data(), target.size());
            if (n < 0 || std::size_t(n) >= target.size()) {
                Keep(item, QStringLiteral("cannot read the link"), path,
                     n < 0 ? errno : ENAMETOOLONG);
                return false;
            }
            target.resize(std::size_t(n));
        } else if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode)) {
            // Devices, pipes and sockets have no contents to store: left where they are.
            plan_.itemIncomplete[item] = 1;
            plan_.specialKept = true;
            return false;
        } else if (S_ISREG(st.st_mode)) {
            if (const int err = ReadError(path)) {
                Keep(item, QStringLiteral("cannot read"), path, err);
                return false;
            }
        }
        if (!nameAt) return true;
        PlanEntry e;
        e.dev = std::uint64_t(st.st_dev);
        e.ino = std::uint64_t(st.st_ino);
        e.facts.mode = std::uint32_t(st.st_mode);
        e.facts.size = S_ISREG(st.st_mode)   ? std::uint64_t(st.st_size)
                       : S_ISLNK(st.st_mode) ? target.size()
                                             : 0;
        e.facts.mtimeSec = st.st_mtim.tv_sec;
        e.facts.mtimeNsec = std::uint32_t(st.st_mtim.tv_nsec);
        e.facts.atimeSec = st.st_atim.tv_sec;
        e.facts.atimeNsec = std::uint32_t(st.st_atim.tv_nsec);
        e.folder = folder;
        e.name = *nameAt = AddBytes(name);
        if (S_ISLNK(st.st_mode)) AddBytes(target);
        e.item = item;
        if (plan_.entries.size() >= UINT32_MAX)
            throw std::length_error("too many files for one archive");
        index_.Insert(std::uint32_t(plan_.entries.size()), hash);
        plan_.entries.push_back(e);
        return true;
    }

    void AddFolderContents(std::uint32_t item, std::uint32_t folder) {
        const std::string path = WithoutSlash(plan_.FolderPath(folder));
        const PathAt at(path);
        const int fd =
            ::openat(at.dir(), at.name(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
        if (!dir) {
            const int err = errno;
            if (fd >= 0) ::close(fd);
            Keep(item, QStringLiteral("cannot read the folder"), path, err);
            return;
        }
        // Files go in as they are read; subfolders are entered once the
        // folder is closed, so depth costs no open handles.
        std::vector<std::pair<std::string, struct stat>> subfolders;
        errno = 0;
        while (const dirent* d = ::readdir(dir)) {
            if (std::strcmp(d->d_name, ".") == 0 || std::strcmp(d->d_name, "..") == 0) continue;
            struct stat cst {};
            if (::fstatat(::dirfd(dir), d->d_name, &cst, AT_SYMLINK_NOFOLLOW) != 0)
                Keep(item, QStringLiteral("cannot read"), path + "/" + d->d_name, errno);
            else if (S_ISDIR(cst.st_mode))
                subfolders.emplace_back(d->d_name, cst);
            else
                Add(item, folder, d->d_name, cst, true);
            errno = 0;
        }
        if (errno != 0) Keep(item, QStringLiteral("cannot read the folder"), path, errno);
        ::closedir(dir);
        for (const auto& [child, cst] : subfolders)
            Add(item, folder, child, cst, true);
    }

    const AddJob& job_;
    AddPlan& plan_;
    NameIndex index_;
    RealFolders realFolders_;
    bool haveSkip_ = false;
    std::pair<dev_t, ino_t> skip_{};
    // Folders on the current descent: one met again (a bind mount below
    // itself) is not entered a second time.
    std::vector<std::pair<dev_t, ino_t>> descent_;
};

} // namespace

AddPlan MakeAddPlan(const AddJob& job) {
    AddPlan plan;
    PlanBuilder(job, plan).Run();
    return plan;
}
