#include "cli/ConsoleUi.h"

#include "app/Desktop.h"

#include <iostream>

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

bool ConsoleUi::askYesNo(const std::string& question, const std::string& title)
{
    const auto answer = askText(question + " [y/N]", title);
    return answer && (*answer == "y" || *answer == "Y" || *answer == "yes");
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

} // namespace qle::cli
