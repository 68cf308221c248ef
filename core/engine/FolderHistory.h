#pragma once
// The rules of the folder history and the other combo-box lists: adding with a
// size limit, and their stored form in the settings file.
#include <QString>
#include <QStringList>
#include <functional>

class IniSnapshot;

// Returns a position from 0 to n - 1, uniformly; tests pass their own.
using RandomIndex = std::function<int(int n)>;
int DefaultRandomIndex(int n);

// Adds text to items unless it is empty or already there (compared without
// regard to case). With limit > 0 and more than limit + 1 items, one item other
// than the last is first dropped at random, so the list stays at limit + 2.
// Returns true when text was appended.
bool AddTextToItems(QStringList& items, const QString& text, int limit,
                    const RandomIndex& random = DefaultRandomIndex);

// Section named after the combo box: "count", then "0" .. "count - 1".
// Loading skips empty entries; saving leaves keys above the new count alone.
QStringList LoadComboList(const QString& iniFile, const QString& section);
QStringList LoadComboList(const IniSnapshot& ini, const QString& section);
void SaveComboList(const QString& iniFile, const QString& section, const QStringList& items);
