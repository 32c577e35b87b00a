// quillon-ftp: the upload client. quillon-ftp [-t:SECONDS] -s:SCRIPT SERVER[:PORT]
#include "publish/FtpClient.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

int Usage()
{
    std::cerr << "usage: quillon-ftp [-t:SECONDS] -s:SCRIPT SERVER[:PORT]\n";
    return 2;
}

std::string CurrentFolder()
{
    char buffer[4096];
    return ::getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string(".");
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
            const char* first = arg.data() + 3;
            const char* last = arg.data() + arg.size();
            const auto [end, error] = std::from_chars(first, last, seconds);
            if (error != std::errc() || end != last || seconds < 1)
                return Usage();
            options.timeouts.connectSeconds = seconds;
            options.timeouts.replySeconds = seconds;
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

    // Flushed per line: the console shows the upload as it happens.
    const auto summary = qle::publish::RunFtpScript(script.str(), server, options,
                                                    [](const std::string& line) { std::cout << line << std::endl; });
    return summary.exitCode();
}
