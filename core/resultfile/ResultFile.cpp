#include "core/resultfile/ResultFile.h"
#include "core/export/WholeFile.h"
#include "platform/Errors.h"
#include "platform/NativePath.h"
#include <QFile>
#include <QtEndian>
#include <sys/stat.h>

namespace {

void PutInt32(QByteArray& out, qint32 v) {
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

void PutSection(QByteArray& out, const QStringList& items) {
    PutInt32(out, qint32(items.size()) - 1);
    for (const QString& item : items) {
        // A path keeps its bytes, also those of a name that is not UTF-8.
        const QByteArray text = NativePath(item);
        PutInt32(out, qint32(text.size()));
        out.append(text);
    }
}

// Reads one section; every length is checked against what is left before anything
// is taken, so a hostile count or length never allocates.
QString ReadSection(const char* data, qsizetype size, qsizetype& pos, QStringList& items) {
    if (size - pos < 4) return QStringLiteral("it ends before a section count");
    const qint32 n = qFromLittleEndian<qint32>(data + pos);
    pos += 4;
    if (n < -1) return QStringLiteral("a section count is negative");
    const qint64 count = qint64(n) + 1;
    // Each item needs at least its 4-byte length.
    if (count > (size - pos) / 4) return QStringLiteral("it ends before all items are read");
    QStringList result;
    result.reserve(qsizetype(count));
    for (qint64 i = 0; i < count; ++i) {
        if (size - pos < 4) return QStringLiteral("it ends before all items are read");
        const qint32 len = qFromLittleEndian<qint32>(data + pos);
        pos += 4;
        if (len < 0) return QStringLiteral("an item length is negative");
        if (len > size - pos) return QStringLiteral("it ends before all items are read");
        result.append(PathFromNative(data + pos, len));
        pos += len;
    }
    items = std::move(result);
    return {};
}

// Far above any analysis (a million rows take some 60 MB).
constexpr qint64 kMaxResultFileBytes = qint64(1) << 30;

} // namespace

QByteArray ResultFileBytes(const QStringList& paths, const QStringList& mbTexts,
                           const QStringList& kbTexts) {
    QByteArray out;
    PutSection(out, paths);
    PutSection(out, mbTexts);
    PutSection(out, kbTexts);
    return out;
}

QString ParseResultFile(const QByteArray& bytes, QStringList& paths, QStringList& mbTexts,
                        QStringList& kbTexts) {
    QStringList p, m, k;
    qsizetype pos = 0;
    for (QStringList* list : {&p, &m, &k}) {
        const QString error = ReadSection(bytes.constData(), bytes.size(), pos, *list);
        if (!error.isEmpty()) return error;
    }
    if (pos != bytes.size()) return QStringLiteral("data follows the third section");
    if (p.size() != m.size() || p.size() != k.size())
        return QStringLiteral("its three sections differ in length");
    paths = std::move(p);
    mbTexts = std::move(m);
    kbTexts = std::move(k);
    return {};
}

void SaveResultFile(const QStringList& paths, const QStringList& mbTexts,
                    const QStringList& kbTexts, const QString& fileName) {
    // The folder is made when missing, one level only.
    const QString folder = FolderOf(fileName);
    if (!IsExistingFolder(folder) && ::mkdir(NativePath(folder).constData(), 0777) != 0)
        throw EMorvaneError(QStringLiteral("Could not create ") + folder);
    WholeFileWriter out(fileName);
    if (!out.Open() || !out.Write(ResultFileBytes(paths, mbTexts, kbTexts)) || !out.Commit()) {
        const QString error = out.ErrorString();
        throw EMorvaneError(QStringLiteral("Could not create ") + fileName +
                            (error.isEmpty() ? QString() : QStringLiteral(": ") + error));
    }
}

void LoadResultFile(QStringList& paths, QStringList& mbTexts, QStringList& kbTexts,
                    const QString& fileName) {
    QFile file;
    struct stat st {};
    if (::stat(NativePath(fileName).constData(), &st) != 0)
        throw EMorvaneError(QStringLiteral("Could not open ") + fileName +
                            QStringLiteral(": no such file"));
    if (!S_ISREG(st.st_mode))
        throw EMorvaneError(QStringLiteral("Could not open ") + fileName +
                            QStringLiteral(": not a file"));
    if (QString why; !OpenForReading(file, fileName, &why))
        throw EMorvaneError(QStringLiteral("Could not open ") + fileName + QStringLiteral(": ") +
                            why);
    // Read, not mapped: a file another program cuts short meanwhile must give a
    // short read, not a bus error. Result files are small; a huge one is not ours.
    if (file.size() > kMaxResultFileBytes)
        throw EMorvaneError(fileName + QStringLiteral(" is not a Morvane++ result file: ") +
                            QStringLiteral("it is too large"));
    QByteArray bytes;
    bytes.reserve(qsizetype(file.size()));
    char chunk[1 << 16];
    for (;;) {
        const qint64 n = file.read(chunk, sizeof chunk);
        if (n < 0)
            throw EMorvaneError(QStringLiteral("Could not read ") + fileName +
                                QStringLiteral(": ") + file.errorString());
        if (n == 0) break;
        if (bytes.size() + n > kMaxResultFileBytes)
            throw EMorvaneError(fileName + QStringLiteral(" is not a Morvane++ result file: ") +
                                QStringLiteral("it is too large"));
        bytes.append(chunk, qsizetype(n));
    }
    QString error;
    QStringList p, m, k;
    if (bytes.size() < 12)
        error = QStringLiteral("it is too short");
    else
        error = ParseResultFile(bytes, p, m, k);
    if (!error.isEmpty())
        throw EMorvaneError(fileName + QStringLiteral(" is not a Morvane++ result file: ") + error);
    paths = std::move(p);
    mbTexts = std::move(m);
    kbTexts = std::move(k);
}
