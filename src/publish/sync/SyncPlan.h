// The sync decision: from the local files a run puts and the record of what the server holds,
// which files to send, which are unchanged, which stale files to delete and which temporary
// files of an interrupted run to clean up. A pure function: printable as a dry run, testable in
// memory, carried out by SyncRunner.
#pragma once

#include "publish/sync/PublishedRecord.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qle::publish {

// A file that replaces one on the server is first uploaded under this name in the same folder and
// renamed into place once complete ("articles/art-1.htm" -> "articles/.quillon-part.art-1.htm").
std::string TemporaryPathFor(std::string_view path);

// True for a file name (no folder) that TemporaryPathFor makes.
bool IsTemporaryName(std::string_view fileName);

struct LocalFile
{
    std::string localPath;
    std::string path; // remote path relative to the record's folder
    FileDigest digest;
};

// Files the server listed, by path relative to the record's folder, with the size when it said.
using RemoteListing = std::map<std::string, std::optional<std::uint64_t>>;

struct SyncOptions
{
    bool sendAll = false;          // send every file, whatever the record says
    bool allowMassDeletes = false; // carry out a deletion that the guard would hold
};

struct PlannedSend
{
    LocalFile file;
    bool replace = false; // the server already holds a file there: upload under the temporary name
};

struct SyncPlan
{
    std::vector<PlannedSend> send; // in the order the files were given
    std::vector<LocalFile> unchanged;
    std::vector<std::string> remove; // recorded files this run does not put, sorted
    // Recorded files this run does not put but puts under the same name in another letter case:
    // on a server that ignores case they are the file just sent, so they are never deleted.
    std::vector<std::string> keptForCase;
    bool removalsHeld = false;        // the guard stopped `remove`: list it, delete nothing
    std::vector<std::string> cleanup; // temporary files left by an interrupted run, sorted
    std::uint64_t bytesToSend = 0;
};

// The mass-deletion guard: deleting more than half of the recorded files and more than 20 needs
// the author's confirmation.
bool DeletionNeedsConfirmation(std::size_t toDelete, std::size_t recorded);

// Decides a run. A later file for the same path replaces an earlier one. `listing`, when given,
// tells which files the server holds beyond the record (a first publish over an older upload)
// and where temporary files lie. A file counts as on the server (and is replaced through a
// temporary name) when the record or the listing has its name in any letter case.
SyncPlan PlanSync(const std::vector<LocalFile>& files, const PublishedRecord& record, const RemoteListing* listing,
                  const SyncOptions& options);

// The record without the files the server no longer holds as recorded: missing from the listing,
// or listed with another size. Their paths are added to `changed`. Used to check the server.
PublishedRecord CheckedAgainstListing(const PublishedRecord& record, const RemoteListing& listing,
                                      std::vector<std::string>& changed);

} // namespace qle::publish
