// quillon-ftp: the upload client.
//   quillon-ftp [-t:SECONDS] [-c:N] [-a] [--plain] [--verify] [--dry-run] [--allow-deletes]
//               -s:SCRIPT [-k:FINGERPRINT] [-i:KEYFILE] [-b:BRANCH] [-p:FD] SERVER
// SERVER is host[:port] for FTP, ftps://host[:port] or sftp://host[:port], or a Git or WebDAV
// address (git+ssh://host/path, git+ssh:user@host:path, git+https://host/path, davs://host/path).
// -k: the server identity the author accepted; -i: the SSH key file; -b: the Git branch; -p: a
// descriptor to read the password (when the script's is empty) or the key's passphrase from.
// SIGINT or SIGTERM stops the upload cleanly.
#include "app/BaseFolderLock.h"
#include "app/Desktop.h"
#include "app/Paths.h"
#include "publish/client/FtpClient.h"
#include "publish/script/FtpSettings.h"
#include "publish/sync/SyncText.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int Usage()
{
    std::cerr << "usage: quillon-ftp [-t:SECONDS] [-c:N] [-a] [--plain] [--verify] [--dry-run] [--allow-deletes]\n"
                 "                   -s:SCRIPT [-k:FINGERPRINT] [-i:KEYFILE] [-b:BRANCH] [-p:FD] SERVER\n"
                 "  -c:N  upload over N connections at once (1 to 16, default 4)\n"
                 "  -a    send every file again, whatever the server holds\n"
                 "  --plain          carry out the script line by line, without the record of published files\n"
                 "  --verify         check the server's files against the record; resend what differs\n"
                 "  --dry-run        show what would be sent and deleted; change nothing\n"
                 "  --allow-deletes  delete stale files even when more than half of the site would go\n";
    return 2;
}

// On a terminal progress lines overwrite each other; elsewhere (a console window, a log) every
// line stays.
class Printer
{
public:
    void operator()(const std::string& line)
    {
        const bool progress = m_terminal && qle::publish::ParseProgressLine(line).has_value();
        if (progress) {
            std::cout << "\r" << line << "\x1b[K" << std::flush;
        } else {
            std::cout << (m_progressShown ? "\n" : "") << line << std::endl;
        }
        m_progressShown = progress;
    }

private:
    bool m_terminal = ::isatty(STDOUT_FILENO) == 1;
    bool m_progressShown = false;
};

std::string CurrentFolder()
{
    char buffer[4096];
    return ::getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string(".");
}

std::atomic<bool> g_stop {false};

void RequestStop(int)
{
    g_stop = true;
}

// Uploads share the base folder's lock with the console that started them. The client takes it
// too, so that a build still waits for this upload when the console is killed and the client
// runs on. Only a folder that has the lock file is a base folder; elsewhere no lock is made.
std::optional<qle::app::BaseFolderLock> LockBaseFolder(const std::string& folder, bool& refused)
{
    refused = false;
    struct stat info
    {
    };
    if (::lstat(qle::app::JoinPath(folder, qle::app::kLockFileName).c_str(), &info) != 0)
        return std::nullopt;
    auto lock = qle::app::BaseFolderLock::acquire(folder, qle::app::BaseFolderLock::Mode::Upload);
    if (!lock) {
        std::cout << "THE UPLOAD DID NOT START: " << lock.status().message() << std::endl;
        refused = true;
        return std::nullopt;
    }
    return std::move(lock.value());
}

bool ParseNumber(const std::string& text, long& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

} // namespace

namespace {

struct Arguments
{
    std::string scriptPath;
    std::string server;
    qle::publish::FtpClientOptions options;
    qle::publish::SyncSettings sync;
    bool plain = false;
};

// One option into `args`; false when it is not one of ours or its value is wrong.
bool TakeOption(const std::string& arg, Arguments& args)
{
    long value = 0;
    if (arg.rfind("-t:", 0) == 0) {
        if (!ParseNumber(arg.substr(3), value) || value < 1)
            return false;
        args.options.timeouts.connectSeconds = value;
        args.options.timeouts.replySeconds = value;
    } else if (arg.rfind("-i:", 0) == 0) {
        args.options.keyFile = arg.substr(3);
    } else if (arg.rfind("-b:", 0) == 0) {
        args.options.branch = arg.substr(3);
    } else if (arg.rfind("-p:", 0) == 0) {
        if (!ParseNumber(arg.substr(3), value) || value < 0)
            return false;
        args.options.secret = qle::app::ReadSecretFrom(static_cast<int>(value));
    } else if (arg.rfind("-c:", 0) == 0) {
        if (!ParseNumber(arg.substr(3), value) || value < 1 || value > qle::publish::kMostConnections)
            return false;
        args.sync.connections = static_cast<int>(value);
    } else if (arg == "-a") {
        args.sync.options.sendAll = true;
    } else if (arg == "--plain") {
        args.plain = true;
    } else if (arg == "--verify") {
        args.sync.verify = true;
    } else if (arg == "--dry-run") {
        args.sync.dryRun = true;
    } else if (arg == "--allow-deletes") {
        args.sync.options.allowMassDeletes = true;
    } else {
        return false;
    }
    return true;
}

// The command line; 0 when it can be carried out, else the exit status to end with.
int ParseArguments(int argc, char** argv, Arguments& args)
{
    bool haveServer = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("-s:", 0) == 0 || arg.rfind("-S:", 0) == 0) {
            args.scriptPath = arg.substr(3);
        } else if (arg.rfind("-k:", 0) == 0) {
            auto key = qle::publish::NormaliseFingerprint(arg.substr(3));
            if (!key) {
                std::cout << key.status().message() << std::endl;
                return 2;
            }
            args.options.trustedKey = key.value();
        } else if (TakeOption(arg, args)) {
            continue;
        } else if (arg.empty() || arg[0] == '-' || haveServer) {
            return Usage();
        } else {
            args.server = arg;
            haveServer = true;
        }
    }
    return args.scriptPath.empty() ? Usage() : 0;
}

} // namespace

int main(int argc, char** argv)
{
    Arguments args;
    if (int status = ParseArguments(argc, argv, args); status != 0)
        return status;
    std::ifstream in(args.scriptPath, std::ios::binary);
    if (!in) {
        std::cout << "Cannot read the script " << args.scriptPath << ": " << std::strerror(errno) << std::endl;
        return 2;
    }
    std::ostringstream script;
    script << in.rdbuf();
    args.options.localFolder = CurrentFolder();
    if (!args.plain)
        args.options.sync = args.sync;
    args.options.stop = &g_stop;
    struct sigaction stop
    {
    };
    stop.sa_handler = RequestStop;
    ::sigaction(SIGINT, &stop, nullptr);
    ::sigaction(SIGTERM, &stop, nullptr);

    bool refused = false;
    const auto lock = LockBaseFolder(args.options.localFolder, refused);
    if (refused)
        return 1;

    // Flushed per line: the console shows the upload as it happens.
    Printer print;
    const auto summary = qle::publish::RunFtpScript(script.str(), args.server, args.options, std::ref(print));
    return summary.exitCode();
}
