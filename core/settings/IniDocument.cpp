#include "core/settings/IniDocument.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArray TrimBlanks(const QByteArray& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString CutValue(const QString& v) {
    if (v.size() <= IniDocument::kMaxValueChars) return v;
    qsizetype n = IniDocument::kMaxValueChars;
    // Never leave half of a surrogate pair behind.
    if (v.at(n - 1).isHighSurrogate()) --n;
    return v.left(n);
}

} // namespace

QString IniSafeText(const QString& text) {
    QString out = text;
    out.replace(QLatin1String("\r\n"), QLatin1String(" "));
    out.replace(QLatin1Char('\r'), QLatin1Char(' '));
    out.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return out;
}

IniDocument::Line IniDocument::Classify(QByteArray raw, QByteArray eol) {
    Line l;
    l.raw = std::move(raw);
    l.eol = std::move(eol);
    const QByteArray t = TrimBlanks(l.raw);
    if (t.startsWith('[')) {
        qsizetype close = t.indexOf(']');
        if (close < 0) close = t.size();
        l.kind = Kind::Section;
        l.name = QString::fromUtf8(TrimBlanks(t.mid(1, close - 1)));
    } else if (const qsizetype eq = t.indexOf('='); eq >= 0) {
        l.kind = Kind::Key;
        l.name = QString::fromUtf8(TrimBlanks(t.left(eq)));
        l.value = QString::fromUtf8(TrimBlanks(t.mid(eq + 1)));
    }
    return l;
}

void IniDocument::Parse(const QByteArray& data) {
    lines_.clear();
    bom_.clear();
    eol_ = "\n";
    qsizetype pos = 0;
    if (data.startsWith("\xEF\xBB\xBF")) {
        bom_ = data.left(3);
        pos = 3;
    }
    bool sawCrLf = false;
    while (pos < data.size()) {
        qsizetype nl = data.indexOf('\n', pos);
        QByteArray raw, eol;
        if (nl < 0) {
            raw = data.mid(pos);
            pos = data.size();
        } else {
            raw = data.mid(pos, nl - pos);
            eol = "\n";
            if (raw.endsWith('\r')) {
                raw.chop(1);
                eol = "\r\n";
                sawCrLf = true;
            }
            pos = nl + 1;
        }
        lines_.push_back(Classify(std::move(raw), std::move(eol)));
    }
    if (sawCrLf) eol_ = "\r\n";
}

QByteArray IniDocument::Serialize() const {
    QByteArray out = bom_;
    for (const Line& l : lines_) {
        out += l.raw;
        out += l.eol;
    }
    return out;
}

int IniDocument::FindSection(const QString& section) const {
    for (size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].kind == Kind::Section && SameName(lines_[i].name, section)) return int(i);
    return -1;
}

int IniDocument::SectionEnd(int header) const {
    size_t i = size_t(header) + 1;
    while (i < lines_.size() && lines_[i].kind != Kind::Section)
        ++i;
    return int(i);
}

int IniDocument::FindKey(int header, const QString& key) const {
    const int end = SectionEnd(header);
    for (int i = header + 1; i < end; ++i)
        if (lines_[size_t(i)].kind == Kind::Key && SameName(lines_[size_t(i)].name, key)) return i;
    return -1;
}

int IniDocument::AppendPosition(int header) const {
    // After the section's last non-blank line, so blank separators stay below.
    const int end = SectionEnd(header);
    int at = header + 1;
    for (int i = header + 1; i < end; ++i)
        if (!TrimBlanks(lines_[size_t(i)].raw).isEmpty()) at = i + 1;
    return at;
}

void IniDocument::InsertLine(int at, Line line) {
    if (at > 0 && lines_[size_t(at - 1)].eol.isEmpty()) lines_[size_t(at - 1)].eol = eol_;
    if (line.eol.isEmpty()) line.eol = eol_;
    lines_.insert(lines_.begin() + at, std::move(line));
}

std::optional<QString> IniDocument::Value(const QString& section, const QString& key) const {
    const int h = FindSection(section);
    if (h < 0) return std::nullopt;
    const int k = FindKey(h, key);
    if (k < 0) return std::nullopt;
    return CutValue(lines_[size_t(k)].value);
}

QList<QPair<QString, QString>> IniDocument::SectionValues(const QString& section) const {
    QList<QPair<QString, QString>> out;
    const int h = FindSection(section);
    if (h < 0) return out;
    const int end = SectionEnd(h);
    for (int i = h + 1; i < end; ++i) {
        const Line& l = lines_[size_t(i)];
        if (l.kind == Kind::Key) out.append({l.name, CutValue(l.value)});
    }
    return out;
}

QStringList IniDocument::Sections() const {
    QStringList out;
    for (const Line& l : lines_)
        if (l.kind == Kind::Section) out.append(l.name);
    return out;
}

void IniDocument::SetValue(const QString& section, const QString& key, const QString& value,
                           bool moveToEnd) {
    const QString k = IniSafeText(key).trimmed();
    const QByteArray raw = k.toUtf8() + '=' + IniSafeText(value).toUtf8();
    int h = FindSection(section);
    if (h < 0) {
        InsertLine(int(lines_.size()),
                   Classify('[' + IniSafeText(section).trimmed().toUtf8() + ']', QByteArray()));
        InsertLine(int(lines_.size()), Classify(raw, QByteArray()));
        return;
    }
    const int old = FindKey(h, k);
    if (old >= 0 && !moveToEnd) {
        Line& l = lines_[size_t(old)];
        l = Classify(raw, l.eol);
        return;
    }
    if (old >= 0) lines_.erase(lines_.begin() + old);
    InsertLine(AppendPosition(h), Classify(raw, QByteArray()));
}
