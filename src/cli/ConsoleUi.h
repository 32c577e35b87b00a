// The command line's side of the person-facing interface: messages go to the terminal.
#pragma once

#include "app/UserInterface.h"

namespace qle::cli {

class ConsoleUi : public app::UserInterface
{
public:
    void showMessage(const std::string& text, const std::string& title, app::MessageIcon icon) override;
    std::optional<std::string> askText(const std::string& prompt, const std::string& title) override;
    bool askYesNo(const std::string& question, const std::string& title) override;
    std::optional<std::size_t> chooseItem(const std::string& prompt, const std::string& title,
                                          const std::vector<std::string>& items) override;
    std::string chooseFile(const app::FileChoice& choice) override;
    bool openWithDesktop(const std::string& pathOrAddress) override;
    bool startProgram(const std::vector<std::string>& argv) override;
};

} // namespace qle::cli
