#include "gui/widgets/BackgroundToolTip.h"
#include <QCursor>
#include <QEvent>
#include <QThread>
#include <QToolTip>
#include <QWidget>

BackgroundToolTip::BackgroundToolTip(QWidget* widget, std::function<QString()> text)
    : QObject(widget), widget_(widget), text_(std::move(text)) {
    widget->installEventFilter(this);
}

BackgroundToolTip::~BackgroundToolTip() {
    if (worker_) worker_->wait();
}

bool BackgroundToolTip::eventFilter(QObject* watched, QEvent* event) {
    if (watched == widget_ && (event->type() == QEvent::Enter || event->type() == QEvent::ToolTip))
        Refresh();
    return false; // the tip shows with the text it has now
}

void BackgroundToolTip::Refresh() {
    if (worker_) {
        if (worker_->isRunning()) return; // the figure on its way is new enough
        worker_->wait();
        Show(*result_); // ended, its signal still queued
    }
    const int generation = ++generation_;
    result_ = std::make_shared<QString>();
    worker_.reset(QThread::create([text = text_, result = result_] { *result = text(); }));
    connect(worker_.get(), &QThread::finished, this, [this, generation] {
        if (generation != generation_) return; // shown by Refresh already
        worker_->wait();
        Show(*result_);
    });
    worker_->start(QThread::LowPriority);
}

void BackgroundToolTip::Show(const QString& text) {
    if (!widget_ || text.isEmpty()) return;
    widget_->setToolTip(text);
    // A tip already showing for the widget takes the new figure at once.
    if (QToolTip::isVisible() && widget_->underMouse())
        QToolTip::showText(QCursor::pos(), text, widget_);
}
