#pragma once
// Every modal dialog and message box of the dialogs runs through ExecModal, so
// that tests can answer them without blocking.
#include <QMessageBox>
#include <functional>

class QDialog;
class QWidget;

// Runs a dialog modally and returns its result (for a QMessageBox, the button).
using ModalHook = std::function<int(QDialog& dialog)>;
// Installs a replacement for QDialog::exec; returns the one installed before.
ModalHook SetModalHook(ModalHook hook);
int ExecModal(QDialog& dialog);

// A message box answered through the hook: returns the button pressed. Plain
// notices and errors go through gui/dialogs/MessageBoxes.h.
QMessageBox::StandardButton ModalMessage(QWidget* parent, QMessageBox::Icon icon,
                                         const QString& text,
                                         QMessageBox::StandardButtons buttons = QMessageBox::Ok);
