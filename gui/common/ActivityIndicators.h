#pragma once
// The tool bar's gauge and elapsed-time label, shared by the window's runs and
// the pages' long fills: the gauge follows the work, the label shows how long
// it took for two seconds.
#include "core/engine/Progress.h"
#include <QString>

class QLabel;
class QTimer;
class ProgressGauge;

class ActivityIndicators : public IProgress {
public:
    ActivityIndicators(ProgressGauge* gauge, QLabel* elapsedLabel, QTimer* elapsedTimer)
        : gauge_(gauge), label_(elapsedLabel), timer_(elapsedTimer) {}

    void SetProgressMax(int max) override;
    void SetAddProgress(int n) override;
    void ResetProgress();
    ProgressGauge* Gauge() const { return gauge_; }

    // Clears the label (and stops its clearing timer) as a timed piece of work begins.
    void BeginTiming(bool stopTimer);
    // Shows text in the label until the timer clears it.
    void ShowElapsed(const QString& text);

private:
    ProgressGauge* gauge_;
    QLabel* label_;
    QTimer* timer_;
};
