#include "core/snapshot/Snapshot.h"
#include "platform/Errors.h"
#include "platform/NativePath.h"
#include <QFile>
#include <QIODevice>
#include <QStringList>
#include <algorithm>
#include <cstring>

namespace {
constexpr std::int64_t kMaxNumber = std::int64_t(1) << 62;
}

// A pull parser over a buffered stream: nothing but the current block and the
// tree is kept, and every loop is bounded by the input's length.
class SnapshotParser {
public:
    SnapshotParser(QIODevice& in, const QString& name, Snapshot& out)
        : in_(in), name_(name), s_(out) {
        buf_.resize(1 << 20);
    }

    void Parse() {
        Expect('[');
        if (Number() != 1) Fail(QStringLiteral("not format version 1"));
        Expect(',');
        Number(); // minor version: later minors only add fields
        Expect(',');
        Metadata();
        Expect(',');
        FolderTree();
        Expect(']');
        SkipSpace();
        if (Peek() != kEnd) Fail(QStringLiteral("data after the end"));
        if (s_.nodes_.empty()) Fail(QStringLiteral("no folder in it"));
        if (!s_.Finish(Snapshot::kMaxSize)) Fail(QStringLiteral("sizes beyond 1 PiB"));
    }

private:
    static constexpr int kEnd = -1;

    [[noreturn]] void Fail(const QString& why) {
        throw EMorvaneError(QStringLiteral("%1 is not a usable snapshot (byte %2): %3")
                                .arg(name_)
                                .arg(offset_ + pos_)
                                .arg(why));
    }

    int Peek() {
        if (pos_ < len_) return static_cast<unsigned char>(buf_[pos_]);
        offset_ += len_;
        pos_ = 0;
        const qint64 n = in_.read(buf_.data(), qint64(buf_.size()));
        if (n < 0) Fail(in_.errorString());
        len_ = std::size_t(n);
        return len_ ? static_cast<unsigned char>(buf_[0]) : kEnd;
    }
    int Get() {
        const int c = Peek();
        if (c != kEnd) ++pos_;
        return c;
    }
    void SkipSpace() {
        for (int c = Peek(); c == ' ' || c == '\n' || c == '\r' || c == '\t'; c = Peek())
            ++pos_;
    }
    void Expect(char c) {
        SkipSpace();
        const int got = Get();
        if (got == kEnd) Fail(QStringLiteral("cut off"));
        if (got != c) Fail(QStringLiteral("'%1' expected").arg(QLatin1Char(c)));
    }

    // A whole number (a fraction or exponent is refused: no field needs one).
    std::int64_t Number() {
        SkipSpace();
        bool negative = false;
        if (Peek() == '-') {
            negative = true;
            ++pos_;
        }
        if (Peek() < '0' || Peek() > '9') Fail(QStringLiteral("number expected"));
        std::int64_t v = 0;
        while (Peek() >= '0' && Peek() <= '9') {
            // Checked before the step, which could otherwise pass 64 bits.
            const int digit = Get() - '0';
            if (v > (kMaxNumber - digit) / 10) Fail(QStringLiteral("number too large"));
            v = v * 10 + digit;
        }
        if (Peek() == '.' || Peek() == 'e' || Peek() == 'E')
            Fail(QStringLiteral("whole number expected"));
        return negative ? -v : v;
    }

    // A string's bytes, escapes resolved (\u to UTF-8). Longer strings than
    // limit are refused.
    void String(std::string& out, std::size_t limit) {
        SkipSpace();
        if (Get() != '"') Fail(QStringLiteral("string expected"));
        out.clear();
        for (;;) {
            int c = Get();
            if (c == kEnd) Fail(QStringLiteral("cut off in a string"));
            if (c == '"') return;
            if (c < 0x20) Fail(QStringLiteral("control character in a string"));
            if (c == '\\') {
                c = Get();
                switch (c) {
                case '"':
                case '\\':
                case '/':
                    out.push_back(char(c));
                    break;
                case 'b':
                    out.push_back('\b');
                    break;
                case 'f':
                    out.push_back('\f');
                    break;
                case 'n':
                    out.push_back('\n');
                    break;
                case 'r':
                    out.push_back('\r');
                    break;
                case 't':
                    out.push_back('\t');
                    break;
                case 'u':
                    Utf8(Hex4(), out);
                    break;
                default:
                    Fail(QStringLiteral("bad escape in a string"));
                }
            } else {
                out.push_back(char(c));
            }
            if (out.size() > limit) Fail(QStringLiteral("string too long"));
        }
    }
    unsigned Hex4() {
        unsigned v = 0;
        for (int i = 0; i < 4; ++i) {
            const int c = Get();
            v <<= 4;
            if (c >= '0' && c <= '9')
                v |= unsigned(c - '0');
            else if (c >= 'a' && c <= 'f')
                v |= unsigned(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                v |= unsigned(c - 'A' + 10);
            else
                Fail(QStringLiteral("bad \\u escape"));
        }
        return v;
    }
    void Utf8(unsigned cp, std::string& out) {
        if (cp >= 0xD800 && cp < 0xDC00) {
            if (Get() != '\\' || Get() != 'u') Fail(QStringLiteral("lone surrogate"));
            const unsigned lo = Hex4();
            if (lo < 0xDC00 || lo > 0xDFFF) Fail(QStringLiteral("lone surrogate"));
            cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
        } else if (cp >= 0xDC00 && cp < 0xE000) {
            Fail(QStringLiteral("lone surrogate"));
        }
        if (cp < 0x80) {
            out.push_back(char(cp));
        } else if (cp < 0x800) {
            out.push_back(char(0xC0 | (cp >> 6)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(char(0xE0 | (cp >> 12)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (cp >> 18)));
            out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        }
    }
    bool Bool() {
        SkipSpace();
        const int c = Peek();
        const char* word = c == 't' ? "true" : c == 'f' ? "false" : nullptr;
        if (!word) Fail(QStringLiteral("true or false expected"));
        for (const char* w = word; *w; ++w)
            if (Get() != *w) Fail(QStringLiteral("true or false expected"));
        return c == 't';
    }

    // Any value of a field nobody reads, nested no deeper than the limit.
    void SkipValue() {
        std::string open; // '{' or '[' per level
        for (;;) {
            SkipSpace();
            const int c = Peek();
            if (c == '{' || c == '[') {
                ++pos_;
                if (open.size() >= std::size_t(Snapshot::kMaxDepth))
                    Fail(QStringLiteral("nested too deep"));
                SkipSpace();
                if (Peek() != (c == '{' ? '}' : ']')) {
                    open.push_back(char(c));
                    if (c == '{') Key();
                    continue;
                }
                ++pos_;
            } else if (c == '"') {
                String(scratch_, kMaxStringSkip);
            } else if (c == 't' || c == 'f') {
                Bool();
            } else if (c == 'n') {
                for (const char* w = "null"; *w; ++w)
                    if (Get() != *w) Fail(QStringLiteral("value expected"));
            } else if (c == '-' || (c >= '0' && c <= '9')) {
                SkipNumber();
            } else {
                Fail(c == kEnd ? QStringLiteral("cut off") : QStringLiteral("value expected"));
            }
            // After a value: the containers it closes, then a comma or the end.
            for (;;) {
                if (open.empty()) return;
                SkipSpace();
                const int d = Get();
                if (d == ',') {
                    if (open.back() == '{') Key();
                    break;
                }
                if (d != (open.back() == '{' ? '}' : ']'))
                    Fail(d == kEnd ? QStringLiteral("cut off") : QStringLiteral("',' expected"));
                open.pop_back();
            }
        }
    }
    void Key() {
        String(scratch_, kMaxStringSkip);
        Expect(':');
    }
    void SkipNumber() {
        if (Peek() == '-') ++pos_;
        std::size_t n = 0;
        for (int c = Peek();
             (c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-';
             c = Peek()) {
            ++pos_;
            if (++n > 64) Fail(QStringLiteral("number too long"));
        }
        if (n == 0) Fail(QStringLiteral("number expected"));
    }

    void Metadata() {
        SkipSpace();
        if (Peek() != '{') Fail(QStringLiteral("metadata object expected"));
        ++pos_;
        SkipSpace();
        if (Peek() == '}') {
            ++pos_;
            return;
        }
        for (;;) {
            String(key_, 64);
            Expect(':');
            SkipSpace();
            if (key_ == "progname" && Peek() == '"') {
                String(scratch_, 256);
                s_.progName_ = QString::fromUtf8(scratch_);
            } else {
                SkipValue();
            }
            SkipSpace();
            const int c = Get();
            if (c == '}') return;
            if (c != ',')
                Fail(c == kEnd ? QStringLiteral("cut off") : QStringLiteral("',' expected"));
        }
    }

    // One entry's object; returns its node index.
    std::uint32_t Entry(std::uint32_t parent, bool folder) {
        SkipSpace();
        if (Get() != '{') Fail(QStringLiteral("entry object expected"));
        if (s_.nodes_.size() >= Snapshot::kMaxEntries) Fail(QStringLiteral("too many entries"));
        Snapshot::Node n;
        std::int64_t asize = 0;
        n.parent = parent;
        n.flags = folder ? Snapshot::Folder : 0;
        bool named = false;
        SkipSpace();
        if (Peek() == '}') Fail(QStringLiteral("entry without a name"));
        for (;;) {
            String(key_, 64);
            Expect(':');
            if (key_ == "name") {
                String(nameBytes_, parent == Snapshot::kNone ? 4096 : Snapshot::kMaxNameBytes);
                CheckName(parent == Snapshot::kNone);
                named = true;
            } else if (key_ == "asize") {
                asize = Size();
            } else if (key_ == "dsize") {
                const std::int64_t d = Size() / 512;
                n.blocks = d < std::int64_t(Tree::kWide) ? std::uint32_t(d) : Tree::kWide;
            } else if (key_ == "mtime") {
                const std::int64_t t = Number();
                n.mtime = t >= 0 && t < std::int64_t(Snapshot::kNoTime) ? std::uint32_t(t)
                                                                        : Snapshot::kNoTime;
            } else if (key_ == "notreg") {
                if (Bool()) n.flags |= Snapshot::NotRegular;
            } else if (key_ == "read_error") {
                if (Bool()) n.flags |= Snapshot::ReadError;
            } else if (key_ == "excluded") {
                String(scratch_, 64);
                n.flags |= scratch_ == "kernfs" ? Snapshot::Excluded | Snapshot::KernelFs
                                                : Snapshot::Excluded;
            } else {
                SkipValue();
            }
            SkipSpace();
            const int c = Get();
            if (c == '}') break;
            if (c != ',')
                Fail(c == kEnd ? QStringLiteral("cut off") : QStringLiteral("',' expected"));
        }
        if (!named) Fail(QStringLiteral("entry without a name"));
        if (s_.names_.size() + nameBytes_.size() > 0xFFFFFFFFu)
            Fail(QStringLiteral("names too long"));
        n.nameOff = std::uint32_t(s_.names_.size());
        n.nameLen = std::uint16_t(nameBytes_.size());
        s_.names_ += nameBytes_;
        const auto index = std::uint32_t(s_.nodes_.size());
        if (folder) {
            // A folder counts what lies below it; its own size is kept aside.
            n.ownSize = asize < std::int64_t(Tree::kWide) ? std::uint32_t(asize) : Tree::kWide;
            if (n.ownSize == Tree::kWide) s_.wide_[Tree::WideKey(index, Tree::wATime)] = asize;
        } else {
            n.size = asize;
        }
        s_.nodes_.push_back(n);
        return index;
    }
    std::int64_t Size() {
        const std::int64_t v = Number();
        if (v < 0) Fail(QStringLiteral("negative size"));
        if (v > Snapshot::kMaxSize) Fail(QStringLiteral("size beyond 1 PiB"));
        return v;
    }
    void CheckName(bool top) {
        if (nameBytes_.empty()) Fail(QStringLiteral("empty name"));
        if (std::memchr(nameBytes_.data(), 0, nameBytes_.size()))
            Fail(QStringLiteral("name holding a NUL"));
        if (top) return;
        if (nameBytes_ == "." || nameBytes_ == "..") Fail(QStringLiteral("name \".\" or \"..\""));
        if (nameBytes_.find('/') != std::string::npos) Fail(QStringLiteral("name holding '/'"));
    }

    // The folder tree, iteratively.
    void FolderTree() {
        SkipSpace();
        if (Get() != '[') Fail(QStringLiteral("folder array expected"));
        std::vector<std::uint32_t> open;
        open.push_back(Entry(Snapshot::kNone, true));
        while (!open.empty()) {
            SkipSpace();
            const int c = Get();
            if (c == ']') {
                open.pop_back();
                continue;
            }
            if (c != ',')
                Fail(c == kEnd ? QStringLiteral("cut off") : QStringLiteral("',' expected"));
            SkipSpace();
            if (Peek() == '[') {
                ++pos_;
                // No depth limit of its own: the tree is read without recursion,
                // every level is an entry, and kMaxEntries bounds those.
                const std::uint32_t dir = Entry(open.back(), true);
                open.push_back(dir);
            } else {
                Entry(open.back(), false);
            }
        }
    }

    static constexpr std::size_t kMaxStringSkip = 1 << 20;
    QIODevice& in_;
    const QString& name_;
    Snapshot& s_;
    std::vector<char> buf_;
    std::size_t pos_ = 0, len_ = 0;
    qint64 offset_ = 0;
    std::string key_, nameBytes_, scratch_;
};

Snapshot Snapshot::Read(QIODevice& in, const QString& nameForMessages) {
    Snapshot s;
    // Room for as many entries as the file could hold, so the tree never moves
    // while it grows (a move would need both copies at once). Pages never
    // written take no memory.
    if (!in.isSequential() && in.size() > 0) {
        const auto guess = std::size_t(in.size() / 24 + 16);
        s.nodes_.reserve(std::min<std::size_t>(guess, 8'000'000));
        s.names_.reserve(std::min<std::size_t>(std::size_t(in.size() / 4 + 16), 256'000'000));
    }
    SnapshotParser(in, nameForMessages, s).Parse();
    return s;
}

Snapshot Snapshot::Read(const QString& file) {
    QFile f;
    if (QString why; !OpenForReading(f, file, &why))
        throw EMorvaneError(QStringLiteral("cannot open %1: %2").arg(file, why));
    return Read(f, file);
}
