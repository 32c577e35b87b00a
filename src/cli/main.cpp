// quillon: the command-line front end.
#include "cli/Commands.h"

#include "app/Folders.h"
#include "app/Paths.h"
#include "app/StartUp.h"
#include "app/Version.h"

#include <cstring>
#include <iostream>
#include <string>

namespace {

void Usage(std::ostream& out)
{
    out << "usage: quillon --version\n"
           "       quillon init [--base DIR]\n"
           "       quillon publish SITE.qls [--base DIR]\n";
}

int Init(const std::string& baseOverride)
{
    using namespace qle::app;
    AppState state = LoadAppState(ProgramFolder());
    if (!state.optionsStatus.ok())
        std::cerr << "quillon: " << state.optionsStatus.message() << " (using the default base folder)\n";
    if (!baseOverride.empty())
        state.options.LocalBaseDir = baseOverride;
    if (qle::Status s = MakeFolderTree(state.options); !s.ok()) {
        std::cerr << "quillon: " << s.message() << '\n';
        return 1;
    }
    std::cout << "Base folder:          " << BaseFolder(state.options) << '\n'
              << "Program folder:       " << state.programFolder << '\n'
              << "Application database: " << state.appDatabasePath << '\n'
              << "Blank site:           " << JoinPath(state.programFolder, "Blank Site.qls") << '\n';
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        Usage(std::cerr);
        return 2;
    }
    const std::string command = argv[1];
    if (command == "--version") {
        std::cout << "Quillon Engine " << qle::app::kVersionText << '\n';
        return 0;
    }
    if (command == "--help" || command == "-h") {
        Usage(std::cout);
        return 0;
    }
    if (command == "init") {
        std::string base;
        for (int i = 2; i < argc; ++i) {
            if (std::strcmp(argv[i], "--base") == 0 && i + 1 < argc) {
                base = argv[++i];
            } else {
                Usage(std::cerr);
                return 2;
            }
        }
        return Init(base);
    }
    if (command == "publish")
        return qle::cli::PublishCommand(argc, argv);
    Usage(std::cerr);
    return 2;
}
