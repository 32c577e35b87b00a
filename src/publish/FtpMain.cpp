// quillon-ftp: the upload client.
//   quillon-ftp [-t:SECONDS] -s:SCRIPT [-k:FINGERPRINT] [-i:KEYFILE] [-p:FD] SERVER
// SERVER is host[:port] for FTP, or ftps://host[:port] or sftp://host[:port]. -k: the server
// identity the author accepted; -i: SFTP's key file; -p: a descriptor to read the password (when
// the script's is empty) or the key's passphrase from. SIGINT or SIGTERM stops the upload cleanly.
#include "app/Desktop.h"
#include "publish/FtpClient.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

int Usage()
{
    std::cerr << "usage: quillon-ftp [-t:SECONDS] -s:SCRIPT [-k:FINGERPRINT] [-i:KEYFILE] [-p:FD] SERVER\n";
    return 2;
}

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
    options.stop = &g_stop;
    struct sigaction stop
    {
    };
    stop.sa_handler = RequestStop;
    ::sigaction(SIGINT, &stop, nullptr);
    ::sigaction(SIGTERM, &stop, nullptr);

    // Flushed per line: the console shows the upload as it happens.
    const auto summary = qle::publish::RunFtpScript(script.str(), server, options,
                                                    [](const std::string& line) { std::cout << line << std::endl; });
    return summary.exitCode();
}
