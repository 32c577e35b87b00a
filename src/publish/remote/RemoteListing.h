// The folder listings servers send, read into entries: MLSD facts, and the "ls -l" form of FTP's
// LIST and of SFTP servers.
#pragma once

#include "publish/remote/RemoteFs.h"

#include <string_view>
#include <vector>

namespace qle::publish {

// Both leave out the folder itself, its parent and any name that could point elsewhere (a '/', "..",
// a control character).

// True for a name that stays inside the folder listed: not empty, ".", "..", and without a '/' or a
// control character.
bool IsSafeEntryName(std::string_view name);

// MLSD lines ("type=file;size=12;modify=...; name").
std::vector<RemoteFs::Entry> ParseMlsdListing(std::string_view text);

// "ls -l" lines ("-rw-r--r-- 1 owner group 12 Jan 1 12:00 name"); a link's " -> target" is dropped,
// "total" lines, "." and ".." are left out. Names may hold blanks.
std::vector<RemoteFs::Entry> ParseLongListing(std::string_view text);

} // namespace qle::publish
