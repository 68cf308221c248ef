#pragma once
// The lines of a settings (INI) file, as read from disk. Lines the code does
// not understand, odd bytes and line ends are kept as they were, so a write
// changes only the line it is about.
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class IniDocument {
public:
    // At most this many characters of a value are read.
    static constexpr int kMaxValueChars = 2047;

    IniDocument() = default;
    explicit IniDocument(const QByteArray& data) { Parse(data); }

    void Parse(const QByteArray& data);
    QByteArray Serialize() const;

    // The stored value (blanks around it trimmed, cut to kMaxValueChars), or
    // nothing when the section or key is absent. Names match in any case; the
    // first section and the first key of that name count.
    std::optional<QString> Value(const QString& section, const QString& key) const;
    // Keys and values of a section in file order (first section of the name).
    QList<QPair<QString, QString>> SectionValues(const QString& section) const;
    QStringList Sections() const;
    bool HasSection(const QString& section) const { return FindSection(section) >= 0; }

    // Replaces the key's value on its own line, or appends it as the last line
    // of its section (a new section goes to the end of the file). With
    // moveToEnd the key's old line is removed first, so it always ends up last.
    void SetValue(const QString& section, const QString& key, const QString& value,
                  bool moveToEnd = false);

private:
    enum class Kind { Other, Section, Key };
    struct Line {
        QByteArray raw; // without the line end
        QByteArray eol; // "\n", "\r\n" or empty for a last line without one
        Kind kind = Kind::Other;
        QString name;  // section or key name, trimmed
        QString value; // key value, trimmed
    };

    static Line Classify(QByteArray raw, QByteArray eol);
    int FindSection(const QString& section) const;
    int SectionEnd(int header) const;
    int FindKey(int header, const QString& key) const;
    int AppendPosition(int header) const;
    void InsertLine(int at, Line line);

    QByteArray bom_;
    QByteArray eol_ = "\n";
    std::vector<Line> lines_;
};

// What a value or name becomes in the file: line breaks turn into blanks.
QString IniSafeText(const QString& text);
