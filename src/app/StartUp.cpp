#include "app/StartUp.h"

#include "app/Folders.h"
#include "app/Paths.h"

namespace qle::app {

AppState LoadAppState(const std::string& programFolder)
{
    AppState state;
    state.programFolder = WithTrailingSlash(programFolder);
    state.appDatabasePath = AppDatabasePath(state.programFolder);
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

Status StartUp(AppState& state, const std::string& programFolder)
{
    state = LoadAppState(programFolder);
    return MakeFolderTree(state.options);
}

} // namespace qle::app
