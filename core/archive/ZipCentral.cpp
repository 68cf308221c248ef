#include "core/archive/ZipCentral.h"
#include "core/archive/ArchiveScratch.h"
#include "core/archive/ZipFormat.h"
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace {
using namespace zipformat;
constexpr std::size_t kChunk = 1 << 16;

std::uint64_t Get(const std::uint8_t* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

bool ReadAt(int fd, void* data, std::size_t size, std::uint64_t at) {
    auto* p = static_cast<std::uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::pread(fd, p, size, off_t(at));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= std::size_t(n);
        at += std::uint64_t(n);
    }
    return true;
}
} // namespace

std::string ReadZipEnd(int fd, ZipEnd& end) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return std::strerror(errno);
    const auto fileSize = std::uint64_t(st.st_size);
    if (fileSize == 0) { // an empty file is an empty archive, as libzip takes it
        end = ZipEnd();
        return {};
    }
    const std::uint64_t tailSize = std::min<std::uint64_t>(fileSize, 22 + 0xFFFF);
    std::vector<std::uint8_t> tail(tailSize);
    if (tailSize < 22 || !ReadAt(fd, tail.data(), tail.size(), fileSize - tailSize))
        return "not a zip archive";
    // The last end record whose comment reaches the end of the file.
    std::size_t at = tail.size() - 22 + 1;
    do {
        --at;
    } while (at > 0 && !(Get(&tail[at], 4) == kEndSignature &&
                         at + 22 + Get(&tail[at + 20], 2) == tail.size()));
    if (Get(&tail[at], 4) != kEndSignature || at + 22 + Get(&tail[at + 20], 2) != tail.size())
        return "not a zip archive";
    const std::uint8_t* e = &tail[at];
    const std::uint64_t endAt = fileSize - tailSize + at;
    end.count = Get(e + 10, 2);
    end.centralSize = Get(e + 12, 4);
    end.centralOffset = Get(e + 16, 4);
    end.comment.assign(reinterpret_cast<const char*>(e + 22), Get(e + 20, 2));
    if (Get(e + 4, 2) != 0 || Get(e + 6, 2) != 0 || Get(e + 8, 2) != end.count)
        return "an archive on several disks";
    std::uint64_t directoryEnd = endAt;
    std::uint8_t locator[20];
    if (endAt >= 20 && ReadAt(fd, locator, sizeof locator, endAt - 20) &&
        Get(locator, 4) == kZip64LocatorSignature) {
        std::uint8_t record[56];
        const std::uint64_t recordAt = Get(locator + 8, 8);
        if (recordAt + sizeof record > endAt - 20 || !ReadAt(fd, record, sizeof record, recordAt) ||
            Get(record, 4) != kZip64EndSignature)
            return "its zip64 end record is damaged";
        end.count = Get(record + 32, 8);
        end.centralSize = Get(record + 40, 8);
        end.centralOffset = Get(record + 48, 8);
        directoryEnd = recordAt;
    }
    // Data before the archive (a self-extracting stub) would shift every offset.
    if (end.centralOffset > directoryEnd || directoryEnd - end.centralOffset != end.centralSize)
        return "its central directory is not where the archive says";
    return {};
}

CentralReader::CentralReader(int fd, const ZipEnd& end)
    : fd_(fd), next_(end.centralOffset), unread_(end.centralSize), remaining_(end.count) {}

bool CentralReader::Fill(std::size_t need) {
    if (buf_.size() - at_ >= need) return true;
    buf_.erase(buf_.begin(), buf_.begin() + std::ptrdiff_t(at_));
    at_ = 0;
    const std::size_t want = std::size_t(std::min<std::uint64_t>(unread_, kChunk + need));
    if (buf_.size() + want < need) return false;
    const std::size_t old = buf_.size();
    buf_.resize(old + want);
    if (!ReadAt(fd_, buf_.data() + old, want, next_)) return false;
    next_ += want;
    unread_ -= want;
    return true;
}

bool CentralReader::Next(CentralRecord& r) {
    if (failed_ || remaining_ == 0) return false;
    failed_ = true;
    if (!Fill(46) || Get(&buf_[at_], 4) != kCentralSignature) return false;
    const std::size_t nameSize = Get(&buf_[at_ + 28], 2);
    const std::size_t extraSize = Get(&buf_[at_ + 30], 2);
    const std::size_t total = 46 + nameSize + extraSize + Get(&buf_[at_ + 32], 2);
    if (!Fill(total)) return false;
    const std::uint8_t* p = &buf_[at_];
    r.raw.assign(p, p + total);
    r.method = std::uint16_t(Get(p + 10, 2));
    r.crc = std::uint32_t(Get(p + 16, 4));
    r.packed = Get(p + 20, 4);
    r.size = Get(p + 24, 4);
    r.offset = Get(p + 42, 4);
    r.name.assign(reinterpret_cast<const char*>(p + 46), nameSize);
    // Zip64: the fields that overflow, in this order.
    for (std::size_t x = 46 + nameSize; x + 4 <= 46 + nameSize + extraSize;) {
        const std::uint64_t tag = Get(p + x, 2), len = Get(p + x + 2, 2);
        if (x + 4 + len > 46 + nameSize + extraSize) return false;
        if (tag == 1) {
            std::size_t f = x + 4;
            for (std::uint64_t* field : {&r.size, &r.packed, &r.offset}) {
                if (*field != kMax32) continue;
                if (f + 8 > x + 4 + len) return false;
                *field = Get(p + f, 8);
                f += 8;
            }
        }
        x += 4 + len;
    }
    at_ += total;
    --remaining_;
    failed_ = false;
    return true;
}

std::string ReadEntryData(int fd, const CentralRecord& r, std::uint32_t& crc, std::uint64_t& size) {
    std::uint8_t head[30];
    if (!ReadAt(fd, head, sizeof head, r.offset) || Get(head, 4) != kLocalSignature)
        return "its local header is missing";
    const std::size_t nameSize = Get(head + 26, 2);
    std::string name(nameSize, '\0');
    if (!ReadAt(fd, name.data(), nameSize, r.offset + 30) || name != r.name ||
        Get(head + 8, 2) != r.method)
        return "its local header does not match the directory";
    std::uint64_t at = r.offset + 30 + nameSize + Get(head + 28, 2);
    crc = crc32(0, nullptr, 0);
    size = 0;
    if (r.method != 0 && r.method != Z_DEFLATED) return "it is compressed by an unknown method";
    z_stream z{};
    if (r.method == Z_DEFLATED && inflateInit2(&z, -MAX_WBITS) != Z_OK) return "out of memory";
    std::vector<std::uint8_t> in(kChunk), out(r.method == Z_DEFLATED ? 4 * kChunk : 0);
    std::string why;
    int state = Z_OK;
    // One round of inflating into out, taken into crc and size.
    auto inflateSome = [&] {
        z.next_out = out.data();
        z.avail_out = uInt(out.size());
        state = inflate(&z, Z_NO_FLUSH);
        const std::size_t got = out.size() - z.avail_out;
        crc = crc32_z(crc, out.data(), got);
        size += got;
        return got;
    };
    for (std::uint64_t left = r.packed; why.empty() && left > 0;) {
        if (ArchiveInterrupt()) {
            why = "interrupted";
            break;
        }
        const std::size_t n = std::size_t(std::min<std::uint64_t>(left, in.size()));
        if (!ReadAt(fd, in.data(), n, at)) {
            why = "its data is cut short";
            break;
        }
        at += n;
        left -= n;
        if (r.method == 0) {
            crc = crc32_z(crc, in.data(), n);
            size += n;
            continue;
        }
        z.next_in = in.data();
        z.avail_in = uInt(n);
        while (z.avail_in > 0 && state == Z_OK)
            inflateSome();
        if (state != Z_OK && state != Z_STREAM_END)
            why = "its data does not inflate";
        else if (state == Z_STREAM_END && (z.avail_in > 0 || left > 0))
            why = "its data is longer than its stream";
    }
    // What deflate still holds after the last input byte.
    while (why.empty() && r.method == Z_DEFLATED && state == Z_OK)
        if (const std::size_t got = inflateSome(); state == Z_BUF_ERROR || (state == Z_OK && !got))
            why = "its data is cut short";
    if (r.method == Z_DEFLATED) inflateEnd(&z);
    if (why.empty() && r.method == Z_DEFLATED && state != Z_STREAM_END)
        why = "its data does not inflate";
    return why;
}
