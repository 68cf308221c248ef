#include "app/MessageBoxes.h"
#include <QApplication>
#include <QMessageBox>

namespace {
TMessageBoxHook& Hook() {
    static TMessageBoxHook hook;
    return hook;
}

QString Caption() {
    const QString t = QApplication::applicationName();
    return t.isEmpty() ? QStringLiteral("Morvane") : t;
}
} // namespace

void SetMessageBoxHook(TMessageBoxHook hook) {
    Hook() = std::move(hook);
}

void ShowMessage(QWidget* parent, const QString& text) {
    if (Hook()) {
        Hook()(TMessageKind::Information, Caption(), text);
        return;
    }
    QMessageBox::information(parent, Caption(), text);
}

void ShowErrorMessage(QWidget* parent, const QString& text) {
    if (Hook()) {
        Hook()(TMessageKind::Error, Caption(), text);
        return;
    }
    QMessageBox::critical(parent, Caption(), text);
}

bool AskWarningYesNo(QWidget* parent, const QString& text) {
    if (Hook()) return Hook()(TMessageKind::Question, Caption(), text);
    return QMessageBox::warning(parent, Caption(), text, QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::No) == QMessageBox::Yes;
}
