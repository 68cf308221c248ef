#include "core/settings/IntText.h"
#include "platform/Errors.h"
#include <cstdint>

namespace {
int HexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') return u - u'0';
    if (u >= u'a' && u <= u'f') return u - u'a' + 10;
    if (u >= u'A' && u <= u'F') return u - u'A' + 10;
    return -1;
}
} // namespace

bool TryStrToInt(QStringView text, int& value) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool neg = false;
    if (i < n && (text[i] == u'-' || text[i] == u'+')) neg = text[i++] == u'-';
    bool hex = false;
    if (i < n && text[i] == u'$') {
        hex = true;
        ++i;
    } else if (i + 1 < n && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        hex = true;
        i += 2;
    }
    if (i == n) return false;
    std::uint64_t v = 0;
    for (; i < n; ++i) {
        const int d = HexDigit(text[i]);
        if (d < 0 || (!hex && d > 9)) return false;
        v = v * (hex ? 16 : 10) + unsigned(d);
        if (v > 0xFFFFFFFFull) return false;
    }
    std::int64_t r;
    if (hex) {
        r = std::int32_t(std::uint32_t(v));
    } else {
        if (v > (neg ? 2147483648ull : 2147483647ull)) return false;
        r = std::int64_t(v);
    }
    value = int(std::uint32_t(neg ? -r : r));
    return true;
}

int StrToInt(const QString& text) {
    int v = 0;
    if (!TryStrToInt(text, v))
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return v;
}
