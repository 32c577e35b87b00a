#include "support/RecordingUi.h"

namespace qle::test {

void RecordingUi::showMessage(const std::string& text, const std::string& title, app::MessageIcon icon)
{
    messages.push_back({text, title, icon});
}

std::optional<std::string> RecordingUi::askText(const std::string& prompt, const std::string&)
{
    prompts.push_back(prompt);
    if (textAnswers.empty())
        return std::nullopt;
    auto answer = textAnswers.front();
    textAnswers.pop_front();
    return answer;
}

std::string RecordingUi::chooseFile(const app::FileChoice& choice)
{
    fileChoices.push_back(choice);
    if (fileAnswers.empty())
        return {};
    auto answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

bool RecordingUi::openWithDesktop(const std::string& pathOrAddress)
{
    opened.push_back(pathOrAddress);
    return openSucceeds;
}

bool RecordingUi::startProgram(const std::vector<std::string>& argv)
{
    started.push_back(argv);
    return startSucceeds;
}

std::optional<std::string> RecordingUi::askSecret(const std::string& prompt, const std::string& title)
{
    secretPrompts.push_back(prompt);
    return askText(prompt, title);
}

bool RecordingUi::askYesNo(const std::string& question, const std::string&)
{
    questions.push_back(question);
    if (yesNoAnswers.empty())
        return false;
    const bool answer = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return answer;
}

bool RecordingUi::startProgramWithSecret(const std::vector<std::string>& argv, const std::string& secret)
{
    secretsHandedOn.push_back(secret);
    return startProgram(argv);
}

} // namespace qle::test
