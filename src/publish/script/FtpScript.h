// The upload script's dialect, without any network: words of a line, the server argument and
// remote paths.
#pragma once

#include "store/Status.h"

#include <string>
#include <string_view>
#include <vector>

namespace qle::publish {

// The words of a script line: split on blanks and tabs, double quotes group words and are
// dropped ("put \"/a b/c.htm\" x" gives put, /a b/c.htm, x). An unclosed quote runs to the end.
std::vector<std::string> SplitScriptLine(std::string_view line);

// The text with its ASCII letters in lower case (other bytes as they are).
std::string AsciiLowerCase(std::string_view text);

// A script line's command word in lower case: "PUT" and "put" are one command.
std::string ScriptVerb(std::string_view word);

struct ServerAddress
{
    std::string host;
    int port = 21;
};

// "host", "host:port", "[v6address]" or "[v6address]:port". Empty text, a blank, one of "/?#@\"
// or a port outside 1..65535 is an error that quotes the text.
Result<ServerAddress> ParseServer(std::string_view text);

// A remote path made absolute against the current remote folder (absolute, starting with '/'),
// with "." and ".." resolved and no trailing '/' (except the root itself).
std::string ResolveRemotePath(std::string_view current, std::string_view path);

// A local path made absolute against the current local folder.
std::string ResolveLocalPath(std::string_view current, std::string_view path);

} // namespace qle::publish
