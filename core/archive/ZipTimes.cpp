#include "core/archive/ZipTimes.h"
#include <limits>

namespace {
// 100 ns steps between 1601-01-01 and 1970-01-01, and the same in seconds.
constexpr std::int64_t kEpochShift = 116444736000000000LL;
constexpr std::int64_t kEpochShiftSeconds = kEpochShift / 10000000LL;

std::uint64_t ToFileTime(const timespec& t) {
    // A time the field cannot hold (some 29,000 years away) is kept at its end.
    std::int64_t v = 0;
    if (__builtin_mul_overflow(std::int64_t(t.tv_sec), 10000000LL, &v) ||
        __builtin_add_overflow(v, t.tv_nsec / 100 + kEpochShift, &v))
        v = t.tv_sec < 0 ? std::numeric_limits<std::int64_t>::min()
                         : std::numeric_limits<std::int64_t>::max();
    return std::uint64_t(v);
}

// Any 64 bits an archive holds, read as signed steps since 1601. Split into
// seconds first, so that no value can overflow on the way.
timespec FromFileTime(std::uint64_t v) {
    std::int64_t sec = std::int64_t(v) / 10000000LL;
    std::int64_t rest = std::int64_t(v) % 10000000LL;
    if (rest < 0) {
        rest += 10000000LL;
        --sec;
    }
    return {time_t(sec - kEpochShiftSeconds), long(rest * 100)};
}

void Put(std::vector<std::uint8_t>& out, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(std::uint8_t(v >> (8 * i)));
}

std::uint64_t Get(const std::uint8_t* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}
} // namespace

std::vector<std::uint8_t> EncodeEntryTimes(const EntryTimes& times) {
    std::vector<std::uint8_t> out;
    Put(out, 0, 4);  // reserved
    Put(out, 1, 2);  // attribute tag 1: the three times
    Put(out, 24, 2); // its size
    Put(out, ToFileTime(times.modified), 8);
    Put(out, ToFileTime(times.accessed), 8);
    Put(out, ToFileTime(times.modified), 8); // creation: not known here
    return out;
}

std::optional<EntryTimes> DecodeEntryTimes(const std::uint8_t* data, std::size_t size) {
    std::size_t pos = 4;
    while (data && pos + 4 <= size) {
        const auto tag = Get(data + pos, 2);
        const auto length = std::size_t(Get(data + pos + 2, 2));
        pos += 4;
        if (pos + length > size) break;
        if (tag == 1 && length >= 16) {
            EntryTimes t;
            t.modified = FromFileTime(Get(data + pos, 8));
            t.accessed = FromFileTime(Get(data + pos + 8, 8));
            return t;
        }
        pos += length;
    }
    return std::nullopt;
}
