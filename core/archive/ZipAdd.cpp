#include "core/archive/ZipAdd.h"
#include "core/archive/ArchiveNames.h"
#include "core/archive/LongPath.h"
#include "core/archive/ZipAddPlan.h"
#include "core/archive/ZipAddWrite.h"
#include "core/archive/ZipCentral.h"
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A name beside the archive that nothing uses yet.
std::string TemporaryName(const std::string& archive) {
    const std::size_t s = archive.rfind('/');
    const std::string folder = s == std::string::npos ? std::string() : archive.substr(0, s + 1);
    const std::string base = BaseName(archive);
    for (int n = 0;; ++n) {
        std::string t = folder + "." + base + "." + std::to_string(::getpid()) + "-" +
                        std::to_string(n) + ".part";
        struct stat st {};
        if (::lstat(t.c_str(), &st) != 0 && errno == ENOENT) return t;
    }
}

// Copies the first size bytes of from into to.
bool CopyStart(int from, int to, std::uint64_t size) {
    std::vector<char> buf(1 << 16);
    for (std::uint64_t at = 0; at < size && !ArchiveInterrupt();) {
        const ssize_t n =
            ::pread(from, buf.data(), std::size_t(std::min<std::uint64_t>(buf.size(), size - at)),
                    off_t(at));
        if (n <= 0 || ::pwrite(to, buf.data(), std::size_t(n), off_t(at)) != n) {
            if (n == 0) errno = EIO;
            return false;
        }
        at += std::uint64_t(n);
    }
    return !ArchiveInterrupt();
}

bool SyncPath(const std::string& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

std::string FolderOf(const std::string& path) {
    const std::size_t s = path.rfind('/');
    if (s == std::string::npos) return ".";
    return s == 0 ? "/" : path.substr(0, s);
}

// Puts the verified archive in place; a new archive never replaces a file that
// appeared under its name meanwhile.
bool PutInPlace(const std::string& temp, const std::string& archive, bool replace,
                QString& problem) {
    int r = replace
                ? ::rename(temp.c_str(), archive.c_str())
                : ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, archive.c_str(), RENAME_NOREPLACE);
    if (r != 0 && !replace && (errno == EINVAL || errno == ENOSYS)) {
        // A file system without that rename: a hard link does the same.
        r = ::link(temp.c_str(), archive.c_str());
        if (r == 0) ::unlink(temp.c_str());
    }
    if (r != 0) {
        problem =
            QStringLiteral("cannot write %1: %2").arg(PathForMessage(archive), SystemError(errno));
        return false;
    }
    SyncPath(FolderOf(archive), O_RDONLY | O_DIRECTORY);
    return true;
}

bool SameFile(const struct stat& now, const PlanEntry& e) {
    const ZipEntryFacts& f = e.facts;
    return std::uint64_t(now.st_dev) == e.dev && std::uint64_t(now.st_ino) == e.ino &&
           (now.st_mode & S_IFMT) == (f.mode & S_IFMT) && std::uint64_t(now.st_size) == f.size &&
           now.st_mtim.tv_sec == f.mtimeSec && std::uint32_t(now.st_mtim.tv_nsec) == f.mtimeNsec;
}

// Closes what it holds however the write ends.
struct OpenFile {
    int fd = -1;
    ~OpenFile() {
        if (fd >= 0) ::close(fd);
    }
};

// Writes the planned entries into a new archive (or a copy of the one there),
// reads it back and puts it in place. False, with the reason in out, when no
// archive was put in place; every source is still there then.
bool WriteArchive(const AddJob& job, AddPlan& plan, AddOutcome& out) {
    QString why;
    const std::string temp = TemporaryName(job.archive);
    auto fail = [&](bool engine) {
        ::unlink(temp.c_str());
        out.failures << why;
        out.interrupted = why == kInterrupted;
        out.archiveFailed = engine && !out.interrupted;
        return false;
    };
    OpenFile old;
    old.fd = ::open(job.archive.c_str(), O_RDONLY | O_CLOEXEC);
    const bool existing = old.fd >= 0;
    // Removed here if the run ends on a second interrupt.
    const int folder = ::open(FolderOf(job.archive).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    struct Scratch {
        int folder;
        ~Scratch() {
            ClearScratchFile();
            if (folder >= 0) ::close(folder);
        }
    } scratch{folder};
    if (folder >= 0) SetScratchFile(folder, BaseName(temp).c_str());
    OpenFile file;
    file.fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (file.fd < 0) {
        why = QStringLiteral("cannot write %1: %2")
                  .arg(PathForMessage(job.archive), SystemError(errno));
        out.failures << why;
        out.archiveFailed = true;
        return false;
    }
    // An archive that grows keeps its entries' data as it is; its directory
    // is written anew after the new entries.
    ZipEnd end;
    if (existing) {
        if (const std::string fault = ReadZipEnd(old.fd, end); !fault.empty()) {
            why = QStringLiteral("cannot write %1: %2")
                      .arg(PathForMessage(job.archive), QString::fromStdString(fault));
            return fail(true);
        }
        if (!CopyStart(old.fd, file.fd, end.centralOffset)) {
            why = ArchiveInterrupt() ? kInterrupted
                                     : QStringLiteral("cannot write %1: %2")
                                           .arg(PathForMessage(job.archive), SystemError(errno));
            return fail(true);
        }
    }
    if (!WriteEntries(job, plan, file.fd, old.fd, why)) return fail(why != kInterrupted);
    const bool any = std::any_of(plan.entries.begin(), plan.entries.end(),
                                 [](const PlanEntry& e) { return e.state == PlanEntry::Written; });
    if (!any && !existing) { // nothing could be read: no archive
        ::unlink(temp.c_str());
        return true;
    }
    if (::fsync(file.fd) != 0) {
        why = QStringLiteral("cannot write %1: %2")
                  .arg(PathForMessage(job.archive), SystemError(errno));
        return fail(true);
    }
    if (!VerifyEntries(plan, file.fd, job.archive, why)) return fail(why != kInterrupted);
    if (ArchiveInterrupt()) {
        why = kInterrupted;
        return fail(false);
    }
    if (!PutInPlace(temp, job.archive, existing, why)) return fail(true);
    return true;
}

// Removes each stored source that is still the file that was stored.
void RemoveSources(AddPlan& plan, AddOutcome& out) {
    auto changed = [&](const std::string& source) {
        out.failures << QStringLiteral("%1 changed after it was stored and was kept")
                            .arg(PathForMessage(source));
    };
    std::vector<std::size_t> gone; // not there any more: seldom, so looked at once at the end
    for (std::size_t i = 0; i < plan.entries.size(); ++i) {
        PlanEntry& e = plan.entries[i];
        if (e.IsFolder() || e.state != PlanEntry::Written) continue; // emptied folders stay
        const std::string source = plan.SourcePath(e);
        struct stat now {};
        const PathAt at(source);
        if (::fstatat(at.dir(), at.name(), &now, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT)
                gone.push_back(i);
            else
                changed(source);
        } else if (!SameFile(now, e)) {
            changed(source); // removing it would lose that change
        } else if (::unlinkat(at.dir(), at.name(), 0) == 0) {
            e.state = PlanEntry::Removed;
        } else {
            out.failures << QStringLiteral("cannot remove %1: %2")
                                .arg(PathForMessage(source), SystemError(errno));
        }
    }
    // The same file reached twice through a bind mount is gone after the first removal.
    std::set<std::pair<std::uint64_t, std::uint64_t>> goneIds;
    for (std::size_t i : gone)
        goneIds.emplace(plan.entries[i].dev, plan.entries[i].ino);
    std::set<std::pair<std::uint64_t, std::uint64_t>> removed;
    for (const PlanEntry& e : plan.entries)
        if (e.state == PlanEntry::Removed && goneIds.count({e.dev, e.ino}))
            removed.emplace(e.dev, e.ino);
    for (std::size_t i : gone) {
        PlanEntry& e = plan.entries[i];
        if (removed.count({e.dev, e.ino}))
            e.state = PlanEntry::Removed;
        else
            changed(plan.SourcePath(e));
    }
}

// Whether what the entry holds is done: in the archive and, with a move, gone
// from the disk.
bool Done(const PlanEntry& e, bool move) {
    if (e.IsFolder()) return e.state == PlanEntry::Written || e.state == PlanEntry::Kept;
    return move ? e.state == PlanEntry::Removed
                : e.state == PlanEntry::Written || e.state == PlanEntry::Removed;
}

} // namespace

AddOutcome AddToArchive(const AddJob& job) {
    AddOutcome out;
    const std::size_t count = job.paths ? job.paths->size() : 0;
    out.handled.assign(count, 0);
    if (const int folder =
            ::open(FolderOf(job.archive).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        folder >= 0) {
        RemoveStaleScratch(folder);
        ::close(folder);
    }
    if (!job.paths) return out;
    AddPlan plan = MakeAddPlan(job);
    // With nothing that has contents to store, no archive is written.
    const bool written = plan.entries.empty() || WriteArchive(job, plan, out);
    if (written && job.move) RemoveSources(plan, out);
    if (written) {
        for (std::size_t i = 0; i < count; ++i)
            out.handled[i] = !plan.itemIncomplete[i];
        for (const PlanEntry& e : plan.entries)
            if (!Done(e, job.move)) out.handled[e.item] = 0;
        for (const auto& [item, entry] : plan.shared)
            if (!Done(plan.entries[entry], job.move)) out.handled[item] = 0;
    }
    out.failures = plan.failures + out.failures;
    if (plan.specialKept ||
        (out.failures.isEmpty() &&
         std::find(out.handled.begin(), out.handled.end(), 0) != out.handled.end()))
        out.failures << kSpecialFilesKept;
    out.problem = out.failures.value(0);
    return out;
}
