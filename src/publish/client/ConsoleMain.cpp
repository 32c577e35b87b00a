// quillon-console: carries out the publisher's batch file in a terminal.
//   quillon-console BATCHFILE [--secret-fd N]
// A password or passphrase the site does not store may be handed on descriptor N. Ctrl+C stops
// the upload cleanly: the upload client reports what was sent and the console goes on.
#include "app/Desktop.h"
#include "publish/client/BatchRunner.h"

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

// Waits for one key press when a keyboard is attached; returns at once otherwise.
void WaitForKey()
{
    std::cout << "Press any key to continue . . ." << std::endl;
    if (!::isatty(STDIN_FILENO))
        return;
    termios saved {};
    if (::tcgetattr(STDIN_FILENO, &saved) != 0)
        return;
    termios raw = saved;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    ::tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    char key = 0;
    [[maybe_unused]] ssize_t n = ::read(STDIN_FILENO, &key, 1);
    ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
}

} // namespace

int main(int argc, char** argv)
{
    const bool secretGiven = argc == 4 && std::string(argv[2]) == "--secret-fd";
    if (argc != 2 && !secretGiven) {
        std::cerr << "usage: quillon-console BATCHFILE [--secret-fd N]\n";
        return 2;
    }
    qle::publish::BatchOptions options;
    options.ftpProgram = qle::publish::DefaultFtpProgram();
    if (secretGiven)
        options.secret = qle::app::ReadSecretFrom(std::atoi(argv[3]));
    // Ctrl+C reaches the upload client, which stops cleanly; the console stays to say what happened.
    std::signal(SIGINT, SIG_IGN);
    qle::publish::BatchCallbacks callbacks;
    callbacks.output = [](const std::string& line) { std::cout << line << std::endl; };
    callbacks.pause = WaitForKey;
    auto status = qle::publish::RunBatchFile(argv[1], options, callbacks);
    if (!status) {
        std::cerr << "quillon-console: " << status.status().message() << '\n';
        return 2;
    }
    return status.value();
}
