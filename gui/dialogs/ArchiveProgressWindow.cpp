#include "gui/dialogs/ArchiveProgressWindow.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/dialogs/ProgressDialog.h"
#include <QCoreApplication>

ArchiveProgressWindow::ArchiveProgressWindow(QWidget* owner, QWidget* colorsFrom)
    : owner_(owner), colorsFrom_(colorsFrom) {}

ArchiveProgressWindow::~ArchiveProgressWindow() {
    CloseProgress();
}

ProgressDialog* ArchiveProgressWindow::Window() const {
    return window_;
}

void ArchiveProgressWindow::OpenProgress(int max) {
    CloseProgress();
    QColor back, fill;
    if (colorsFrom_) {
        back = colorsFrom_->palette().color(QPalette::Base);
        fill = colorsFrom_->palette().color(QPalette::Highlight);
    }
    window_ = new ProgressDialog(owner_, back, fill);
    window_->SetProgressMax(max);
    window_->show();
    // The work runs on this thread: let the window appear before it starts.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void ArchiveProgressWindow::StepProgress() {
    if (window_) window_->AddProgress(1);
}

void ArchiveProgressWindow::CloseProgress() {
    if (!window_) return;
    window_->ResetProgress();
    window_->close();
    window_->deleteLater();
    window_ = nullptr;
}

void ArchiveProgressWindow::ShowEngineError(const QString& text) {
    ShowErrorMessage(owner_, text);
}
