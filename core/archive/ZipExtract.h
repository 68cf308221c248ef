#pragma once
// The extract step of the archive object: every entry below target, never
// outside it, never through a link, never over an existing file.
#include <QString>
#include <QStringList>
#include <functional>
#include <string>

struct ExtractJob {
    std::string archive;
    std::string target;
    std::string password;
    std::function<void(int entries)> counted; // before the first entry
    std::function<void()> entryDone;          // once per entry
};

struct ExtractOutcome {
    int entries = 0;
    int handled = 0;            // written, or already there
    bool archiveFailed = false; // the archive could not be opened or the target not entered
    bool interrupted = false;   // ArchiveInterrupt() stopped it
    QString problem;            // the first of failures
    QStringList failures;       // one per entry not restored, and per differing file kept
};

ExtractOutcome ExtractFromArchive(const ExtractJob& job);

// Whether path opens as a zip archive; why not, in plain words.
bool OpensAsArchive(const std::string& path, QString* why);
