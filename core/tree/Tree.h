#pragma once
// The whole tree of one analysis or one snapshot: every folder and file, held
// compactly (40 bytes a node, names as the file system's bytes in one block).
// Nodes are in depth-first order: a folder's descendants follow it, up to End.
//
// Totals and file counts follow the analysis's rules: folders count 0 bytes
// themselves, links and other non-regular entries their own size; a folder whose
// name begins with '.' counts 0 and is not entered (a snapshot made by another
// tool may still list what is inside it); a folder that could not be read, a
// kernel file system and a folder already on the descent path hold nothing.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class TreePart;

class Tree {
public:
    using Index = std::uint32_t;
    static constexpr Index kNone = 0xFFFFFFFFu;
    static constexpr std::uint32_t kNoTime = 0xFFFFFFFFu;
    // A 32-bit field holding kWide keeps its value in the tree's table of wide values.
    static constexpr std::uint32_t kWide = 0xFFFFFFFFu;

    enum Flag : std::uint8_t {
        Folder = 1,
        NotRegular = 2,  // a link, device, socket or pipe
        Excluded = 4,    // listed, not entered (a name beginning with '.', a loop, a kernel fs)
        ReadError = 8,   // a folder that could not be read
        KernelFs = 16,   // with Excluded: a kernel file system
        OtherDevice = 32 // on another device than its parent: Device() tells which
    };
    struct Node {
        union {
            std::int64_t size;  // a file: its apparent size
            std::int64_t total; // a folder: the bytes below it, by the rules
        };
        std::uint32_t blocks = 0;      // 512-byte blocks on disk
        std::uint32_t mtime = kNoTime; // seconds since 1970
        union {
            std::uint32_t atime;   // a file: last access (kNoTime: not known)
            std::uint32_t ownSize; // a folder: its own apparent size
        };
        std::uint32_t files = 0; // a folder: files below it, by the rules
        Index parent = kNone;
        Index end = 0; // one past its last descendant
        std::uint32_t nameOff = 0;
        std::uint16_t nameLen = 0;
        std::uint8_t flags = 0;
        Node() : size(0), atime(kNoTime) {}
        bool IsFolder() const { return flags & Folder; }
    };
    // Fields that may hold kWide.
    enum WideField : std::uint8_t { wBlocks, wMTime, wATime, wDevice };

    Tree() = default;

    std::size_t Count() const { return nodes_.size(); }
    const Node& At(Index i) const { return nodes_[i]; }
    QByteArray NameBytes(Index i) const;
    const char* NameData(Index i) const { return names_.data() + nodes_[i].nameOff; }
    // Names and paths carry bytes that are not UTF-8 as the rest of the program
    // does (PathFromNative); DisplayPath them to show them.
    QString Name(Index i) const;
    // The folder the tree was taken of ("/srv/data"), as recorded.
    QString RootPath() const { return Name(0); }
    QString Path(Index i) const;
    QByteArray PathBytes(Index i) const;
    // The entry at a path below the root ("a/b", or a full path beginning with
    // the root's); kNone when there is none.
    Index Find(const QString& path) const;
    // First child and next sibling in the recorded order; kNone when none.
    Index FirstChild(Index i) const { return nodes_[i].end > i + 1 ? i + 1 : kNone; }
    Index NextSibling(Index i) const {
        const Index p = nodes_[i].parent;
        return p != kNone && nodes_[i].end < nodes_[p].end ? nodes_[i].end : kNone;
    }
    // A folder the rules enter: not hidden (the top always is).
    bool Entered(Index i) const {
        return nodes_[i].IsFolder() && (i == 0 || NameData(i)[0] != '.');
    }

    // Exact values of the compact fields; nullopt for a time not known.
    std::optional<std::int64_t> ModifiedTime(Index i) const;
    std::optional<std::int64_t> AccessTime(Index i) const;
    std::uint64_t DiskBytes(Index i) const;
    std::int64_t OwnSize(Index i) const; // a folder's own apparent size; a file's size
    std::uint64_t Device(Index i) const; // for nodes flagged OtherDevice (and the root)

    // Bytes held in memory by the tree.
    std::size_t MemoryBytes() const;

    // Sets End, the folders' totals and file counts from the nodes' parents and
    // sizes. False when a total passes limit (then the totals are unfinished).
    bool Finish(std::int64_t limit);

protected:
    friend class TreePart;
    friend class SnapshotParser;
    static std::uint64_t WideKey(Index i, WideField f) { return (std::uint64_t(i) << 2) | f; }
    std::int64_t Wide(Index i, WideField f) const;

    std::vector<Node> nodes_;
    std::string names_;
    std::unordered_map<std::uint64_t, std::int64_t> wide_;
};
