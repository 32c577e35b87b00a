#include "publish/script/ScriptCommands.h"

#include "publish/script/FtpScript.h"

namespace qle::publish {

namespace {

using Verb = ScriptCommand::Verb;

// The commands the runners carry out, with the words each takes after its verb.
struct Known
{
    const char* word;
    Verb verb;
    std::size_t fewest;
    std::size_t most;
};
constexpr Known kCommands[] = {
    {"binary", Verb::Binary, 0, 0}, {"lcd", Verb::Lcd, 1, 1}, {"mkdir", Verb::Mkdir, 0, 1},
    {"cd", Verb::Cd, 0, 1},         {"put", Verb::Put, 1, 2},
};

// The words that end a script.
bool IsEnd(const std::string& verb)
{
    return verb == "quit" || verb == "bye" || verb == "close";
}

Status CannotCarry(std::size_t number, const std::string& line, const std::string& why)
{
    return Status::InvalidArgument("Line " + std::to_string(number) + " of the upload script cannot be carried out (" +
                                   why + "): " + line + ". Nothing was sent.");
}

} // namespace

std::vector<std::string> ScriptLines(std::string_view text)
{
    std::vector<std::string> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string line(text.substr(0, end));
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return lines;
}

Result<std::vector<ScriptCommand>> ReadScriptCommands(const std::vector<std::string>& commandLines)
{
    std::vector<ScriptCommand> commands;
    for (std::size_t i = 0; i < commandLines.size(); ++i) {
        const std::size_t number = i + 3; // after the user name and the password
        const std::string& line = commandLines[i];
        auto words = SplitScriptLine(line);
        if (words.empty())
            continue;
        const std::string verb = ScriptVerb(words[0]);
        if (IsEnd(verb))
            break;
        const Known* known = nullptr;
        for (const Known& command : kCommands)
            if (verb == command.word)
                known = &command;
        if (!known)
            return CannotCarry(number, line, "an unknown command");
        words.erase(words.begin());
        if (words.size() < known->fewest || words.size() > known->most)
            return CannotCarry(number, line, "a wrong number of names; a name with blanks needs quotes");
        if (known->verb == Verb::Put && words[0].empty())
            return CannotCarry(number, line, "no file to send");
        commands.push_back({known->verb, std::move(words), line});
    }
    return commands;
}

} // namespace qle::publish
