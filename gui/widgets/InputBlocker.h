#pragma once
// Swallows the user's input to one window while work runs in its event loop:
// clicks, keys, wheel, drops, shortcuts and the window manager's close. Other
// windows (the progress and question dialogs) still take theirs.
#include <QObject>
#include <QPointer>

class QWidget;

class InputBlocker : public QObject {
public:
    explicit InputBlocker(QWidget* window);
    ~InputBlocker() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> window_;
};
