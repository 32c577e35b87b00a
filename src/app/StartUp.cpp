#include "app/StartUp.h"

#include "app/Folders.h"
#include "app/Paths.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace qle::app {

std::string UserAppDatabasePath()
{
    const char* home = std::getenv("HOME");
    return AppDatabasePath(WithTrailingSlash(home ? home : "") + ".local/share/quillon-engine/");
}

bool ProgramFolderWritable(const std::string& programFolder)
{
    return ::access(programFolder.c_str(), W_OK) == 0 && ::access(AppDatabasePath(programFolder).c_str(), W_OK) == 0;
}

Result<std::string> AppDatabaseInUse(const std::string& programFolder, const std::string& userCopy,
                                     bool programFolderWritable)
{
    namespace fs = std::filesystem;
    const std::string shipped = AppDatabasePath(programFolder);
    std::error_code ec;
    // Without the shipped file the program is incomplete: say so where it was looked for.
    if (programFolderWritable || !fs::is_regular_file(shipped, ec))
        return shipped;
    if (fs::is_regular_file(userCopy, ec))
        return userCopy;
    fs::create_directories(FolderOfPath(userCopy), ec);
    if (!ec)
        fs::copy_file(shipped, userCopy, fs::copy_options::none, ec);
    if (ec)
        return Status::IoError("Cannot make the program's own settings file " + userCopy + " from " + shipped + ": " +
                               ec.message());
    // The shipped file may be read-only; the copy is the user's to write.
    fs::permissions(userCopy, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, ec);
    return userCopy;
}

AppState LoadAppState(const std::string& programFolder, const std::string& appDatabase)
{
    AppState state;
    state.programFolder = WithTrailingSlash(programFolder);
    state.appDatabasePath = AppDatabasePath(state.programFolder);
    auto inUse = !appDatabase.empty() ? Result<std::string>(appDatabase)
                                      : AppDatabaseInUse(state.programFolder, UserAppDatabasePath(),
                                                         ProgramFolderWritable(state.programFolder));
    if (!inUse) {
        state.optionsStatus = inUse.status();
        return state;
    }
    state.appDatabasePath = inUse.value();
    auto options = LoadAppOptions(state.appDatabasePath);
    if (options)
        state.options = options.value();
    else
        state.optionsStatus = options.status();
    return state;
}

Status MakeFolderTree(AppOptions& options)
{
    const std::string base = BaseFolder(options);
    if (Status s = EnsureFolder(base); !s.ok())
        return s;
    for (const char* folder : kStartUpFolders)
        if (Status s = EnsureFolder(base + folder); !s.ok())
            return s;
    return Status::OK();
}

Status StartUp(AppState& state, const std::string& programFolder, const std::string& appDatabase)
{
    state = LoadAppState(programFolder, appDatabase);
    return MakeFolderTree(state.options);
}

} // namespace qle::app
