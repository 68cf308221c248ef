#include "app/ModalHook.h"
#include <QApplication>
#include <QDialog>

namespace {
TModalHook& Hook() {
    static TModalHook hook;
    return hook;
}

QString Title(QMessageBox::Icon icon) {
    switch (icon) {
    case QMessageBox::Warning:
        return QStringLiteral("Warning");
    case QMessageBox::Information:
        return QStringLiteral("Information");
    case QMessageBox::Question:
        return QStringLiteral("Confirm");
    default:
        return QApplication::applicationName().isEmpty() ? QStringLiteral("Morvane")
                                                         : QApplication::applicationName();
    }
}
} // namespace

TModalHook SetModalHook(TModalHook hook) {
    TModalHook old = std::move(Hook());
    Hook() = std::move(hook);
    return old;
}

int ExecModal(QDialog& dialog) {
    if (Hook()) return Hook()(dialog);
    return dialog.exec();
}

QMessageBox::StandardButton ModalMessage(QWidget* parent, QMessageBox::Icon icon,
                                         const QString& text,
                                         QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, Title(icon), text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(ExecModal(box));
}

void ModalError(QWidget* parent, const QString& text) {
    ModalMessage(parent, QMessageBox::Critical, text, QMessageBox::Ok);
}
