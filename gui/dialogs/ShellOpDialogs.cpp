#include "gui/dialogs/ShellOpDialogs.h"
#include "gui/widgets/InputBlocker.h"

#include "platform/NativePath.h"
#include <QApplication>
#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>

namespace {
constexpr int kLabelWidth = 420;
} // namespace

ShellOpDialogs::ShellOpDialogs(QWidget* owner) : owner_(owner) {}

ShellOpDialogs::~ShellOpDialogs() {
    EndProgress();
}

bool ShellOpDialogs::ConfirmTrash(const QStringList& paths) {
    const QString text =
        paths.size() == 1
            ? QStringLiteral("Do you want to move \"%1\" to the Trash?")
                  .arg(DisplayPath(paths.first()))
            : QStringLiteral("Do you want to move these %1 items to the Trash?").arg(paths.size());
    QMessageBox box(QMessageBox::Question, QStringLiteral("Move to Trash"), text,
                    QMessageBox::Yes | QMessageBox::No, owner_);
    if (paths.size() > 1) box.setDetailedText(paths.join(QLatin1Char('\n')));
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

bool ShellOpDialogs::ConfirmCreateFolder(const QString& folder) {
    return QMessageBox::question(
               BoxParent(), QStringLiteral("Create Folder"),
               QStringLiteral("The folder \"%1\" does not exist.\nDo you want to create it?")
                   .arg(DisplayPath(folder))) == QMessageBox::Yes;
}

ReplaceAnswer ShellOpDialogs::AskReplace(const QString& existing, const QString& source,
                                         bool more) {
    const QFileInfo e(existing), s(source);
    const QLocale loc;
    auto describe = [&](const QFileInfo& f) {
        return f.isDir() ? QStringLiteral("folder, modified %1")
                               .arg(loc.toString(f.lastModified(), QLocale::ShortFormat))
                         : QStringLiteral("%1, modified %2")
                               .arg(loc.formattedDataSize(f.size()),
                                    loc.toString(f.lastModified(), QLocale::ShortFormat));
    };
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Replace"),
                    QStringLiteral("\"%1\" already exists in \"%2\".\n\nReplace it (%3)\nwith "
                                   "\"%4\" (%5)?\n\nThe replaced item goes to the Trash.")
                        .arg(e.fileName(), e.path(), describe(e), source, describe(s)),
                    QMessageBox::NoButton, BoxParent());
    QPushButton* replace = box.addButton(QStringLiteral("Replace"), QMessageBox::AcceptRole);
    QPushButton* all =
        more ? box.addButton(QStringLiteral("Replace All"), QMessageBox::YesRole) : nullptr;
    QPushButton* skip = box.addButton(QStringLiteral("Skip"), QMessageBox::NoRole);
    QPushButton* cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(cancel);
    box.exec();
    if (box.clickedButton() == replace) return ReplaceAnswer::Replace;
    if (all && box.clickedButton() == all) return ReplaceAnswer::ReplaceAll;
    if (box.clickedButton() == skip) return ReplaceAnswer::Skip;
    return ReplaceAnswer::Cancel;
}

void ShellOpDialogs::ShowError(const QString& message) {
    QMessageBox::critical(BoxParent(), QStringLiteral("Error"), message);
}

QWidget* ShellOpDialogs::BoxParent() {
    if (!progress_) return owner_;
    // A box of the progress window's own stays above it and takes its clicks; the
    // progress window shows first so that it cannot pop up over the box later.
    if (!progress_->isVisible()) progress_->show();
    return progress_;
}

void ShellOpDialogs::BeginProgress(const QString& title, std::int64_t totalBytes) {
    EndProgress();
    blocker_ = std::make_unique<InputBlocker>(owner_);
    total_ = totalBytes;
    scale_ = 1;
    while (total_ / scale_ > 1000000000)
        scale_ *= 1024;
    progress_ = new QProgressDialog(title, QStringLiteral("Cancel"), 0,
                                    int(qMax<std::int64_t>(1, total_ / scale_)), owner_);
    progress_->setWindowTitle(title);
    progress_->setWindowModality(Qt::WindowModal);
    progress_->setMinimumDuration(500);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
}

bool ShellOpDialogs::StepProgress(const QString& current, std::int64_t bytesDone) {
    if (!progress_) return true;
    // A long name would widen the window past the screen and push Cancel off it.
    const QString shown =
        progress_->fontMetrics().elidedText(DisplayPath(current), Qt::ElideMiddle, kLabelWidth);
    if (progress_->labelText() != shown) progress_->setLabelText(shown);
    progress_->setValue(int(qMin(total_, bytesDone) / scale_));
    QApplication::processEvents();
    return !progress_->wasCanceled();
}

void ShellOpDialogs::EndProgress() {
    if (progress_) {
        progress_->close();
        progress_->deleteLater();
    }
    progress_ = nullptr;
    if (blocker_) {
        // Clicks made during the last step are dropped, not run afterwards.
        QApplication::processEvents();
        blocker_.reset();
    }
}
