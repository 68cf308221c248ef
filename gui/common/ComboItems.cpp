#include "gui/common/ComboItems.h"
#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>

QStringList ComboItems(const QComboBox* combo) {
    QStringList items;
    items.reserve(combo->count());
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

namespace {
// Replaces the entries without touching the edit text or firing text changes.
void SetEntries(QComboBox* combo, const QStringList& items) {
    const QSignalBlocker block(combo);
    const QString text = combo->currentText();
    combo->clear();
    combo->addItems(items);
    if (combo->isEditable()) {
        combo->setCurrentIndex(-1);
        combo->setEditText(text);
    }
}
} // namespace

void AddTextToComboItems(QComboBox* combo, int limit, const RandomIndex& random) {
    if (!combo) return;
    QStringList items = ComboItems(combo);
    const int before = int(items.size());
    const bool appended = AddTextToItems(items, combo->currentText(), limit, random);
    if (appended && items.size() == before + 1) {
        const QSignalBlocker block(combo);
        const QString text = combo->currentText();
        combo->addItem(items.last());
        if (combo->isEditable()) combo->setEditText(text);
        return;
    }
    if (items.size() != before) SetEntries(combo, items);
}

void DeleteComboItem(QComboBox* combo) {
    if (!combo) return;
    const int i = combo->currentIndex();
    // The index stays on an entry only while the edit text is that entry.
    if (i >= 0 && i < combo->count() && combo->itemText(i) == combo->currentText())
        combo->removeItem(i);
    if (combo->count() > 0) {
        combo->setCurrentIndex(0);
        if (combo->isEditable()) combo->setEditText(combo->itemText(0));
    } else if (combo->isEditable()) {
        combo->setEditText(QString());
    }
}

void RemoveComboEntry(QComboBox* combo) {
    if (!combo) return;
    const int i = combo->currentIndex();
    if (i < 0 || i >= combo->count() || combo->itemText(i) != combo->currentText()) return;
    const QSignalBlocker block(combo);
    const QString text = combo->currentText();
    combo->removeItem(i);
    if (combo->isEditable()) {
        combo->setCurrentIndex(-1);
        combo->setEditText(text);
    }
}

void LoadComboItems(QComboBox* combo, const QString& iniFile, const QString& section) {
    if (!combo) return;
    SetEntries(combo, ComboItems(combo) + LoadComboList(iniFile, section));
}

void LoadComboItems(QComboBox* combo, const IniSnapshot& ini, const QString& section) {
    if (!combo) return;
    SetEntries(combo, ComboItems(combo) + LoadComboList(ini, section));
}

void SaveComboItems(const QComboBox* combo, const QString& iniFile, const QString& section) {
    if (combo) SaveComboList(iniFile, section, ComboItems(combo));
}
