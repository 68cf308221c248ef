#include "gui/dialogs/ProgressDialog.h"
#include "gui/widgets/ProgressGauge.h"
#include <QCloseEvent>
#include <QKeyEvent>
#include <QVBoxLayout>

ProgressDialog::ProgressDialog(QWidget* parent, const QColor& back, const QColor& fill)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("ProgressForm"));
    setWindowTitle(QStringLiteral("ZipProgress"));
    setFixedSize(223, 29);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(15, 6, 15, 6);
    gauge_ = new ProgressGauge(this);
    gauge_->setObjectName(QStringLiteral("Gauge"));
    gauge_->setFixedSize(193, 17);
    if (back.isValid() && fill.isValid()) gauge_->SetColors(back, fill);
    layout->addWidget(gauge_);
    if (parent) {
        const QPoint c = parent->geometry().center();
        move(c.x() - width() / 2, c.y() - height() / 2);
    }
}

void ProgressDialog::SetProgressMax(int max) {
    gauge_->SetProgressMax(max);
}

void ProgressDialog::AddProgress(int step) {
    gauge_->SetAddProgress(step);
}

void ProgressDialog::ResetProgress() {
    gauge_->ResetProgress();
}

void ProgressDialog::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void ProgressDialog::closeEvent(QCloseEvent* e) {
    if (e->spontaneous()) {
        e->ignore();
        return;
    }
    QDialog::closeEvent(e);
}
