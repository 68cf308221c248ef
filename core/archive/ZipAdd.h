#pragma once
// The add step of the archive object: plan, write under a temporary name,
// verify, rename, then remove the sources.
#include <QString>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

struct AddJob {
    std::string archive;
    std::vector<std::string> paths;
    bool move = false;
    bool recurse = false;
    bool fullPath = false;
    std::function<void()> fileStored; // once per file read into the archive
};

struct AddOutcome {
    std::vector<char> handled;  // per path of the job
    bool archiveFailed = false; // the archive itself could not be written or read back
    QString problem;
};

AddOutcome AddToArchive(const AddJob& job);

// Set (also from a signal handler) to stop an add: the sources stay and no
// archive is left, as with any other failure before the rename.
std::atomic<bool>& ArchiveInterrupt();
