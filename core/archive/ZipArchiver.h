#pragma once
// The archive object: one per move or restore, created, used and dropped by
// the command. Adds files into a zip archive (deflate level 9, zip64 when
// needed) or extracts one.
//
// Add writes the whole archive as a stream under a temporary name beside it
// (ZipWriter), reads every entry back by its offset (size and CRC against
// what was read from the source) and only then renames it into place; with
// Move the sources are removed after that, each only if it is still the file
// that was stored. A file that cannot be read, or changes while it is read,
// is left out and stays; any failure of the archive itself before the rename
// leaves every source where it was and no archive. Extract uses libzip.
//
// Extract writes only below its target: entries with an absolute path, a ".."
// component or a path through a symbolic link are refused, nothing is written
// through a link and no existing file is replaced.
#include "core/archive/PathList.h"
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

// The progress window and the engine's error box, shown by the window.
class IArchiveUi {
public:
    virtual ~IArchiveUi() = default;
    // Creates and shows the progress window with a gauge of max steps.
    virtual void OpenProgress(int max) = 0;
    virtual void StepProgress() = 0;
    // Sets the gauge to 0 and closes the window.
    virtual void CloseProgress() = 0;
    virtual void ShowEngineError(const QString& text) = 0;
};

inline const QString kAddError = QStringLiteral("Error in Add; Fatal DLL Exception in mainunit");
inline const QString kExtractError =
    QStringLiteral("Error in Extract; Fatal DLL Exception in mainunit");
inline const QString kMoveFailure =
    QStringLiteral("Failure while processing task. One or more tasks could not be performed.\n\r"
                   "Possible reasons: File in use or write protected");

class ZipArchiver {
public:
    explicit ZipArchiver(IArchiveUi* ui = nullptr);
    ~ZipArchiver();
    ZipArchiver(const ZipArchiver&) = delete;
    ZipArchiver& operator=(const ZipArchiver&) = delete;

    // Full paths to add; setting the list copies it.
    void SetFilesToZip(const std::vector<std::string>& files) { filesToZip_ = PathList(files); }
    void SetPathsToZip(PathList paths) { filesToZip_ = std::move(paths); }
    const PathList& FilesToZip() const { return filesToZip_; }
    std::string ArchiveName;
    bool Move = false;         // remove each source once the archive is verified
    bool Recurse = false;      // descend into listed folders
    bool SaveFullPath = false; // store the full path less the root, else the name only

    // Adds FilesToZip to ArchiveName; true when every listed path was handled.
    bool ZipFiles();
    // Extracts ArchiveName below target; true when every entry was handled.
    bool ExtractArchive(const std::string& target);

    // Of the last operation: listed paths (Add) or entries (Extract) handled.
    int SuccessCount() const { return successCount_; }
    // After ZipFiles, one flag per FilesToZip item: everything it names went
    // into the archive (and, with Move, is gone from the disk).
    const std::vector<char>& Handled() const { return handled_; }
    // Plain words on what went wrong first; empty when nothing did.
    const QString& Problem() const { return problem_; }
    // Every failure of the last operation (one per file left in place or
    // entry not restored), in plain words.
    const QStringList& Failures() const { return failures_; }
    // Whether an interrupt (ArchiveInterrupt()) stopped the last operation.
    bool Interrupted() const { return interrupted_; }

private:
    IArchiveUi* ui_;
    PathList filesToZip_;
    std::vector<char> handled_;
    int successCount_ = 0;
    QString problem_;
    QStringList failures_;
    bool interrupted_ = false;
};

// What the commands' two steps met besides their result.
struct ArchiveDetails {
    QStringList failures;
    bool interrupted = false;
};

// The commands' two steps: a move into a new archive (all three switches on)
// and a restore. handled, when given, receives ZipArchiver::Handled(); problem
// the first failure in plain words; details every failure.
bool MoveFilesToArchive(const std::string& archiveName, PathList files, IArchiveUi* ui,
                        std::vector<char>* handled = nullptr, QString* problem = nullptr,
                        ArchiveDetails* details = nullptr);
inline bool MoveFilesToArchive(const std::string& archiveName,
                               const std::vector<std::string>& files, IArchiveUi* ui,
                               std::vector<char>* handled = nullptr, QString* problem = nullptr,
                               ArchiveDetails* details = nullptr) {
    return MoveFilesToArchive(archiveName, PathList(files), ui, handled, problem, details);
}
bool RestoreArchive(const std::string& archiveName, const std::string& target, IArchiveUi* ui,
                    QString* problem = nullptr, ArchiveDetails* details = nullptr);
