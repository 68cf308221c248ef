#include "gui/window/ArchiveCommands.h"
#include "core/archive/ArchiveNames.h"
#include "core/archive/ZipArchiver.h"
#include "gui/commands/CommandTable.h"
#include "gui/common/WaitCursor.h"
#include "gui/dialogs/ArchiveProgressWindow.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/pages/FileListPage.h"
#include "gui/pages/FolderListPage.h"
#include "gui/session/AnalysisSession.h"
#include "gui/widgets/ProgressGauge.h"
#include "gui/window/DirTreeView.h"
#include "platform/Errors.h"
#include "platform/NativePath.h"
#include <QAction>
#include <QApplication>
#include <QEvent>

namespace {

std::string FolderOf(const std::string& path) {
    const std::size_t s = path.rfind('/');
    return s == std::string::npos ? std::string() : path.substr(0, s + 1);
}

} // namespace

ArchiveCommands::ArchiveCommands(const CommandContext& context, ProgressGauge* gauge,
                                 FileListPage& files, FolderListPage& sizeList, DirTreeView& tree)
    : QObject(&context.window), context_(context), files_(files), sizeList_(sizeList), tree_(tree),
      progress_(std::make_unique<ArchiveProgressWindow>(&context.window, gauge)) {
    setObjectName(QStringLiteral("ArchiveCommands"));
    auto wire = [this](QAction* action, void (ArchiveCommands::*handler)()) {
        if (action)
            connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    };
    const CommandTable& commands = context.commands;
    wire(commands.Action(QStringLiteral("actMoveToArchive")),
         &ArchiveCommands::MoveCheckedToArchive);
    wire(commands.Action(QStringLiteral("MoveFolderToArchive")),
         &ArchiveCommands::FolderListMoveToArchiveClick);
    wire(commands.Action(QStringLiteral("TreeMoveToArchiveItem")),
         &ArchiveCommands::TreeMoveToArchiveClick);
    connect(&files, &FileListPage::RestoreArchiveRequested, this,
            &ArchiveCommands::RestoreMorvaneArchiveClick);
    context.window.installEventFilter(this);
}

ArchiveCommands::~ArchiveCommands() = default;

QString ArchiveCommands::MoveToArchiveHint() {
    return QStringLiteral("Moves checked files into Zip Archive.\n\rStandard settings: Move, "
                          "SaveDirInfo recursive, File Name: Archived_Files_DRIVE_NUM.zip");
}

bool ArchiveCommands::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &context_.window && event->type() == QEvent::Show && !shown_) {
        shown_ = true;
        if (QAction* a = context_.commands.Action(QStringLiteral("actMoveToArchive"))) {
            QString hint = MoveToArchiveHint();
            a->setToolTip(QString(hint).replace(QLatin1String("\n\r"), QLatin1String("\n")));
            a->setStatusTip(hint.replace(QLatin1String("\n\r"), QLatin1String(" ")));
        }
    }
    return QObject::eventFilter(watched, event);
}

IArchiveUi* ArchiveCommands::CurrentUi() {
    return Ui ? Ui : progress_.get();
}

bool ArchiveCommands::MoveFiles(const std::string& archiveName,
                                const std::vector<std::string>& files, std::vector<char>* handled) {
    const bool ok = MoveFilesToArchive(archiveName, files, CurrentUi(), handled);
    if (!archiveName.empty()) context_.session.SelectFolder(PathText(FolderOf(archiveName)));
    return ok;
}

void ArchiveCommands::MoveCheckedToArchive() {
    FileListPage* page = &files_;
    if (page->Model->Count() == 0) return;
    std::vector<std::string> paths;
    if (CollectCheckedPaths(page->Model->Rows(), paths) == 0) return;
    WaitCursor wait;
    const std::string name = NextArchiveName(PathBytes(context_.session.CurrentFolder()));
    std::vector<char> handled;
    if (!MoveFiles(name, paths, &handled)) ShowMessage(&context_.window, kMoveFailure);
    // Only rows whose files went into the archive leave the list.
    std::vector<char> remove(std::size_t(page->Model->Count()), 0);
    std::size_t k = 0;
    for (std::size_t i = 0; i < remove.size(); ++i)
        if (page->Model->Checked(int(i))) remove[i] = k < handled.size() && handled[k++];
    page->Model->RemoveRows(remove);
}

void ArchiveCommands::FolderListMoveToArchiveClick() {
    // The row's own folder, by its bytes: the list may no longer show the current folder.
    const QString folder = sizeList_.SelectedRowFolder();
    if (IsExistingFolder(folder)) ArchiveFolder(folder + QLatin1Char('/'));
}

void ArchiveCommands::TreeMoveToArchiveClick() {
    const QString folder = tree_.SelectedFolder();
    if (!IsExistingFolder(folder)) return;
    context_.session.SelectFolder(folder);
    ArchiveFolder(folder);
}

void ArchiveCommands::ArchiveFolder(const QString& folder) {
    const QString back = context_.session.CurrentFolder();
    WaitCursor wait;
    try {
        // Without a whole run of folder (another one is going, or Esc stopped
        // it) the scanner still holds the files of the last run, which are
        // another folder's.
        if (!context_.analyse(folder)) return;
        const AnalysisSession& session = context_.session;
        const qsizetype count = session.ShownFileCount(); // a walk over the folder's tree
        if (count == 0) return;                           // the views keep showing folder
        const std::string name = NextArchiveName(PathBytes(folder));
        std::vector<std::string> files;
        files.reserve(std::size_t(count));
        session.ForEachShownFile([&files](const DirScanner::FileRowFacts& r) {
            files.push_back(PathBytes(r.folder + r.name));
        });
        if (!MoveFiles(name, files, nullptr)) ShowMessage(&context_.window, kMoveFailure);
        context_.session.SelectFolder(back);
        context_.analyse(back);
    } catch (const EMorvaneError& e) {
        ShowErrorMessage(&context_.window, e.message());
    } catch (const std::exception& e) {
        ShowErrorMessage(&context_.window, QString::fromLocal8Bit(e.what()));
    }
}

void ArchiveCommands::RestoreMorvaneArchiveClick() {
    FileListPage* page = &files_;
    const int row = page->SingleSelectedRow();
    if (row < 0 || !page->Model->Checked(row)) return;
    const std::string archive = PathBytes(page->Model->RowPath(row));
    WaitCursor wait;
    RestoreArchive(archive, RestoreTarget(archive), CurrentUi());
}
