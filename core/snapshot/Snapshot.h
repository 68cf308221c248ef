#pragma once
// A whole-tree snapshot read from the JSON export of ncdu and gdu (ours, or
// theirs), held compactly: one fixed-size node per entry, names in one block.
// Totals follow the scanner's rules, so a snapshot of a tree shows what an
// analysis of it shows: folders count 0 bytes themselves, and a folder whose name
// begins with '.' counts 0 (the walk does not enter it).
//
// The reader refuses what it cannot trust, with a message saying where: wrong
// types, a version other than 1, a value of an unknown field nested deeper than
// kMaxDepth (folders may nest as deep as a tree goes), numbers beyond
// kMaxSize, names that are empty, ".", "..", or hold '/' or NUL (the top entry's
// name is a path and may hold '/'), too many entries, trailing data.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

class QIODevice;

class Snapshot {
public:
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    static constexpr std::uint32_t kNoTime = 0xFFFFFFFFu;
    static constexpr int kMaxDepth = 4096;
    static constexpr std::int64_t kMaxSize = std::int64_t(1) << 50; // bytes, per entry and total
    static constexpr std::size_t kMaxEntries = 50'000'000;
    static constexpr std::size_t kMaxNameBytes = 32767;

    enum Flag : std::uint8_t { Folder = 1, NotRegular = 2, Excluded = 4, ReadError = 8 };
    struct Node {
        std::int64_t size = 0;         // apparent size as recorded ("asize")
        std::int64_t total = 0;        // bytes below and including it, by the scanner's rules
        std::uint32_t mtime = kNoTime; // seconds since 1970 (to 2106)
        std::uint32_t parent = kNone;
        std::uint32_t firstChild = kNone;
        std::uint32_t nextSibling = kNone;
        std::uint32_t nameOff = 0;
        std::uint16_t nameLen = 0;
        std::uint8_t flags = 0;
        bool IsFolder() const { return flags & Folder; }
    };

    // Throw EMorvaneError with a message naming file.
    static Snapshot Read(const QString& file);
    static Snapshot Read(QIODevice& in, const QString& nameForMessages);

    std::size_t Count() const { return nodes_.size(); }
    const Node& At(std::uint32_t i) const { return nodes_[i]; }
    QByteArray NameBytes(std::uint32_t i) const;
    // Names and paths carry bytes that are not UTF-8 as the rest of the program
    // does (PathFromNative); DisplayPath them to show them.
    QString Name(std::uint32_t i) const;
    // The folder the snapshot was taken of ("/srv/data"), as recorded.
    QString RootPath() const { return Name(0); }
    // Full path of an entry: the root's path and the names below it.
    QString Path(std::uint32_t i) const;
    QByteArray PathBytes(std::uint32_t i) const;
    // The entry at a path below the root ("a/b", or a full path beginning with
    // the root's); kNone when there is none.
    std::uint32_t Find(const QString& path) const;
    // Bytes held in memory by the tree.
    std::size_t MemoryBytes() const;
    QString ProgName() const { return progName_; }

private:
    friend class SnapshotParser;
    std::vector<Node> nodes_;
    std::string names_;
    QString progName_;
};
