#include "app/Folders.h"
#include "app/Paths.h"
#include "app/StartUp.h"
#include "cli/Commands.h"

#include <iostream>

namespace qle::cli {

bool ParseBaseOption(const Arguments& args, std::string& base, std::vector<std::string>& positional)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--base" && i + 1 < args.size()) {
            base = args[++i];
        } else if (!args[i].empty() && args[i][0] == '-') {
            std::cerr << "quillon: unknown option or missing value: " << args[i] << '\n';
            return false;
        } else {
            positional.push_back(args[i]);
        }
    }
    return true;
}

std::optional<app::AppState> PrepareBaseFolder(const std::string& baseOverride)
{
    app::AppState state = app::LoadAppState(app::ProgramFolder());
    if (!baseOverride.empty())
        state.options.LocalBaseDir = baseOverride;
    if (!state.optionsStatus.ok())
        std::cerr << "quillon: the program's settings could not be read from " << state.appDatabasePath << ": "
                  << state.optionsStatus.message() << " (using the base folder " << app::BaseFolder(state.options)
                  << ")\n";
    if (Status s = app::MakeFolderTree(state.options); !s.ok()) {
        std::cerr << "quillon: " << s.message() << '\n';
        return std::nullopt;
    }
    return state;
}

int InitCommand(const Arguments& args)
{
    std::string baseOverride;
    std::vector<std::string> positional;
    if (!ParseBaseOption(args, baseOverride, positional) || !positional.empty())
        return 2;
    using namespace qle::app;
    std::optional<AppState> prepared = PrepareBaseFolder(baseOverride);
    if (!prepared)
        return 1;
    AppState& state = *prepared;
    std::cout << "Base folder:          " << BaseFolder(state.options) << '\n'
              << "Program folder:       " << state.programFolder << '\n'
              << "Application database: " << state.appDatabasePath << '\n'
              << "Blank site:           " << JoinPath(state.programFolder, "Blank Site.qls") << '\n';
    return 0;
}

} // namespace qle::cli
