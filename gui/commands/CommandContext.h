#pragma once
// What a part of the window that runs commands is built from. The window hands
// it over when it builds the part, with the few widgets the part works on, so
// that no part needs the window itself.
#include <QString>
#include <functional>

class AnalysisSession;
class CommandTable;
class QWidget;

struct CommandContext {
    // Parent of the part's dialogs and message boxes.
    QWidget& window;
    AnalysisSession& session;
    CommandTable& commands;
    // Measures a folder and fills the views: false when it did not (another run
    // is going, or the run was cancelled); throws what the run throws.
    std::function<bool(const QString& folder)> analyse;
};
