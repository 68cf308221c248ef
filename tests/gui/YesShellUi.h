#pragma once
// Answers a shell operation's questions with yes, never replaces, and keeps
// what it was asked and told.
#include "platform/ShellFileOp.h"
#include <QStringList>

class YesShellUi : public IShellOpUi {
public:
    bool ConfirmTrash(const QStringList&) override {
        ++trashQuestions;
        return true;
    }
    bool ConfirmCreateFolder(const QString&) override { return true; }
    ReplaceAnswer AskReplace(const QString&, const QString&, bool) override {
        return ReplaceAnswer::Cancel;
    }
    void ShowError(const QString& m) override { errors << m; }
    void BeginProgress(const QString&, std::int64_t) override {}
    bool StepProgress(const QString&, std::int64_t) override { return true; }
    void EndProgress() override {}
    int trashQuestions = 0;
    QStringList errors;
};
