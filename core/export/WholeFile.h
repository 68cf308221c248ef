#pragma once
// Writing a target whole or not at all. A regular file (or a new one) is written
// into a temporary file beside it and renamed over it at Commit; a symbolic link
// is followed and its target replaced. An existing target that is not a regular
// file (a pipe, a terminal, /dev/null) is never replaced: what was written is
// kept in memory and written to it directly at Commit. /dev/stdout, /dev/stderr,
// /dev/fd/N and /proc/self/fd/N are written through the process's own
// descriptor, whatever it refers to.
#include <QByteArray>
#include <QString>

class WholeFileWriter {
public:
    explicit WholeFileWriter(const QString& target);
    ~WholeFileWriter(); // discards everything unless committed
    WholeFileWriter(const WholeFileWriter&) = delete;
    WholeFileWriter& operator=(const WholeFileWriter&) = delete;

    // A pipe or device target gets each Write at once instead of everything at
    // Commit (set before Open): a long stream then is not held in memory, at
    // the cost of a partial write when it fails midway.
    void SetStreamToDevice(bool on) { streamToDevice_ = on; }

    bool Open();
    bool Write(const QByteArray& bytes);
    bool Commit();
    QString ErrorString() const { return error_; }

private:
    QString target_;
    QString error_;
    bool direct_ = false;
    bool streamToDevice_ = false;
    int deviceFd_ = -1;
    bool ownsDeviceFd_ = false;
    QByteArray pending_;
    QByteArray tempPath_; // the file being written beside the target
    int tempFd_ = -1;
};

// The existing target is not a regular file (after following links): write it
// directly, never replace it.
bool IsSpecialTarget(const QString& target);

// Puts the finished file tempPath in target's place: renamed over a regular or
// new target (keeping an existing file's permissions), copied into a special
// one. tempPath is gone afterwards in every case.
bool ReplaceWithFile(const QString& tempPath, const QString& target, QString* error = nullptr);
