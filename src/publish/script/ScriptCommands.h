// The one reader of the upload script's command lines, for both runners: the plain one, which
// carries them out line by line, and the sync, which reads them as one job. A line neither can
// carry out fails the whole script before anything is sent; no line is ever skipped.
#pragma once

#include "store/Status.h"

#include <string>
#include <string_view>
#include <vector>

namespace qle::publish {

struct ScriptCommand
{
    enum class Verb { Binary, Lcd, Mkdir, Cd, Put };
    Verb verb = Verb::Binary;
    // The command's words after the verb: lcd one folder; mkdir and cd one folder or none (an
    // empty setting: nothing to do); put a local file and, when given, its remote name.
    std::vector<std::string> args;
    std::string line; // as written, for a console to show
};

// The lines of a script text, without their line ends (LF or CR LF).
std::vector<std::string> ScriptLines(std::string_view text);

// Reads the command lines, those after the user name and the password, up to "quit" ("bye" or
// "close"); blank lines are passed over. Verbs are read in any letter case. An unknown command or
// one with the wrong number of words is an InvalidArgument error naming the line and its number
// (counting the user name's line as 1).
Result<std::vector<ScriptCommand>> ReadScriptCommands(const std::vector<std::string>& commandLines);

} // namespace qle::publish
