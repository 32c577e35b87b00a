// Replacing a file the server holds without ever leaving its name empty or cut: the new bytes go
// up under a temporary name in the same folder and are renamed into place. How a server refuses
// the rename decides the rest; the live file is never removed unless the server said its name is
// taken.
#pragma once

#include "publish/remote/RemoteFs.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace qle::publish {

// What one run has learnt about the server's renames; shared by its connections.
struct RenameSupport
{
    std::atomic<bool> none {false}; // the server allows no rename at all: files go straight onto their names
};

struct Replaced
{
    bool inPlace = false; // sent straight onto the live name (the server allows no rename)
    // A temporary the server would not remove after a refusal (its failure); the next run that
    // lists the folder removes it.
    Status temporaryLeft;
};

// Replaces `target` with the local file:
// - renamed onto it: done;
// - the server says the name is taken: the old file is removed and the rename made again;
// - the rename is refused: if the server renames the temporary to another free name, it refused
//   this target only, and the file fails with the old one still live; if it refuses that too, it
//   allows no rename at all, and the file is sent straight onto its name (told in `replaced`);
// - anything else fails the file, the old one still live.
// The temporary is removed after every refusal (told in `replaced` when the server refuses that
// too); a transient failure or a stop leaves it for the next run to clean up.
Status ReplaceFile(RemoteFs& fs, const std::string& localPath, const std::string& target, RenameSupport& renames,
                   std::uint64_t& bytesSent, Replaced& replaced);

} // namespace qle::publish
