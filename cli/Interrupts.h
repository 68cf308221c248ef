#pragma once
// SIGINT and SIGTERM during a report: whatever the report has begun to write is
// removed and the process ends with 128 + the signal (130, 143); once the
// outputs are in place, with 0. Files are
// written into a scratch folder and put in place only at the end, under
// CommitLock(), so an interrupt never leaves a half-written output behind.
#include <QByteArray>
#include <QString>
#include <mutex>

class ReportInterrupts {
public:
    // Blocks both signals in this thread and every thread started later; one
    // watcher thread takes them. Make it before any other thread starts.
    ReportInterrupts();
    ~ReportInterrupts();
    ReportInterrupts(const ReportInterrupts&) = delete;
    ReportInterrupts& operator=(const ReportInterrupts&) = delete;

    // Makes a scratch folder beside near (a file path), or in the temporary
    // folder when near is empty; it is removed on an interrupt and by the
    // destructor. Empty when it cannot be made.
    QString MakeScratch(const QString& near);
    // An interrupt waits while this is held, so a file being put in place (or a
    // finished report being copied to standard output) arrives whole; a second
    // interrupt meanwhile ends the process at once.
    static std::mutex& CommitLock();
    // Called under CommitLock() once every output is in place: an interrupt
    // from then on ends the process with status 0, as the work is done.
    static void Committed();
};
