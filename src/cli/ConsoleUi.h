// The command line's side of the person-facing interface: messages go to the terminal.
#pragma once

#include "app/UserInterface.h"

namespace qle::cli {

class ConsoleUi : public app::UserInterface
{
public:
    void showMessage(const std::string& text, const std::string& title, app::MessageIcon icon) override;
    std::optional<std::string> askText(const std::string& prompt, const std::string& title) override;
    // "y" or "yes" is Yes; anything else, or no answer at all, is No.
    bool askYesNo(const std::string& question, const std::string& title) override;
    std::optional<std::size_t> chooseItem(const std::string& prompt, const std::string& title,
                                          const std::vector<std::string>& items) override;
    std::string chooseFile(const app::FileChoice& choice) override;
    bool openWithDesktop(const std::string& pathOrAddress) override;
    bool startProgram(const std::vector<std::string>& argv) override;
    // Typed on a terminal it is not shown; given on a pipe it is read as the first line.
    std::optional<std::string> askSecret(const std::string& prompt, const std::string& title) override;

    // A question answered "y"/"yes" (true) or "n"/"no"/an empty line (false); nothing when the input
    // ended or held anything else, so that a script that did not mean to answer changes nothing.
    std::optional<bool> answerYesNo(const std::string& question);
};

} // namespace qle::cli
