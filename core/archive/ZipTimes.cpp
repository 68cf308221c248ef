#include "core/archive/ZipTimes.h"

namespace {
// 100 ns steps between 1601-01-01 and 1970-01-01.
constexpr std::int64_t kEpochShift = 116444736000000000LL;

std::uint64_t ToFileTime(const timespec& t) {
    return std::uint64_t(std::int64_t(t.tv_sec) * 10000000LL + t.tv_nsec / 100 + kEpochShift);
}

timespec FromFileTime(std::uint64_t v) {
    const std::int64_t units = std::int64_t(v) - kEpochShift;
    std::int64_t sec = units / 10000000LL;
    std::int64_t rest = units % 10000000LL;
    if (rest < 0) {
        rest += 10000000LL;
        --sec;
    }
    return {time_t(sec), long(rest * 100)};
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
