#include "gui/widgets/ProgressGauge.h"
#include <QPalette>
#include <algorithm>

ProgressGauge::ProgressGauge(QWidget* parent) : QProgressBar(parent) {
    setRange(0, 100);
    setValue(0);
    setTextVisible(false);
}

void ProgressGauge::SetProgressMax(int max) {
    // A zero range would turn the bar into a busy indicator.
    max = std::max(max, 1);
    setMaximum(max);
    if (value() > max) setValue(max);
}

void ProgressGauge::SetAddProgress(int n) {
    const long long v = std::clamp<long long>(static_cast<long long>(value()) + n, 0, maximum());
    setValue(int(v));
    repaint();
}

void ProgressGauge::ResetProgress() {
    setValue(0);
}

void ProgressGauge::SetColors(const QColor& back, const QColor& fill) {
    QPalette p = palette();
    p.setColor(QPalette::Base, back);
    p.setColor(QPalette::Window, back);
    p.setColor(QPalette::Highlight, fill);
    setPalette(p);
}
