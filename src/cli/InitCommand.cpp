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

int InitCommand(const Arguments& args)
{
    std::string baseOverride;
    std::vector<std::string> positional;
    if (!ParseBaseOption(args, baseOverride, positional) || !positional.empty())
        return 2;
    using namespace qle::app;
    AppState state = LoadAppState(ProgramFolder());
    if (!state.optionsStatus.ok())
        std::cerr << "quillon: " << state.optionsStatus.message() << " (using the default base folder)\n";
    if (!baseOverride.empty())
        state.options.LocalBaseDir = baseOverride;
    if (Status s = MakeFolderTree(state.options); !s.ok()) {
        std::cerr << "quillon: " << s.message() << '\n';
        return 1;
    }
    std::cout << "Base folder:          " << BaseFolder(state.options) << '\n'
              << "Program folder:       " << state.programFolder << '\n'
              << "Application database: " << state.appDatabasePath << '\n'
              << "Blank site:           " << JoinPath(state.programFolder, "Blank Site.qls") << '\n';
    return 0;
}

} // namespace qle::cli
