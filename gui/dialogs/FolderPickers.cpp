#include "gui/dialogs/FolderPickers.h"
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>

namespace {
FolderPickHook& Hook() {
    static FolderPickHook hook;
    return hook;
}

QString Pick(QWidget* owner, const QString& title, const QString& start, const QString& root,
             bool statusText) {
    if (Hook()) return Hook()(owner, title, start, root);
    QFileDialog dlg(owner ? owner : QApplication::activeWindow(), title);
    dlg.setFileMode(QFileDialog::Directory);
    dlg.setOption(QFileDialog::ShowDirsOnly, true);
    // Our own dialog, so the status line below can be added to it.
    dlg.setOption(QFileDialog::DontUseNativeDialog, true);
    dlg.setOption(QFileDialog::ReadOnly, true);
    QString dir = start;
    if (dir.isEmpty() || !QDir(dir).exists()) dir = root.isEmpty() ? QDir::homePath() : root;
    // Opened in the start folder with the name field empty, so Choose takes
    // that folder at once; a name typed into the field would have to be
    // cleared first.
    dlg.setDirectory(dir);
    if (statusText) {
        if (auto* grid = qobject_cast<QGridLayout*>(dlg.layout())) {
            auto* status = new QLabel(&dlg);
            status->setTextInteractionFlags(Qt::TextSelectableByMouse);
            grid->addWidget(status, grid->rowCount(), 0, 1, grid->columnCount());
            QObject::connect(&dlg, &QFileDialog::currentChanged, status, &QLabel::setText);
            QObject::connect(&dlg, &QFileDialog::directoryEntered, status, &QLabel::setText);
            status->setText(dir);
        }
    }
    if (dlg.exec() != QDialog::Accepted) return {};
    const QStringList files = dlg.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

QString WithDelimiter(QString p) {
    if (!p.isEmpty() && !p.endsWith(QLatin1Char('/'))) p += QLatin1Char('/');
    return p;
}
} // namespace

void SetFolderPickHook(FolderPickHook hook) {
    Hook() = std::move(hook);
}

QString BrowseForFolders::BrowseFolder(const QString& title, int flags) {
    return Pick(nullptr, title, QString(), QString(), flags & BIF_STATUSTEXT);
}

bool BrowseForFolders::BrowseFolderFrom(QWidget* owner, QString& path, const QString& title,
                                        const QString& root, int flags) {
    const QString chosen = Pick(owner, title, path, root, (flags & BIF_STATUSTEXT) != 0);
    if (chosen.isEmpty()) return false;
    path = chosen;
    return true;
}

bool FolderDialog::Execute() {
    const QString chosen = Pick(owner_, Title, Directory, QString(), false);
    if (chosen.isEmpty()) return false;
    Directory = WithDelimiter(chosen);
    return true;
}
