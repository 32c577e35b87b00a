// Carries out a publish as a sync, one run per destination at a time: reads the record the
// server holds (or the local copy of it, when the server's record ends in the same trailer),
// decides with PlanSync, then makes the folders, sends the changed files over several
// connections (replacing a live file only by a rename), deletes stale files once every file
// arrived, and commits the new record last, whole. Every confirmed step is journaled at once, so
// an interrupted run is resumed by the next. It knows the server only through RemoteFs.
#pragma once

#include "publish/remote/RemoteFs.h"
#include "publish/sync/DestinationLock.h"
#include "publish/sync/SyncPlan.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qle::publish {

struct UploadPut
{
    std::string localPath;  // absolute
    std::string remotePath; // absolute
};

// What an upload script asks for, with every path resolved.
struct UploadJob
{
    std::string recordFolder;         // absolute, ends in '/': the site's folder, where the record lies
    std::vector<std::string> folders; // absolute, in the order the script makes them
    std::vector<UploadPut> puts;      // in script order; files outside recordFolder are always sent
};

struct SyncSettings
{
    SyncOptions options;
    int connections = 4;
    bool verify = false; // compare the record with the server's listing and resend what differs
    bool dryRun = false; // decide and print; send and delete nothing
    // Where the local record copy and the journal of this destination lie, ending in '/'.
    std::string stateFolder;
    std::string server;
    std::string userName;
};

struct SyncProgress
{
    int filesDone = 0;
    int filesToSend = 0;
    std::uint64_t bytesDone = 0;
    std::uint64_t bytesToSend = 0;
    std::string currentFile; // remote path relative to the site's folder
    double seconds = 0;      // since the sends began
};

struct SyncCallbacks
{
    std::function<void(const std::string& line)> output;
    std::function<void(const SyncProgress&)> progress;
    // Asked when the mass-deletion guard holds the deletions; true lets them go ahead. When empty
    // the deletions are held (sent, but nothing deleted).
    std::function<bool(std::size_t toDelete, std::size_t recorded)> confirmDeletes;
};

struct SyncReport
{
    int sent = 0;
    int unchanged = 0;
    int removed = 0;
    int failures = 0;
    std::uint64_t bytes = 0;
    int connectionsUsed = 0;
    bool removalsHeld = false;
    bool recordWritten = false;
    int replacedInPlace = 0;      // sent straight onto the live name: the server allows no renames
    std::size_t removalsKept = 0; // stale files not deleted: held by the guard, or the record was damaged
    bool recordDamaged = false;   // the server's record lacked its valid trailer: nothing was deleted
};

// Takes the one-publish-at-a-time lock of the destination (the server and `remoteFolder`, kept in
// settings.stateFolder beside its journal), naming this process as the holder. A refusal says
// which publish holds it.
Result<DestinationLock> LockDestination(const SyncSettings& settings, const std::string& remoteFolder);

// REQUIRES: `primary` is connected. Opens up to settings.connections - 1 more connections through
// `more`; a server that refuses them is used with fewer. `callbacks.output` and
// `callbacks.progress` are called from one thread at a time.
SyncReport RunSync(const UploadJob& job, RemoteFs& primary, const RemoteFsFactory& more, const SyncSettings& settings,
                   const SyncCallbacks& callbacks);

} // namespace qle::publish
