#pragma once
// The add step of the archive object: plan, write under a temporary name,
// verify, rename, then remove the sources.
#include "core/archive/ArchiveScratch.h"
#include "core/archive/PathList.h"
#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

struct AddJob {
    std::string archive;
    const PathList* paths = nullptr; // not copied: a long list costs its memory once
    bool move = false;
    bool recurse = false;
    bool fullPath = false;
    std::function<void()> fileStored; // once per file read (or tried) into the archive
};

struct AddOutcome {
    std::vector<char> handled;  // per path of the job
    bool archiveFailed = false; // the archive itself could not be written or read back
    bool interrupted = false;   // ArchiveInterrupt() stopped it before the archive was in place
    QString problem;            // the first of failures
    QStringList failures;       // one per file left in place, in plain words
};

AddOutcome AddToArchive(const AddJob& job);
