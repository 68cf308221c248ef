#pragma once
// Folder commands shared by the window and its pages: open in the file
// manager, Trash, move or copy one path, and the protected-folder check with
// its messages.
#include "platform/ShellFileOp.h"
#include <QString>
#include <functional>

class QWidget;

// Opens path in the desktop's file manager (xdg-open); the result is not
// examined. Tests replace the opener.
using OpenInShellHook = std::function<void(const QString& path)>;
void SetOpenInShellHook(OpenInShellHook hook);
void OpenInShell(const QString& path);

// Sends path to the Trash, asking first through ui. True when it went.
bool RecycleFolder(const QString& path, IShellOpUi* ui);
// Moves or copies path into the folder target, or trashes it (target unused),
// with the file manager's questions, progress and errors shown through ui.
bool ShellOperationOnPath(const QString& path, const QString& target, int operation,
                          IShellOpUi* ui);

// True when folder may be used; otherwise one message box per reason to refuse.
bool CheckFolderAllowed(QWidget* owner, const QString& folder);
