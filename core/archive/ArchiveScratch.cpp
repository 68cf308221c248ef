#include "core/archive/ArchiveScratch.h"
#include "core/archive/ArchiveNames.h"
#include "platform/DirSearch.h"
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
std::atomic<int> scratchDir{-1};
char scratchName[NAME_MAX + 1];

// Reads a decimal number at p; false when there is none.
bool Digits(const char*& p, long* value) {
    if (*p < '0' || *p > '9') return false;
    long v = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        v = v < LONG_MAX / 10 ? v * 10 + (*p - '0') : LONG_MAX;
    if (value) *value = v;
    return true;
}

bool Skip(const char*& p, const char* text) {
    const std::size_t n = std::strlen(text);
    if (std::strncmp(p, text, n) != 0) return false;
    p += n;
    return true;
}
} // namespace

std::atomic<bool>& ArchiveInterrupt() {
    static std::atomic<bool> interrupted{false};
    return interrupted;
}

void SetScratchFile(int dirfd, const char* name) {
    scratchDir.store(-1);
    std::strncpy(scratchName, name, NAME_MAX);
    scratchName[NAME_MAX] = '\0';
    scratchDir.store(dirfd);
}

void ClearScratchFile() {
    scratchDir.store(-1);
}

void RemoveScratchFileNow() {
    const int dir = scratchDir.exchange(-1);
    if (dir != -1) ::unlinkat(dir, scratchName, 0);
}

bool IsArchiveScratchName(const char* name, long* pid) {
    const char* p = name;
    if (!Skip(p, ".") || !Skip(p, kArchivePrefix) || *p == '\0' || !Skip(++p, "_")) return false;
    if (!Digits(p, nullptr) || !Skip(p, ".zip.") || !Digits(p, pid) || !Skip(p, "-") ||
        !Digits(p, nullptr) || !Skip(p, ".part"))
        return false;
    return *p == '\0' || *p == '.';
}

bool IsStaleScratchName(const char* name) {
    long pid = 0;
    // A process that is still there may be writing it; a reused number only
    // keeps a file that the next run looks at again.
    return IsArchiveScratchName(name, &pid) &&
           !(pid > 0 && pid <= INT_MAX && (::kill(pid_t(pid), 0) == 0 || errno != ESRCH));
}

void RemoveStaleScratch(int folderFd) {
    DirReader dir(::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    DirReader::Entry e;
    while (dir.Next(e)) {
        if (!IsStaleScratchName(e.name)) continue;
        struct stat st {};
        if (::fstatat(dir.fd(), e.name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
            ::unlinkat(dir.fd(), e.name, 0);
    }
}
