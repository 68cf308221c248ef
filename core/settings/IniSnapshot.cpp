#include "core/settings/IniSnapshot.h"
#include "core/settings/IntText.h"
#include <QFile>

int IniValueToInt(const QString& value, int def) {
    int v = 0;
    return TryStrToInt(value, v) ? v : def;
}

IniSnapshot::IniSnapshot(const QString& file) {
    QFile f(file);
    if (f.open(QIODevice::ReadOnly)) {
        exists_ = true;
        doc_.Parse(f.readAll());
    }
}

QString IniSnapshot::ReadString(const QString& section, const QString& key,
                                const QString& def) const {
    return doc_.Value(section, key).value_or(def);
}

int IniSnapshot::ReadInteger(const QString& section, const QString& key, int def) const {
    const auto v = doc_.Value(section, key);
    return v ? IniValueToInt(*v, def) : def;
}

bool IniSnapshot::ReadBool(const QString& section, const QString& key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool IniSnapshot::ValueExists(const QString& section, const QString& key) const {
    return doc_.Value(section, key).has_value();
}
