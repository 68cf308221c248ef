#pragma once
// Combo-box lists edited by the user: the folder history and the file filter.
#include "core/engine/FolderHistory.h"

class QComboBox;

// Adds the combo box's edit text to its entries (see AddTextToItems).
void AddTextToComboItems(QComboBox* combo, int limit,
                         const RandomIndex& random = DefaultRandomIndex);
// Deletes the selected entry, then selects the first one left (or empties the text).
void DeleteComboItem(QComboBox* combo);
// Deletes the selected entry only: the edit text, and so the folder it names,
// stays as it is and no text change is fired (the history's "Delete Item").
void RemoveComboEntry(QComboBox* combo);
QStringList ComboItems(const QComboBox* combo);
// Appends the stored list of section to the entries, keeping the edit text.
void LoadComboItems(QComboBox* combo, const QString& iniFile, const QString& section);
void LoadComboItems(QComboBox* combo, const IniSnapshot& ini, const QString& section);
void SaveComboItems(const QComboBox* combo, const QString& iniFile, const QString& section);
