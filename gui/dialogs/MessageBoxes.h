#pragma once
// Every message box of the window goes through these functions, so tests can
// answer them without a modal loop (SetMessageBoxHook).
#include <QString>
#include <functional>

class QWidget;

enum class MessageKind { Information, Warning, Error, Question };

// The hook gets the kind, the caption and the text; for questions it returns
// true for Yes. Without a hook a QMessageBox is shown.
using MessageBoxHook = std::function<bool(MessageKind, const QString&, const QString&)>;
void SetMessageBoxHook(MessageBoxHook hook);

void ShowMessage(QWidget* parent, const QString& text);
void ShowErrorMessage(QWidget* parent, const QString& text);
// A warning offering Yes and No; true on Yes.
bool AskWarningYesNo(QWidget* parent, const QString& text);
