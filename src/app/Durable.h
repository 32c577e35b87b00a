// Making what was written reach the disk, so that a power cut cannot leave a record that claims
// files which are not there.
#pragma once

#include "store/Status.h"

#include <string>
#include <vector>

namespace qle::app {

// An fsync of the file or folder at `path`. The error names it.
Status SyncPath(const std::string& path);

// Up to this many files are synced one by one; more are cheaper in one sync of the file system.
inline constexpr std::size_t kFewFiles = 64;

// Makes `files` and the entries of `folders` (full paths) durable: an fsync of each file and then
// of each folder when there are at most kFewFiles files, otherwise one syncfs of the file system
// holding the first folder. A writer passes only what it wrote, so a small change pays only for
// its own files, never for every other program's writes on that file system.
// REQUIRES: `folders` is not empty.
Status SyncWritten(const std::vector<std::string>& files, const std::vector<std::string>& folders);

} // namespace qle::app
