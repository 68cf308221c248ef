#pragma once
// The archive object's progress window ("ZipProgress") and its error box.
#include "core/archive/ZipArchiver.h"
#include <QPointer>

class ProgressDialog;
class QWidget;

class ArchiveProgressWindow : public IArchiveUi {
public:
    // owner: the window the progress window centres on and takes its gauge colours from.
    explicit ArchiveProgressWindow(QWidget* owner, QWidget* colorsFrom = nullptr);
    ~ArchiveProgressWindow() override;

    void OpenProgress(int max) override;
    void StepProgress() override;
    void CloseProgress() override;
    void ShowEngineError(const QString& text) override;

    // The window while it shows; nullptr otherwise.
    ProgressDialog* Window() const;

private:
    QWidget* owner_;
    QWidget* colorsFrom_;
    QPointer<ProgressDialog> window_;
};
