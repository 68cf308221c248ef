#pragma once
// Names of the archives the move commands write, and where a restore puts
// their files back. Paths are bytes: file names need not be valid UTF-8.
#include "core/engine/FileListRows.h"
#include <string>
#include <vector>

// "Archived_files_" + tag + "_": the tag is the one character a restore reads
// back to find the root it extracts below.
inline constexpr char kArchivePrefix[] = "Archived_files_";
// The one root "/" is tagged R.
inline constexpr char kRootTag = 'R';

// folder + "/" (when missing) + "Archived_files_R_<n>.zip" for the lowest
// n >= 1 under which nothing exists; empty when folder is not a folder or the
// search fails.
std::string NextArchiveName(const std::string& folder);

// Whether a file name is one the move commands give: "Archived_files_R_<n>.zip"
// with n >= 1 written without leading zeros.
bool IsArchiveName(const std::string& fileName);
// The folder an archive is restored below: "/" for an archive named so; empty
// otherwise.
std::string RestoreTarget(const std::string& archivePath);

// Appends the full path of every checked row, first row first; returns how many.
int CollectCheckedPaths(const FileRowTable& rows, std::vector<std::string>& paths);

// A path as the file system's bytes, and back for display.
std::string PathBytes(const QString& path);
QString PathText(const std::string& path);
