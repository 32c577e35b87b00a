#include "app/Backups.h"
#include "app/Folders.h"
#include "cli/Commands.h"

#include <ctime>
#include <iostream>

namespace qle::cli {

namespace {

// A backup command's site file (and backup) and its base folder, made ready.
struct SiteArguments
{
    std::vector<std::string> positional;
    std::string baseFolder;
};

// Reads "SITE.qls [BACKUP] [--base DIR]" and prepares the base folder. Nullopt after a message,
// with `status` set to the exit status: 2 for a usage error, 1 when the folders cannot be made.
std::optional<SiteArguments> Prepare(const Arguments& args, std::size_t count, const char* usage, int& status)
{
    std::string base;
    SiteArguments prepared;
    if (!ParseBaseOption(args, base, prepared.positional) || prepared.positional.size() != count) {
        std::cerr << "usage: " << usage << '\n';
        status = 2;
        return std::nullopt;
    }
    std::optional<app::AppState> state = PrepareBaseFolder(base);
    if (!state) {
        status = 1;
        return std::nullopt;
    }
    prepared.baseFolder = app::BaseFolder(state->options);
    return prepared;
}

} // namespace

void SnapshotBesideWork(const std::string& sitePath, const app::AppState& state, const std::function<void()>& work)
{
    app::AppOptions options = state.options;
    const auto snapshot = app::TakeSnapshotBeside(sitePath, app::BaseFolder(options), std::time(nullptr), work);
    // Told once the work is done, so the two never mix their lines.
    if (!snapshot)
        std::cerr << "quillon: no backup of the site could be taken: " << snapshot.status().message() << '\n';
    else if (!snapshot->empty())
        std::cout << "Backup:     " << snapshot.value() << '\n';
}

int BackupCommand(const Arguments& args)
{
    int status = 0;
    std::optional<SiteArguments> prepared = Prepare(args, 1, "quillon backup SITE.qls [--base DIR]", status);
    if (!prepared)
        return status;
    const std::vector<std::string>& positional = prepared->positional;
    auto snapshot = app::TakeSnapshot(positional[0], prepared->baseFolder, std::time(nullptr));
    if (!snapshot) {
        std::cerr << "quillon: " << snapshot.status().message() << '\n';
        return 1;
    }
    if (snapshot->empty())
        std::cout << "Unchanged since the last backup; none taken.\n";
    else
        std::cout << "Backup: " << *snapshot << '\n';
    return 0;
}

int BackupsCommand(const Arguments& args)
{
    int status = 0;
    std::optional<SiteArguments> prepared = Prepare(args, 1, "quillon backups SITE.qls [--base DIR]", status);
    if (!prepared)
        return status;
    const std::vector<std::string>& positional = prepared->positional;
    auto backups = app::ListBackups(positional[0], prepared->baseFolder);
    if (!backups) {
        std::cerr << "quillon: " << backups.status().message() << '\n';
        return 1;
    }
    // Newest first: the name (to give to restore), the date and time, the number of pages.
    for (const app::BackupInfo& backup : *backups)
        std::cout << backup.name << "  " << backup.when << "  " << app::BackupContents(backup) << '\n';
    return 0;
}

int RestoreCommand(const Arguments& args)
{
    int status = 0;
    std::optional<SiteArguments> prepared = Prepare(args, 2, "quillon restore SITE.qls BACKUP [--base DIR]", status);
    if (!prepared)
        return status;
    const std::vector<std::string>& positional = prepared->positional;
    if (Status s = app::RestoreBackup(positional[0], positional[1], prepared->baseFolder, std::time(nullptr));
        !s.ok()) {
        std::cerr << "quillon: " << s.message() << '\n';
        return 1;
    }
    std::cout << "Restored " << positional[0] << " from " << positional[1] << '\n';
    return 0;
}

} // namespace qle::cli
