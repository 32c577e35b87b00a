// The commands of `quillon`, one per file. Each takes the arguments after its name and returns
// the process exit status: 0 on success, 1 on failure, 2 on a usage error.
#pragma once

#include "app/StartUp.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qle::generator {
class StoredSiteEditor;
}

namespace qle::cli {

using Arguments = std::vector<std::string>;

// quillon init [--base DIR]: makes the folder tree under the base folder.
int InitCommand(const Arguments& args);

// quillon new SITE.qls [--style classic|modern]: a new site file, a copy of the blank template
// (Modern) with the style asked for; never overwrites.
int NewCommand(const Arguments& args);

// quillon build SITE.qls [--base DIR]: builds the site into the web folder, as the GUI does.
int BuildCommand(const Arguments& args);

// quillon check SITE.qls [--base DIR] [--external]: prints what would be broken on the live site;
// exits 1 when any of it is an error, 0 otherwise.
int CheckCommand(const Arguments& args);

// Checks the site as the next build into `webFolder` publishes it and prints the findings and a
// summary on stdout. True when there is no error; nullopt (after a message on stderr) when the
// site cannot be checked.
std::optional<bool> CheckBeforeWork(const std::string& sitePath, const std::string& webFolder, bool external);

// The warnings of the editor's last build, each on its own line on stderr.
void PrintBuildWarnings(const generator::StoredSiteEditor& editor);

// quillon publish SITE.qls [--base DIR] [--trust FINGERPRINT] [--all] [--verify] [--dry-run]
// [--allow-deletes] [--force]: builds the site first when it changed since its last build (see
// BuildIfChanged), checks it and refuses, printing the errors, unless --force; then writes the
// forwarding page, the upload script and the batch file from the
// site's stored settings, carries out the batch file in the foreground and returns the upload
// client's exit status (1 when the publish is abandoned, 2 on bad arguments). A server whose
// identity is not trusted gets nothing: its fingerprint is shown; --trust accepts it when it
// matches and stores it in the site file. The other options go to the upload client: send every
// file again, check the server's files against its record, only show what would be done, and
// allow deleting more stale files than the guard lets through.
int PublishCommand(const Arguments& args);

// The program's state for a command that works in the base folder: the application settings (an
// unreadable settings file is reported on stderr), `baseOverride` when given, and the folder tree
// made as the program makes it at start-up. Nullopt (after a message on stderr) when the tree
// cannot be made.
std::optional<app::AppState> PrepareBaseFolder(const std::string& baseOverride);

// quillon backup SITE.qls [--base DIR]: a snapshot of the site file, unless it is unchanged since the last.
int BackupCommand(const Arguments& args);

// quillon backups SITE.qls [--base DIR]: the site's backups, newest first, with date and pages.
int BackupsCommand(const Arguments& args);

// quillon restore SITE.qls BACKUP [--base DIR]: the site file from a backup (a name from the list,
// or a path), after a snapshot of its current state.
int RestoreCommand(const Arguments& args);

// Runs `work` (a build, or publishing's check and build) while the snapshot of the site that the
// program takes at those moments runs beside it (app::TakeSnapshotBeside), then tells the snapshot:
// its path on stdout, a failure on stderr, which, as in the program, stops nothing.
void SnapshotBesideWork(const std::string& sitePath, const app::AppState& state, const std::function<void()>& work);

// quillon test-connection SITE.qls [--trust FINGERPRINT]: logs in with the site's settings, checks
// that the destination folder can be written, and says exactly what failed.
int TestConnectionCommand(const Arguments& args);

// quillon password SITE.qls --set|--forget: keeps the site's publish password in the desktop's
// keyring (asked without echo on a terminal, read from standard input otherwise), or removes it;
// either way the site file no longer holds one.
int PasswordCommand(const Arguments& args);

// Reads "--base DIR" from the arguments into `base` and the rest into `positional`.
// False (after a message on stderr) on an unknown option or a missing value.
bool ParseBaseOption(const Arguments& args, std::string& base, std::vector<std::string>& positional);

} // namespace qle::cli
