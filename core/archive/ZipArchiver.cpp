#include "core/archive/ZipArchiver.h"
#include "core/archive/ZipAdd.h"
#include "core/archive/ZipExtract.h"

namespace {
// Set before every extraction; the archives this program writes carry none.
constexpr char kFixedPassword[] = "mvx4";

// Opens the progress window and closes it again however the work ends.
class ProgressWindow {
public:
    explicit ProgressWindow(IArchiveUi* ui) : ui_(ui) {}
    ~ProgressWindow() {
        if (ui_ && open_) ui_->CloseProgress();
    }
    void Open(int max) {
        if (ui_ && !open_) ui_->OpenProgress(max);
        open_ = true;
    }
    void Step() {
        if (ui_) ui_->StepProgress();
    }

private:
    IArchiveUi* ui_;
    bool open_ = false;
};
} // namespace

ZipArchiver::ZipArchiver(IArchiveUi* ui) : ui_(ui) {}
ZipArchiver::~ZipArchiver() = default;

bool ZipArchiver::ZipFiles() {
    successCount_ = 0;
    problem_.clear();
    failures_.clear();
    interrupted_ = false;
    const int k = int(filesToZip_.size());
    handled_.assign(filesToZip_.size(), 0);
    if (ArchiveName.empty() || k < 1) {
        problem_ = ArchiveName.empty() ? QStringLiteral("no archive name")
                                       : QStringLiteral("nothing to add");
        failures_ << problem_;
        return false;
    }
    ProgressWindow progress(ui_);
    progress.Open(k);
    AddJob job;
    job.archive = ArchiveName;
    job.paths = &filesToZip_;
    job.move = Move;
    job.recurse = Recurse;
    job.fullPath = SaveFullPath;
    job.fileStored = [&progress] { progress.Step(); };
    AddOutcome out;
    try {
        out = AddToArchive(job);
    } catch (const std::exception& e) {
        out.archiveFailed = true;
        out.problem = QString::fromLocal8Bit(e.what());
        out.failures << out.problem;
    }
    if (out.archiveFailed && ui_) ui_->ShowEngineError(kAddError);
    handled_ = std::move(out.handled);
    handled_.resize(filesToZip_.size());
    problem_ = out.problem;
    failures_ = std::move(out.failures);
    interrupted_ = out.interrupted;
    for (char h : handled_)
        successCount_ += h ? 1 : 0;
    return k - successCount_ <= 0;
}

bool ZipArchiver::ExtractArchive(const std::string& target) {
    successCount_ = 0;
    problem_.clear();
    failures_.clear();
    interrupted_ = false;
    handled_.clear();
    ProgressWindow progress(ui_);
    ExtractJob job;
    job.archive = ArchiveName;
    job.target = target;
    job.password = kFixedPassword;
    job.counted = [&progress](int entries) { progress.Open(entries); };
    job.entryDone = [&progress] { progress.Step(); };
    ExtractOutcome out;
    try {
        out = ExtractFromArchive(job);
    } catch (const std::exception& e) {
        out.archiveFailed = true;
        out.problem = QString::fromLocal8Bit(e.what());
        out.failures << out.problem;
    }
    if (out.archiveFailed && ui_) ui_->ShowEngineError(kExtractError);
    successCount_ = out.handled;
    problem_ = out.problem;
    failures_ = std::move(out.failures);
    interrupted_ = out.interrupted;
    // An archive that cannot be read has no entries, which must not pass for success.
    return !out.archiveFailed && out.entries - successCount_ <= 0;
}

namespace {
void Report(const ZipArchiver& zip, QString* problem, ArchiveDetails* details) {
    if (problem) *problem = zip.Problem();
    if (details) *details = {zip.Failures(), zip.Interrupted()};
}
} // namespace

bool MoveFilesToArchive(const std::string& archiveName, PathList files, IArchiveUi* ui,
                        std::vector<char>* handled, QString* problem, ArchiveDetails* details) {
    ZipArchiver zip(ui);
    zip.ArchiveName = archiveName;
    zip.Move = true;
    zip.SaveFullPath = true;
    zip.Recurse = true;
    zip.SetPathsToZip(std::move(files));
    const bool ok = zip.ZipFiles();
    if (handled) *handled = zip.Handled();
    Report(zip, problem, details);
    return ok;
}

bool RestoreArchive(const std::string& archiveName, const std::string& target, IArchiveUi* ui,
                    QString* problem, ArchiveDetails* details) {
    ZipArchiver zip(ui);
    zip.ArchiveName = archiveName;
    const bool ok = zip.ExtractArchive(target);
    Report(zip, problem, details);
    return ok;
}
