#pragma once
// A zip archive written as a stream, so that its memory does not grow with the
// number of entries: each entry's local header, then its data (a regular file
// deflated at level 9, a link's target and a folder stored), its CRC and sizes
// patched into the header once known; at the end the central directory, from
// compact records the caller keeps. Zip64 where sizes, offsets or the number
// of entries need it. Names, extra fields (the entry times), attributes and
// flags are those libzip gave the archives of earlier versions.
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>
#include <zlib.h>

// What the central directory repeats of an entry.
struct ZipEntryFacts {
    std::uint64_t offset = 0; // of its local header
    std::uint64_t packed = 0; // bytes of data in the archive
    std::uint64_t size = 0;   // bytes of contents (a link: of its target)
    std::int64_t mtimeSec = 0, atimeSec = 0;
    std::uint32_t crc = 0;
    std::uint32_t mode = 0; // st_mode
    std::uint32_t mtimeNsec = 0, atimeNsec = 0;
};

class ZipWriter {
public:
    // Writes into fd from start on (after what an archive it grows keeps).
    ZipWriter(int fd, std::uint64_t start);
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    // Starts an entry whose contents are expected to be facts.size bytes; sets
    // facts.offset.
    bool Begin(std::string_view name, ZipEntryFacts& facts);
    bool Data(const void* data, std::size_t size);
    // Finishes the entry begun: facts receive its CRC and sizes.
    bool End(ZipEntryFacts& facts);
    // Takes back the entry begun or just ended, as though it was never written.
    void Drop(const ZipEntryFacts& facts);

    // The central directory: first records kept from the archive it grows
    // (their bytes as they are), then one per entry written, then the end.
    void CentralStart();
    bool CentralRaw(const void* record, std::size_t size);
    bool Central(std::string_view name, const ZipEntryFacts& facts);
    bool Finish(std::string_view comment = {});

    // errno of the first failure; 0 while none.
    int Error() const { return error_; }

private:
    bool Put(const void* data, std::size_t size);
    bool Flush();
    void Patch(std::uint64_t at, const std::vector<std::uint8_t>& bytes);
    bool Fail(int err);
    std::uint64_t Position() const { return flushed_ + used_; }

    int fd_;
    std::uint64_t flushed_; // file position of buffer_[0]
    std::size_t used_ = 0;
    std::vector<std::uint8_t> buffer_;
    z_stream deflate_{};
    bool deflateReady_ = false;
    bool deflating_ = false;
    bool zip64Local_ = false;
    std::size_t nameSize_ = 0;
    std::uint32_t crc_ = 0;
    std::uint64_t count_ = 0;     // contents bytes of the entry begun
    std::uint64_t dataStart_ = 0; // where its data begins
    std::uint64_t records_ = 0;
    std::uint64_t centralStart_ = 0;
    int error_ = 0;
};

// General purpose flag 11: the name is UTF-8 (set only for a valid UTF-8 name
// that is not plain ASCII).
bool IsUtf8Name(std::string_view name);
