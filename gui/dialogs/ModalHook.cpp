#include "gui/dialogs/ModalHook.h"
#include <QApplication>
#include <QDialog>

namespace {
ModalHook& Hook() {
    static ModalHook hook;
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

ModalHook SetModalHook(ModalHook hook) {
    ModalHook old = std::move(Hook());
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
    // The texts carry Windows line breaks; a label wants plain ones.
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1String("\n\r"), QLatin1String("\n"));
    shown.remove(QLatin1Char('\r'));
    QMessageBox box(icon, Title(icon), shown, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(ExecModal(box));
}
