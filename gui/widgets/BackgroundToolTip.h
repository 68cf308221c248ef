#pragma once
// A tool tip whose text takes long to find out (a walk of the disk): it is
// worked out on a thread of its own each time the pointer comes onto the
// widget, and the last text shows until the new one is ready.
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class QThread;
class QWidget;

class BackgroundToolTip : public QObject {
public:
    // text runs on the worker thread: it must not touch widgets.
    BackgroundToolTip(QWidget* widget, std::function<QString()> text);
    ~BackgroundToolTip() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Refresh();
    void Show(const QString& text);

    QPointer<QWidget> widget_;
    std::function<QString()> text_;
    std::unique_ptr<QThread> worker_;
    std::shared_ptr<QString> result_; // the worker's, read once it has ended
    int generation_ = 0;
};
