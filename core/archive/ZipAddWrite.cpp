#include "core/archive/ZipAddWrite.h"
#include "core/archive/ZipCentral.h"
#include "core/archive/ZipWriter.h"
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

namespace {

// Copies one file into the archive: opened without following a link, checked
// to be the file that was planned, read up to one byte past its planned size.
// Empty when it went in whole; else why it was left out. Errors of the
// archive itself show in writer.Error().
QString StoreFile(const AddPlan& plan, PlanEntry& e, ZipWriter& writer, std::string_view name,
                  std::vector<char>& buf) {
    const std::string source = plan.SourcePath(e);
    const PathAt at(source);
    const int fd =
        ::openat(at.dir(), at.name(), O_RDONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return QStringLiteral("cannot read %1: %2").arg(PathForMessage(source), SystemError(errno));
    struct stat st {};
    const std::uint64_t planned = e.facts.size;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || std::uint64_t(st.st_ino) != e.ino ||
        std::uint64_t(st.st_dev) != e.dev) {
        ::close(fd);
        return QStringLiteral("%1 was replaced while it was stored").arg(PathForMessage(source));
    }
    QString why;
    bool ok = writer.Begin(name, e.facts);
    std::uint64_t count = 0;
    while (ok && why.isEmpty() && count <= planned) {
        if (ArchiveInterrupt()) {
            why = kInterrupted;
            break;
        }
        const std::size_t want =
            std::size_t(std::min<std::uint64_t>(buf.size(), planned + 1 - count));
        const ssize_t n = ::read(fd, buf.data(), want);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0)
            why = QStringLiteral("cannot read %1: %2")
                      .arg(PathForMessage(source), SystemError(errno));
        if (n <= 0) break;
        count += std::uint64_t(n);
        ok = writer.Data(buf.data(), std::size_t(n));
    }
    ::close(fd);
    if (ok && why.isEmpty() && count != planned)
        why = QStringLiteral("%1 changed while it was stored").arg(PathForMessage(source));
    if (ok && why.isEmpty())
        writer.End(e.facts);
    else if (ok)
        writer.Drop(e.facts);
    return why;
}

// The names an archive that grows holds already.
bool OldNames(int old, std::unordered_set<std::string>& names, QString& why) {
    ZipEnd end;
    if (const std::string fault = ReadZipEnd(old, end); !fault.empty()) {
        why = QString::fromStdString(fault);
        return false;
    }
    CentralReader reader(old, end);
    CentralRecord r;
    while (reader.Next(r))
        names.insert(r.name);
    if (reader.Failed()) why = QStringLiteral("its central directory is damaged");
    return !reader.Failed();
}

} // namespace

bool WriteEntries(const AddJob& job, AddPlan& plan, int fd, int old, QString& why) {
    const QString archive = PathForMessage(job.archive);
    std::unordered_set<std::string> oldNames, replaced;
    ZipEnd oldEnd;
    if (old >= 0) {
        if (!OldNames(old, oldNames, why)) {
            why = QStringLiteral("cannot write %1: %2").arg(archive, why);
            return false;
        }
        ReadZipEnd(old, oldEnd);
    }
    ZipWriter writer(fd, oldEnd.centralOffset);
    std::vector<char> buf(1 << 16);
    for (PlanEntry& e : plan.entries) {
        if (ArchiveInterrupt()) {
            why = kInterrupted;
            return false;
        }
        const std::string name = plan.StoredName(e);
        if (old >= 0 && oldNames.count(name)) {
            if (e.IsFolder()) {
                e.state = PlanEntry::Kept;
                continue;
            }
            replaced.insert(name);
        }
        QString skipped;
        if (name.size() > 0xFFFF) {
            skipped = QStringLiteral("%1: its name is longer than a zip archive holds")
                          .arg(PathForMessage(plan.SourcePath(e)));
        } else if (S_ISREG(e.facts.mode)) {
            skipped = StoreFile(plan, e, writer, name, buf);
            if (job.fileStored) job.fileStored();
            if (skipped == kInterrupted) {
                why = kInterrupted;
                return false;
            }
        } else if (writer.Begin(name, e.facts)) {
            const std::string_view target = e.IsLink() ? plan.LinkTarget(e) : std::string_view();
            if (writer.Data(target.data(), target.size())) writer.End(e.facts);
        }
        if (writer.Error()) break;
        if (!skipped.isEmpty()) {
            replaced.erase(name);
            e.state = PlanEntry::Skipped;
            plan.failures << skipped;
        } else {
            e.state = PlanEntry::Written;
        }
    }
    if (!writer.Error()) {
        writer.CentralStart();
        if (old >= 0) {
            CentralReader reader(old, oldEnd);
            CentralRecord r;
            while (reader.Next(r))
                if (!replaced.count(r.name)) writer.CentralRaw(r.raw.data(), r.raw.size());
        }
        for (const PlanEntry& e : plan.entries)
            if (e.state == PlanEntry::Written && !writer.Central(plan.StoredName(e), e.facts))
                break;
        writer.Finish(oldEnd.comment);
    }
    if (writer.Error()) {
        why = QStringLiteral("cannot write %1: %2").arg(archive, SystemError(writer.Error()));
        return false;
    }
    return true;
}

bool VerifyEntries(const AddPlan& plan, int fd, const std::string& archive, QString& why) {
    ZipEnd end;
    if (const std::string fault = ReadZipEnd(fd, end); !fault.empty()) {
        why =
            QStringLiteral("the archive does not read back: %1").arg(QString::fromStdString(fault));
        return false;
    }
    std::uint64_t written = 0;
    for (const PlanEntry& e : plan.entries)
        written += e.state == PlanEntry::Written ? 1 : 0;
    CentralReader reader(fd, end);
    CentralRecord r;
    // The records of an archive that grows come first and are not ours to check.
    for (std::uint64_t k = end.count < written ? 0 : end.count - written; k > 0; --k)
        reader.Next(r);
    for (const PlanEntry& e : plan.entries) {
        if (e.state != PlanEntry::Written) continue;
        if (ArchiveInterrupt()) {
            why = kInterrupted;
            return false;
        }
        const std::string name = plan.StoredName(e);
        std::uint32_t crc = 0;
        std::uint64_t size = 0;
        std::string fault;
        if (!reader.Next(r) || r.name != name || r.offset != e.facts.offset ||
            r.crc != e.facts.crc || r.size != e.facts.size || r.packed != e.facts.packed)
            fault = "its directory record is not as written";
        else
            fault = ReadEntryData(fd, r, crc, size);
        if (fault == "interrupted") {
            why = kInterrupted;
            return false;
        }
        if (fault.empty() && (crc != e.facts.crc || size != e.facts.size))
            fault = "its data is not what was read";
        if (!fault.empty()) {
            why = QStringLiteral("%1 does not read back from %2: %3")
                      .arg(PathForMessage(name), PathForMessage(archive),
                           QString::fromStdString(fault));
            return false;
        }
    }
    return true;
}
