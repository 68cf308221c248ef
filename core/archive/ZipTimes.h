#pragma once
// Entry times in the zip "NTFS" extra field (tag 0x000a): modification and
// access time to 100 ns, where the DOS time of an entry keeps 2 seconds.
#include <cstdint>
#include <ctime>
#include <optional>
#include <vector>

struct EntryTimes {
    timespec modified{};
    timespec accessed{};
};

inline constexpr std::uint16_t kNtfsTimesField = 0x000a;

std::vector<std::uint8_t> EncodeEntryTimes(const EntryTimes& times);
std::optional<EntryTimes> DecodeEntryTimes(const std::uint8_t* data, std::size_t size);
