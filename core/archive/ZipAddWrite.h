#pragma once
// Writing a planned add into an archive file and reading it back.
#include "core/archive/ZipAddPlan.h"
#include <string>

// Writes the planned entries into fd: a new archive, or after the entries of
// the one open in old (whose data up to its central directory fd already
// holds; its entries of the same name as a new file or link are dropped, its
// folders kept). Each file is read as it is written, its CRC and size taken
// on the way; a file that cannot be read or changed meanwhile is left out and
// named in plan.failures. Sets each entry's state. False with why when the
// archive cannot be written or the run was interrupted.
bool WriteEntries(const AddJob& job, AddPlan& plan, int fd, int old, QString& why);

// Reads the archive in fd back: its directory holds every written entry
// where it was written, and each entry's data gives the CRC and size of what
// was read from its source. False with why otherwise.
bool VerifyEntries(const AddPlan& plan, int fd, const std::string& archive, QString& why);
