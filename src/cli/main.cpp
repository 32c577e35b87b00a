// quillon: the command-line front end. Each command lives in its own file (Commands.h).
//
// Built twice: `quillon` runs the commands that need no network and starts `quillon-publish`, built
// with QLE_CLI_PUBLISHING, for the others. The network's libraries (and the keyring's) would make
// every start of the program slower, a build's too.
#include "app/HugePages.h"
#include "app/Paths.h"
#include "app/Version.h"
#include "cli/Commands.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <string_view>
#include <unistd.h>

namespace {

constexpr const char* kPublishingProgram = "quillon-publish";

struct Command
{
    std::string_view name;
    int (*run)(const qle::cli::Arguments&); // nullptr: run by the publishing program
};

constexpr Command kCommands[] = {
    {"init", qle::cli::InitCommand},
    {"new", qle::cli::NewCommand},
    {"build", qle::cli::BuildCommand},
#ifdef QLE_CLI_PUBLISHING
    {"check", qle::cli::CheckCommand},
    {"publish", qle::cli::PublishCommand},
    {"test-connection", qle::cli::TestConnectionCommand},
    {"password", qle::cli::PasswordCommand},
#else
    {"check", nullptr},
    {"publish", nullptr},
    {"test-connection", nullptr},
    {"password", nullptr},
#endif
    {"backup", qle::cli::BackupCommand},
    {"backups", qle::cli::BackupsCommand},
    {"restore", qle::cli::RestoreCommand},
};

void Usage(std::ostream& out)
{
    out << "usage: quillon --version\n"
           "       quillon init [--base DIR]\n"
           "       quillon new SITE.qls [--style classic|modern]\n"
           "       quillon build SITE.qls [--base DIR] [--all]\n"
           "       quillon check SITE.qls [--base DIR] [--external]\n"
           "       quillon publish SITE.qls [--base DIR] [--trust FINGERPRINT] [--all] [--verify] [--dry-run]\n"
           "                               [--allow-deletes] [--force]\n"
           "       quillon test-connection SITE.qls [--trust FINGERPRINT]\n"
           "       quillon password SITE.qls --set|--forget\n"
           "       quillon backup SITE.qls [--base DIR]\n"
           "       quillon backups SITE.qls [--base DIR]\n"
           "       quillon restore SITE.qls BACKUP [--base DIR]\n";
}

// Replaces this process by the publishing program beside it, with the same arguments (the same
// process: its exit status and signals are the command's own). Returns only on failure.
int RunPublishingProgram(char** argv)
{
    const std::string program = qle::app::ExecutableFolder() + kPublishingProgram;
    ::execv(program.c_str(), argv);
    std::cerr << "quillon: cannot start " << program << ": " << std::strerror(errno) << '\n';
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        Usage(std::cerr);
        return 2;
    }
    const std::string_view name = argv[1];
    if (name == "--version") {
        std::cout << "Quillon Engine " << qle::app::kVersionText << '\n';
        return 0;
    }
    if (name == "--help" || name == "-h") {
        Usage(std::cout);
        return 0;
    }
    // A build's memory grows with the site, and its heap gets huge pages only when the C library
    // is told so at start-up: the build starts again, told (and goes on as it is if it cannot).
    if (name == "build" && qle::app::AskForHugePageHeap())
        ::execv("/proc/self/exe", argv);
    for (const auto& command : kCommands) {
        if (command.name == name)
            return command.run ? command.run(qle::cli::Arguments(argv + 2, argv + argc)) : RunPublishingProgram(argv);
    }
    Usage(std::cerr);
    return 2;
}
