#include "gui/dialogs/MessageBoxes.h"
#include <QApplication>
#include <QMessageBox>

namespace {
MessageBoxHook& Hook() {
    static MessageBoxHook hook;
    return hook;
}

QString Caption() {
    const QString t = QApplication::applicationName();
    return t.isEmpty() ? QStringLiteral("Morvane") : t;
}
// Texts written with CR LF line ends show one break per line.
QString Shown(QString text) {
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}
// The start-up splash stays above every window and would cover the box's buttons.
void CloseSplash() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowType() == Qt::SplashScreen && w->isVisible()) w->close();
}
} // namespace

void SetMessageBoxHook(MessageBoxHook hook) {
    Hook() = std::move(hook);
}

void ShowMessage(QWidget* parent, const QString& text) {
    CloseSplash();
    if (Hook()) {
        Hook()(MessageKind::Information, Caption(), text);
        return;
    }
    QMessageBox::information(parent, Caption(), Shown(text));
}

void ShowErrorMessage(QWidget* parent, const QString& text) {
    CloseSplash();
    if (Hook()) {
        Hook()(MessageKind::Error, Caption(), text);
        return;
    }
    QMessageBox::critical(parent, Caption(), Shown(text));
}

bool AskWarningYesNo(QWidget* parent, const QString& text) {
    CloseSplash();
    if (Hook()) return Hook()(MessageKind::Question, Caption(), text);
    return QMessageBox::warning(parent, Caption(), Shown(text), QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::No) == QMessageBox::Yes;
}
