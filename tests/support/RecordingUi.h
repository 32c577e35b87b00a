// A person-facing interface for tests: records what would be shown and answers from a script.
#pragma once

#include "app/UserInterface.h"

#include <deque>
#include <string>
#include <vector>

namespace qle::test {

class RecordingUi : public app::UserInterface
{
public:
    struct Message
    {
        std::string text;
        std::string title;
        app::MessageIcon icon;
    };

    void showMessage(const std::string& text, const std::string& title, app::MessageIcon icon) override;
    std::optional<std::string> askText(const std::string& prompt, const std::string& title) override;
    std::string chooseFile(const app::FileChoice& choice) override;
    bool openWithDesktop(const std::string& pathOrAddress) override;
    bool startProgram(const std::vector<std::string>& argv) override;
    std::optional<std::string> askSecret(const std::string& prompt, const std::string& title) override;
    bool askYesNo(const std::string& question, const std::string& title) override;
    bool startProgramWithSecret(const std::vector<std::string>& argv, const std::string& secret) override;
    void beep() override { ++beeps; }

    // Answers handed out in order; an empty queue answers "cancelled".
    std::deque<std::optional<std::string>> textAnswers;
    std::deque<std::string> fileAnswers;
    std::deque<bool> yesNoAnswers; // an empty queue answers No
    bool startSucceeds = true;
    bool openSucceeds = true;

    std::vector<Message> messages;
    std::vector<std::string> prompts;
    std::vector<app::FileChoice> fileChoices;
    std::vector<std::string> opened;
    std::vector<std::vector<std::string>> started;
    std::vector<std::string> secretPrompts;
    std::vector<std::string> questions;
    std::vector<std::string> secretsHandedOn; // one per program started, empty when none
    int beeps = 0;
};

} // namespace qle::test
