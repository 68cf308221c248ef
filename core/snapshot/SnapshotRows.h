#pragma once
// The size list and the file list of one folder inside a snapshot: read from
// its tree as from a run's.
#include "core/snapshot/Snapshot.h"
#include "core/tree/TreeRows.h"

using SnapshotFolderRows = TreeFolderRows;
using SnapshotFileRowSource = TreeFileRowSource;
