#pragma once
// One read of the settings file for code that reads many keys at once (window
// state, applied settings, history and filter lists). Conversions are those
// of the IniFile helpers. A file that is missing or unreadable reads as
// empty, so every key gives its default; the file is not created.
#include "core/settings/IniDocument.h"
#include <QString>

class IniSnapshot {
public:
    explicit IniSnapshot(const QString& file);

    bool Exists() const { return exists_; }
    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    int ReadInteger(const QString& section, const QString& key, int def) const;
    bool ReadBool(const QString& section, const QString& key, bool def) const;
    bool ValueExists(const QString& section, const QString& key) const;
    bool SectionExists(const QString& section) const { return doc_.HasSection(section); }
    // Keys and values of a section, in file order.
    QList<QPair<QString, QString>> ReadSection(const QString& section) const {
        return doc_.SectionValues(section);
    }
    const IniDocument& Document() const { return doc_; }

private:
    IniDocument doc_;
    bool exists_ = false;
};

// The integer of a settings value: decimal, "$" hex or "0x" hex, else def.
int IniValueToInt(const QString& value, int def);
