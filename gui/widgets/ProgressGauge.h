#pragma once
// The progress gauge: a bar that a scan or a list fill advances and that
// repaints at once, since the event loop does not run during a scan.
#include "core/engine/Progress.h"
#include <QProgressBar>

class ProgressGauge : public QProgressBar, public IProgress {
    Q_OBJECT
public:
    explicit ProgressGauge(QWidget* parent = nullptr);

    void SetProgressMax(int max) override;
    void SetAddProgress(int n) override;
    void ResetProgress();
    // Background and fill colours (settings BarColor and BarFontColor).
    void SetColors(const QColor& back, const QColor& fill);
};
