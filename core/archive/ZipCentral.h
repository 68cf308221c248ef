#pragma once
// Reads back what ZipWriter wrote, without holding the archive's directory in
// memory: the end records, the central directory record by record, and an
// entry's data by the offset of its local header. Checks a new archive before
// any source is removed, and finds the records of an archive that grows.
#include <cstdint>
#include <string>
#include <vector>

struct ZipEnd {
    std::uint64_t count = 0, centralOffset = 0, centralSize = 0;
    std::string comment;
};

// Empty when fd holds a zip archive whose central directory lies just before
// its end records; else why not, in plain words.
std::string ReadZipEnd(int fd, ZipEnd& end);

struct CentralRecord {
    std::string name;
    std::uint64_t offset = 0, packed = 0, size = 0;
    std::uint32_t crc = 0;
    std::uint16_t method = 0;
    std::vector<std::uint8_t> raw; // the record's bytes as they are
};

class CentralReader {
public:
    CentralReader(int fd, const ZipEnd& end);
    // The next record; false after the last, or at a damaged one (Failed()).
    bool Next(CentralRecord& record);
    bool Failed() const { return failed_; }

private:
    bool Fill(std::size_t need);
    int fd_;
    std::uint64_t next_;      // file position of what is not read yet
    std::uint64_t unread_;    // bytes of the directory not read yet
    std::uint64_t remaining_; // records not given yet
    std::vector<std::uint8_t> buf_;
    std::size_t at_ = 0;
    bool failed_ = false;
};

// Reads an entry's data from its local header at record.offset on, inflating
// or copying it: crc and size receive what it holds. Empty when it reads
// whole; else what is wrong, in plain words.
std::string ReadEntryData(int fd, const CentralRecord& record, std::uint32_t& crc,
                          std::uint64_t& size);
