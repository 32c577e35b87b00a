// quillon-console: carries out the publisher's batch file in a terminal. quillon-console BATCHFILE
#include "publish/BatchRunner.h"

#include <iostream>
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
    if (argc != 2) {
        std::cerr << "usage: quillon-console BATCHFILE\n";
        return 2;
    }
    qle::publish::BatchOptions options;
    options.ftpProgram = qle::publish::DefaultFtpProgram();
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
