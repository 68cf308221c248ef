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
#include "core/tree/Tree.h"
#include <QString>
#include <cstdint>

class QIODevice;

class Snapshot : public Tree {
public:
    static constexpr int kMaxDepth = 4096;
    static constexpr std::int64_t kMaxSize = std::int64_t(1) << 50; // bytes, per entry and total
    static constexpr std::size_t kMaxEntries = 50'000'000;
    static constexpr std::size_t kMaxNameBytes = 32767;

    // Throw EMorvaneError with a message naming file.
    static Snapshot Read(const QString& file);
    static Snapshot Read(QIODevice& in, const QString& nameForMessages);

    QString ProgName() const { return progName_; }

private:
    friend class SnapshotParser;
    QString progName_;
};
