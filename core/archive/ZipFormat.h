#pragma once
// The record signatures and limits of the zip format that the writer and the
// reader of this program's archives share.
#include <cstdint>

namespace zipformat {
inline constexpr std::uint32_t kLocalSignature = 0x04034b50;
inline constexpr std::uint32_t kCentralSignature = 0x02014b50;
inline constexpr std::uint32_t kEndSignature = 0x06054b50;
inline constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
inline constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
// A 32-bit size or offset this large stands for the zip64 field.
inline constexpr std::uint64_t kMax32 = 0xFFFFFFFF;
} // namespace zipformat
