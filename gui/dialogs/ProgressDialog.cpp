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
    Gauge = new ProgressGauge(this);
    Gauge->setFixedSize(193, 17);
    if (back.isValid() && fill.isValid()) Gauge->SetColors(back, fill);
    layout->addWidget(Gauge);
    if (parent) {
        const QPoint c = parent->geometry().center();
        move(c.x() - width() / 2, c.y() - height() / 2);
    }
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
