#pragma once
// A small window with one gauge, shown without blocking while a long file
// operation runs. It has no buttons: the work cannot be cancelled.
#include <QDialog>

class ProgressGauge;

class ProgressDialog : public QDialog {
    Q_OBJECT
public:
    // back and fill are the colours of the main window's gauge.
    explicit ProgressDialog(QWidget* parent = nullptr, const QColor& back = QColor(),
                            const QColor& fill = QColor());

    void SetProgressMax(int max);
    // Advances the gauge by step, never past its maximum.
    void AddProgress(int step);
    void ResetProgress();

protected:
    // Neither Esc nor the window manager closes it: the work goes on regardless.
    // The owner closes it with close() when the work is done.
    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    ProgressGauge* gauge_ = nullptr; // "Gauge"
};
