#pragma once
// One row of the "Clean Shortcuts" list: a shortcut or an empty folder.
#include <QString>
#include <QStringList>

struct CleanupRow {
    QString name;      // the shortcut's file name, or the folder's own name
    QString target;    // the resolved target, or the folder path
    QString condition; // "OK", "Broken", ..., or "Empty"
    QString path;      // what "Delete checked items" sends to the Trash
    bool checked = false;
};

// The list's column captions, in order.
inline QStringList CleanupColumnCaptions() {
    return {QStringLiteral("Shortcut / Foldername"),
            QStringLiteral("Target Application / Folder path"), QStringLiteral("Condition"),
            QStringLiteral("Shortcut path")};
}
