#include "cli/ConsoleUi.h"

#include "app/Desktop.h"

#include <iostream>
#include <termios.h>
#include <unistd.h>

namespace qle::cli {

void ConsoleUi::showMessage(const std::string& text, const std::string& title, app::MessageIcon)
{
    std::cerr << title << ": " << text << '\n';
}

std::optional<std::string> ConsoleUi::askText(const std::string& prompt, const std::string&)
{
    std::cerr << prompt << ' ';
    std::string answer;
    if (!std::getline(std::cin, answer))
        return std::nullopt;
    return answer;
}

bool ConsoleUi::askYesNo(const std::string& question, const std::string&)
{
    return answerYesNo(question).value_or(false);
}

std::optional<bool> ConsoleUi::answerYesNo(const std::string& question)
{
    const auto answer = askText(question + " [y/N]", {});
    if (!answer)
        return std::nullopt;
    if (*answer == "y" || *answer == "Y" || *answer == "yes")
        return true;
    if (answer->empty() || *answer == "n" || *answer == "N" || *answer == "no")
        return false;
    return std::nullopt;
}

std::optional<std::size_t> ConsoleUi::chooseItem(const std::string&, const std::string&,
                                                 const std::vector<std::string>&)
{
    return std::nullopt; // the command line names its choice as an argument
}

std::string ConsoleUi::chooseFile(const app::FileChoice&)
{
    return {}; // the command line names its files as arguments
}

bool ConsoleUi::openWithDesktop(const std::string& pathOrAddress)
{
    return app::StartDetached({"xdg-open", pathOrAddress});
}

bool ConsoleUi::startProgram(const std::vector<std::string>& argv)
{
    return app::StartDetached(argv);
}

std::optional<std::string> ConsoleUi::askSecret(const std::string& prompt, const std::string&)
{
    std::cerr << prompt << std::flush;
    termios saved {};
    const bool terminal = ::isatty(STDIN_FILENO) && ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
        ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::string secret;
    const bool read = static_cast<bool>(std::getline(std::cin, secret));
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        std::cerr << '\n';
    }
    if (!read)
        return std::nullopt;
    return secret;
}

} // namespace qle::cli
