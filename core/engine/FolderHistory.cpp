#include "core/engine/FolderHistory.h"
#include "core/settings/IniFile.h"
#include "core/settings/IniSnapshot.h"
#include <algorithm>
#include <random>

int DefaultRandomIndex(int n) {
    static std::mt19937 gen{std::random_device{}()};
    if (n <= 1) return 0;
    return std::uniform_int_distribution<int>(0, n - 1)(gen);
}

bool AddTextToItems(QStringList& items, const QString& text, int limit, const RandomIndex& random) {
    if (text.isEmpty()) return false;
    // The drop comes first, whether or not text is new; the last item is kept.
    if (limit > 0 && limit < items.size() - 1) {
        const int n = int(items.size()) - 1;
        int pos = random ? random(n) : DefaultRandomIndex(n);
        if (pos < 0 || pos >= n) pos = 0;
        items.removeAt(pos);
    }
    for (const QString& s : items)
        if (s.compare(text, Qt::CaseInsensitive) == 0) return false;
    items << text;
    return true;
}

QStringList LoadComboList(const QString& iniFile, const QString& section) {
    return LoadComboList(IniSnapshot(iniFile), section);
}

QStringList LoadComboList(const IniSnapshot& ini, const QString& section) {
    QStringList items;
    // A damaged count must not make the start crawl.
    const int count = std::min(ini.ReadInteger(section, QStringLiteral("count"), 0), 100000);
    for (int i = 0; i < count; ++i) {
        const QString s = ini.ReadString(section, QString::number(i), QString());
        if (!s.isEmpty()) items << s;
    }
    return items;
}

void SaveComboList(const QString& iniFile, const QString& section, const QStringList& items) {
    WriteIniInteger(iniFile, section, QStringLiteral("count"), int(items.size()));
    for (qsizetype i = 0; i < items.size(); ++i)
        WriteIniString(iniFile, section, QString::number(i), items[i]);
}
