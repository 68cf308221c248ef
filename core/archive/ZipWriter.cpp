#include "core/archive/ZipWriter.h"
#include "core/archive/ZipFormat.h"
#include "core/archive/ZipTimes.h"
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>

namespace {
using namespace zipformat;
constexpr std::uint16_t kMadeByUnix = 0x033F;  // Unix, version 6.3, as libzip writes it
constexpr std::uint16_t kFlagMaximum = 0x0002; // deflated at the highest level
constexpr std::uint16_t kFlagUtf8 = 0x0800;
constexpr std::size_t kBufferSize = 1 << 18;

struct Bytes {
    std::vector<std::uint8_t> v;
    Bytes& u16(std::uint64_t x) { return put(x, 2); }
    Bytes& u32(std::uint64_t x) { return put(x, 4); }
    Bytes& u64(std::uint64_t x) { return put(x, 8); }
    Bytes& put(std::uint64_t x, int n) {
        for (int i = 0; i < n; ++i)
            v.push_back(std::uint8_t(x >> (8 * i)));
        return *this;
    }
    Bytes& add(std::string_view s) {
        v.insert(v.end(), s.begin(), s.end());
        return *this;
    }
    Bytes& add(const std::vector<std::uint8_t>& b) {
        v.insert(v.end(), b.begin(), b.end());
        return *this;
    }
};

bool Deflated(const ZipEntryFacts& f) {
    return S_ISREG(f.mode);
}

// A local header carries zip64 sizes when the data may reach 4 GiB.
bool LocalZip64(const ZipEntryFacts& f) {
    return (Deflated(f) ? compressBound(uLong(f.size)) : f.size) >= kMax32;
}

std::uint16_t VersionNeeded(const ZipEntryFacts& f, bool zip64) {
    if (zip64) return 45;
    return Deflated(f) || S_ISDIR(f.mode) ? 20 : 10;
}

std::uint16_t Flags(std::string_view name, const ZipEntryFacts& f) {
    return std::uint16_t((Deflated(f) ? kFlagMaximum : 0) | (IsUtf8Name(name) ? kFlagUtf8 : 0));
}

// Local time in DOS form, as libzip gives it: before 1980 is 1980-01-01.
std::uint32_t DosTime(std::int64_t seconds) {
    const time_t t = time_t(seconds);
    tm local{};
    if (!localtime_r(&t, &local) || local.tm_year < 80) {
        local = tm{};
        local.tm_year = 80;
        local.tm_mday = 1;
    }
    if (local.tm_year > 207) { // the last the field holds
        local = tm{};
        local.tm_year = 207;
        local.tm_mon = 11;
        local.tm_mday = 31;
        local.tm_hour = 23;
        local.tm_min = 59;
        local.tm_sec = 58;
    }
    const std::uint32_t date =
        std::uint32_t(((local.tm_year - 80) << 9) + ((local.tm_mon + 1) << 5) + local.tm_mday);
    const std::uint32_t time =
        std::uint32_t((local.tm_hour << 11) + (local.tm_min << 5) + (local.tm_sec >> 1));
    return date << 16 | time;
}

std::vector<std::uint8_t> TimesField(const ZipEntryFacts& f) {
    const EntryTimes times{{time_t(f.mtimeSec), long(f.mtimeNsec)},
                           {time_t(f.atimeSec), long(f.atimeNsec)}};
    Bytes field;
    const std::vector<std::uint8_t> data = EncodeEntryTimes(times);
    field.u16(kNtfsTimesField).u16(data.size()).add(data);
    return field.v;
}
} // namespace

bool IsUtf8Name(std::string_view name) {
    bool wide = false;
    for (std::size_t i = 0; i < name.size();) {
        const auto c = std::uint8_t(name[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        wide = true;
        int more = 0;
        std::uint32_t cp = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + std::size_t(more) >= name.size()) return false;
        for (int k = 1; k <= more; ++k) {
            const auto n = std::uint8_t(name[i + std::size_t(k)]);
            if ((n & 0xC0) != 0x80) return false;
            cp = cp << 6 | (n & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are no UTF-8.
        if ((more == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (more == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        i += std::size_t(more) + 1;
    }
    return wide;
}

ZipWriter::ZipWriter(int fd, std::uint64_t start) : fd_(fd), flushed_(start), buffer_(kBufferSize) {
    deflateReady_ =
        deflateInit2(&deflate_, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
}

ZipWriter::~ZipWriter() {
    if (deflateReady_) deflateEnd(&deflate_);
}

bool ZipWriter::Fail(int err) {
    if (error_ == 0) error_ = err ? err : EIO;
    return false;
}

bool ZipWriter::Flush() {
    std::size_t done = 0;
    while (done < used_ && error_ == 0) {
        const ssize_t n =
            ::pwrite(fd_, buffer_.data() + done, used_ - done, off_t(flushed_ + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Fail(n < 0 ? errno : ENOSPC);
        done += std::size_t(n);
    }
    flushed_ += used_;
    used_ = 0;
    return error_ == 0;
}

bool ZipWriter::Put(const void* data, std::size_t size) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (size > 0 && error_ == 0) {
        if (used_ == buffer_.size() && !Flush()) break;
        const std::size_t n = std::min(size, buffer_.size() - used_);
        std::memcpy(buffer_.data() + used_, p, n);
        used_ += n;
        p += n;
        size -= n;
    }
    return error_ == 0;
}

void ZipWriter::Patch(std::uint64_t at, const std::vector<std::uint8_t>& bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::uint64_t pos = at + i;
        if (pos >= flushed_) {
            buffer_[std::size_t(pos - flushed_)] = bytes[i];
        } else if (::pwrite(fd_, &bytes[i], 1, off_t(pos)) != 1) {
            Fail(errno);
            return;
        }
    }
}

bool ZipWriter::Begin(std::string_view name, ZipEntryFacts& facts) {
    if (error_) return false;
    if (name.size() > 0xFFFF) return Fail(ENAMETOOLONG);
    facts.offset = Position();
    nameSize_ = name.size();
    deflating_ = Deflated(facts);
    zip64Local_ = LocalZip64(facts);
    if (deflating_ && (!deflateReady_ || deflateReset(&deflate_) != Z_OK)) return Fail(ENOMEM);
    crc_ = crc32(0, nullptr, 0);
    count_ = 0;
    Bytes extra;
    if (zip64Local_) extra.u16(1).u16(16).u64(0).u64(0);
    extra.add(TimesField(facts));
    Bytes head;
    head.u32(kLocalSignature)
        .u16(VersionNeeded(facts, zip64Local_))
        .u16(Flags(name, facts))
        .u16(deflating_ ? Z_DEFLATED : 0)
        .u32(DosTime(facts.mtimeSec))
        .u32(0)
        .u32(zip64Local_ ? kMax32 : 0)
        .u32(zip64Local_ ? kMax32 : 0)
        .u16(name.size())
        .u16(extra.v.size())
        .add(name)
        .add(extra.v);
    dataStart_ = facts.offset + head.v.size();
    return Put(head.v.data(), head.v.size());
}

bool ZipWriter::Data(const void* data, std::size_t size) {
    if (error_) return false;
    crc_ = crc32_z(crc_, static_cast<const Bytef*>(data), size);
    count_ += size;
    if (!deflating_) return Put(data, size);
    deflate_.next_in = static_cast<Bytef*>(const_cast<void*>(data));
    deflate_.avail_in = uInt(size);
    while (deflate_.avail_in > 0 && error_ == 0) {
        if (used_ == buffer_.size() && !Flush()) break;
        deflate_.next_out = buffer_.data() + used_;
        deflate_.avail_out = uInt(buffer_.size() - used_);
        if (deflate(&deflate_, Z_NO_FLUSH) == Z_STREAM_ERROR) return Fail(EIO);
        used_ = buffer_.size() - deflate_.avail_out;
    }
    return error_ == 0;
}

bool ZipWriter::End(ZipEntryFacts& facts) {
    if (error_) return false;
    if (deflating_) {
        deflate_.next_in = nullptr;
        deflate_.avail_in = 0;
        for (int r = Z_OK; r != Z_STREAM_END && error_ == 0;) {
            if (used_ == buffer_.size() && !Flush()) break;
            deflate_.next_out = buffer_.data() + used_;
            deflate_.avail_out = uInt(buffer_.size() - used_);
            r = deflate(&deflate_, Z_FINISH);
            if (r == Z_STREAM_ERROR) return Fail(EIO);
            used_ = buffer_.size() - deflate_.avail_out;
        }
        if (error_) return false;
    }
    facts.crc = crc_;
    facts.size = count_;
    facts.packed = Position() - dataStart_;
    if (!zip64Local_ && (facts.size >= kMax32 || facts.packed >= kMax32)) return Fail(EFBIG);
    Bytes sizes;
    sizes.u32(facts.crc);
    if (zip64Local_) {
        sizes.u32(kMax32).u32(kMax32);
        Patch(facts.offset + 14, sizes.v);
        Bytes wide;
        wide.u64(facts.size).u64(facts.packed);
        Patch(facts.offset + 30 + nameSize_ + 4, wide.v); // the zip64 field comes first
    } else {
        sizes.u32(facts.packed).u32(facts.size);
        Patch(facts.offset + 14, sizes.v);
    }
    return error_ == 0;
}

void ZipWriter::Drop(const ZipEntryFacts& facts) {
    if (facts.offset >= flushed_) {
        used_ = std::size_t(facts.offset - flushed_);
    } else {
        used_ = 0;
        flushed_ = facts.offset; // what lies past it is cut off at the end
    }
}

void ZipWriter::CentralStart() {
    centralStart_ = Position();
    records_ = 0;
}

bool ZipWriter::CentralRaw(const void* record, std::size_t size) {
    ++records_;
    return Put(record, size);
}

bool ZipWriter::Central(std::string_view name, const ZipEntryFacts& facts) {
    Bytes wide;
    if (facts.size >= kMax32) wide.u64(facts.size);
    if (facts.packed >= kMax32) wide.u64(facts.packed);
    if (facts.offset >= kMax32) wide.u64(facts.offset);
    Bytes extra;
    if (!wide.v.empty()) extra.u16(1).u16(wide.v.size()).add(wide.v);
    extra.add(TimesField(facts));
    Bytes rec;
    rec.u32(kCentralSignature)
        .u16(kMadeByUnix)
        .u16(VersionNeeded(facts, LocalZip64(facts) || !wide.v.empty()))
        .u16(Flags(name, facts))
        .u16(Deflated(facts) ? Z_DEFLATED : 0)
        .u32(DosTime(facts.mtimeSec))
        .u32(facts.crc)
        .u32(std::min(facts.packed, kMax32))
        .u32(std::min(facts.size, kMax32))
        .u16(name.size())
        .u16(extra.v.size())
        .u16(0)                // comment
        .u16(0)                // disk
        .u16(0)                // internal attributes
        .u32(facts.mode << 16) // external attributes: the Unix mode
        .u32(std::min(facts.offset, kMax32))
        .add(name)
        .add(extra.v);
    return CentralRaw(rec.v.data(), rec.v.size());
}

bool ZipWriter::Finish(std::string_view comment) {
    const std::uint64_t end = Position();
    const std::uint64_t size = end - centralStart_;
    Bytes tail;
    if (records_ >= 0xFFFF || size >= kMax32 || centralStart_ >= kMax32) {
        tail.u32(kZip64EndSignature)
            .u64(44)
            .u16(kMadeByUnix)
            .u16(45)
            .u32(0)
            .u32(0)
            .u64(records_)
            .u64(records_)
            .u64(size)
            .u64(centralStart_);
        tail.u32(kZip64LocatorSignature).u32(0).u64(end).u32(1);
    }
    const std::uint64_t count = std::min<std::uint64_t>(records_, 0xFFFF);
    tail.u32(kEndSignature)
        .u16(0)
        .u16(0)
        .u16(count)
        .u16(count)
        .u32(std::min(size, kMax32))
        .u32(std::min(centralStart_, kMax32))
        .u16(std::min<std::size_t>(comment.size(), 0xFFFF))
        .add(comment.substr(0, 0xFFFF));
    if (!Put(tail.v.data(), tail.v.size()) || !Flush()) return false;
    if (::ftruncate(fd_, off_t(flushed_)) != 0) return Fail(errno);
    return true;
}
