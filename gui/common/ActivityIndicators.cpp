#include "gui/common/ActivityIndicators.h"
#include "gui/widgets/ProgressGauge.h"
#include <QLabel>
#include <QTimer>

void ActivityIndicators::SetProgressMax(int max) {
    gauge_->SetProgressMax(max);
}

void ActivityIndicators::SetAddProgress(int n) {
    gauge_->SetAddProgress(n);
}

void ActivityIndicators::ResetProgress() {
    gauge_->ResetProgress();
}

void ActivityIndicators::BeginTiming(bool stopTimer) {
    if (stopTimer) timer_->stop();
    label_->clear();
}

void ActivityIndicators::ShowElapsed(const QString& text) {
    label_->setText(text);
    timer_->start();
}
