#include "app/Backups.h"
#include "app/Folders.h"
#include "cli/Commands.h"

#include <ctime>
#include <iostream>

namespace qle::cli {

namespace {

// Reads "SITE.qls [more...] [--base DIR]"; false after a usage message.
bool ParseSiteArguments(const Arguments& args, std::size_t count, const char* usage, std::string& base,
                        std::vector<std::string>& positional)
{
    if (!ParseBaseOption(args, base, positional) || positional.size() != count) {
        std::cerr << "usage: " << usage << '\n';
        return false;
    }
    return true;
}

} // namespace

void SnapshotBeforeWork(const std::string& sitePath, const app::AppState& state)
{
    app::AppOptions options = state.options;
    auto snapshot = app::TakeSnapshot(sitePath, app::BaseFolder(options), std::time(nullptr));
    if (!snapshot) {
        std::cerr << "quillon: no backup of the site could be taken: " << snapshot.status().message() << '\n';
        return;
    }
    if (!snapshot->empty())
        std::cout << "Backup:     " << *snapshot << '\n';
}

int BackupCommand(const Arguments& args)
{
    std::string base;
    std::vector<std::string> positional;
    if (!ParseSiteArguments(args, 1, "quillon backup SITE.qls [--base DIR]", base, positional))
        return 2;
    std::optional<app::AppState> state = PrepareBaseFolder(base);
    if (!state)
        return 1;
    auto snapshot = app::TakeSnapshot(positional[0], app::BaseFolder(state->options), std::time(nullptr));
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
    std::string base;
    std::vector<std::string> positional;
    if (!ParseSiteArguments(args, 1, "quillon backups SITE.qls [--base DIR]", base, positional))
        return 2;
    std::optional<app::AppState> state = PrepareBaseFolder(base);
    if (!state)
        return 1;
    auto backups = app::ListBackups(positional[0], app::BaseFolder(state->options));
    if (!backups) {
        std::cerr << "quillon: " << backups.status().message() << '\n';
        return 1;
    }
    // Newest first: the name (to give to restore), the date and time, the number of pages.
    for (const app::BackupInfo& backup : *backups)
        std::cout << backup.name << "  " << backup.when << "  "
                  << (backup.pages < 0 ? std::string("cannot be read") : std::to_string(backup.pages) + " pages")
                  << '\n';
    return 0;
}

int RestoreCommand(const Arguments& args)
{
    std::string base;
    std::vector<std::string> positional;
    if (!ParseSiteArguments(args, 2, "quillon restore SITE.qls BACKUP [--base DIR]", base, positional))
        return 2;
    std::optional<app::AppState> state = PrepareBaseFolder(base);
    if (!state)
        return 1;
    if (Status s =
            app::RestoreBackup(positional[0], positional[1], app::BaseFolder(state->options), std::time(nullptr));
        !s.ok()) {
        std::cerr << "quillon: " << s.message() << '\n';
        return 1;
    }
    std::cout << "Restored " << positional[0] << " from " << positional[1] << '\n';
    return 0;
}

} // namespace qle::cli
