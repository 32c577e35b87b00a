// quillon-ftp: the upload client.
//   quillon-ftp [-t:SECONDS] [-c:N] [-a] [--plain] [--verify] [--dry-run] [--allow-deletes]
//               -s:SCRIPT [-k:FINGERPRINT] [-i:KEYFILE] [-p:FD] SERVER
// SERVER is host[:port] for FTP, or ftps://host[:port] or sftp://host[:port]. -k: the server
// identity the author accepted; -i: SFTP's key file; -p: a descriptor to read the password (when
// the script's is empty) or the key's passphrase from. SIGINT or SIGTERM stops the upload cleanly.
#include "app/Desktop.h"
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
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

int Usage()
{
    std::cerr << "usage: quillon-ftp [-t:SECONDS] [-c:N] [-a] [--plain] [--verify] [--dry-run] [--allow-deletes]\n"
                 "                   -s:SCRIPT [-k:FINGERPRINT] [-i:KEYFILE] [-p:FD] SERVER\n"
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

bool ParseNumber(const std::string& text, long& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

} // namespace

int main(int argc, char** argv)
{
    std::string scriptPath;
    std::string server;
    bool haveServer = false;
    qle::publish::FtpClientOptions options;
    qle::publish::SyncSettings sync;
    bool plain = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("-s:", 0) == 0 || arg.rfind("-S:", 0) == 0) {
            scriptPath = arg.substr(3);
        } else if (arg.rfind("-t:", 0) == 0) {
            long seconds = 0;
            if (!ParseNumber(arg.substr(3), seconds) || seconds < 1)
                return Usage();
            options.timeouts.connectSeconds = seconds;
            options.timeouts.replySeconds = seconds;
        } else if (arg.rfind("-k:", 0) == 0) {
            auto key = qle::publish::NormaliseFingerprint(arg.substr(3));
            if (!key) {
                std::cout << key.status().message() << std::endl;
                return 2;
            }
            options.trustedKey = key.value();
        } else if (arg.rfind("-i:", 0) == 0) {
            options.keyFile = arg.substr(3);
        } else if (arg.rfind("-p:", 0) == 0) {
            long fd = -1;
            if (!ParseNumber(arg.substr(3), fd) || fd < 0)
                return Usage();
            options.secret = qle::app::ReadSecretFrom(static_cast<int>(fd));
        } else if (arg.rfind("-c:", 0) == 0) {
            long connections = 0;
            if (!ParseNumber(arg.substr(3), connections) || connections < 1 ||
                connections > qle::publish::kMostConnections)
                return Usage();
            sync.connections = static_cast<int>(connections);
        } else if (arg == "-a") {
            sync.options.sendAll = true;
        } else if (arg == "--plain") {
            plain = true;
        } else if (arg == "--verify") {
            sync.verify = true;
        } else if (arg == "--dry-run") {
            sync.dryRun = true;
        } else if (arg == "--allow-deletes") {
            sync.options.allowMassDeletes = true;
        } else if (!haveServer) {
            server = arg;
            haveServer = true;
        } else {
            return Usage();
        }
    }
    if (scriptPath.empty())
        return Usage();

    std::ifstream in(scriptPath, std::ios::binary);
    if (!in) {
        std::cout << "Cannot read the script " << scriptPath << ": " << std::strerror(errno) << std::endl;
        return 2;
    }
    std::ostringstream script;
    script << in.rdbuf();
    options.localFolder = CurrentFolder();
    if (!plain)
        options.sync = sync;
    options.stop = &g_stop;
    struct sigaction stop
    {
    };
    stop.sa_handler = RequestStop;
    ::sigaction(SIGINT, &stop, nullptr);
    ::sigaction(SIGTERM, &stop, nullptr);

    // Flushed per line: the console shows the upload as it happens.
    Printer print;
    const auto summary = qle::publish::RunFtpScript(script.str(), server, options, std::ref(print));
    return summary.exitCode();
}
