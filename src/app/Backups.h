// Snapshots of a site file, kept in the base folder's Backups/<site name>/ and readable by their
// owner only (a site file holds the FTP password): taken before each build and publish and when a
// changed site is closed, listed, pruned and restored.
#pragma once

#include "store/Status.h"

#include <ctime>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace qle::app {

// The backups of the site file: base folder, "Backups/", the file name without its extension, '/'.
std::string BackupFolder(const std::string& baseFolder, const std::string& sitePath);

// Takes a snapshot of the site file with SQLite's online backup (consistent while the editor has
// it open), named by the local date and time `now` ("2026-12-06_14-05-09.qls"). The backups it
// pushes out of those kept (BackupsToPrune) are removed before it is written, to make room. The
// copy is written under a temporary name and renamed once it is whole and on the disk, so a
// program killed meanwhile leaves no file under a backup's name. None is taken when the file has
// not changed since the last snapshot, which is still there. Returns the new backup's path, or
// empty text when none was needed. The error names the file.
Result<std::string> TakeSnapshot(const std::string& sitePath, const std::string& baseFolder, std::time_t now);

// Runs `work` while TakeSnapshot(sitePath, baseFolder, now) runs beside it on a thread of its own
// (its own connection to the site file, SQLite's online backup), so that the work does not wait for
// the copy; returns the snapshot's outcome once both are done, for the caller to tell after its work.
Result<std::string> TakeSnapshotBeside(const std::string& sitePath, const std::string& baseFolder, std::time_t now,
                                       const std::function<void()>& work);

struct BackupInfo
{
    std::string path;
    std::string name;   // file name in the backup folder
    std::string when;   // "2026-12-06 14:05:09"
    int pages = -1;     // rows of Articles; -1 when the backup is damaged
    std::string damage; // why it cannot be restored (not a database, damaged, not a site); empty when whole
};

// What a backup holds, as a list of backups shows it: "3 pages", or "damaged: " and why.
std::string BackupContents(const BackupInfo& backup);

// The site's backups, newest first, each checked (SQLite's quick check, and the site's tables)
// once and then known by its size and time.
// No folder yet means no backups.
Result<std::vector<BackupInfo>> ListBackups(const std::string& sitePath, const std::string& baseFolder);

// Which of the backups (file names) to delete: all but the newest kKeptBackups, except the newest
// of each day of the last kKeptDays days (counting the day of `now`). The `damaged` ones do not
// count among those kept; they go once a whole backup newer than them goes. Names that are not
// backups are never named.
std::vector<std::string> BackupsToPrune(const std::vector<std::string>& names, std::time_t now,
                                        const std::set<std::string>& damaged = {});
inline constexpr std::size_t kKeptBackups = 20;
inline constexpr int kKeptDays = 30;

// Puts the backup's content into the site file, after taking a snapshot of its current state.
// Only a backup that passes SQLite's integrity check and holds a site's tables is restored.
// The site file may be open elsewhere: other connections see the restored content when they next
// read. `backup` is a path, or a name in the site's backup folder. The error names both files.
Status RestoreBackup(const std::string& sitePath, const std::string& backup, const std::string& baseFolder,
                     std::time_t now);

} // namespace qle::app
