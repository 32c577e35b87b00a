#include "publish/script/FtpScript.h"

#include "app/Paths.h"

#include <charconv>

namespace qle::publish {

std::string AsciiLowerCase(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

std::string ScriptVerb(std::string_view word)
{
    return AsciiLowerCase(word);
}

std::vector<std::string> SplitScriptLine(std::string_view line)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true; // "" is an empty word, not nothing
        } else if (!quoted && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) {
            if (inWord)
                words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(std::move(word));
    return words;
}

Result<ServerAddress> ParseServer(std::string_view text)
{
    const auto invalid = [&] { return Status::InvalidArgument("Invalid server name \"" + std::string(text) + "\""); };
    if (text.empty() || text.find_first_of(" \t") != std::string_view::npos)
        return invalid();
    ServerAddress address;
    std::string_view portText;
    if (text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string_view::npos || close == 1)
            return invalid();
        address.host = std::string(text.substr(1, close - 1));
        std::string_view rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':')
                return invalid();
            portText = rest.substr(1);
            if (portText.empty())
                return invalid();
        }
    } else {
        const auto colon = text.find(':');
        address.host = std::string(text.substr(0, colon));
        if (colon != std::string_view::npos) {
            portText = text.substr(colon + 1);
            if (portText.empty())
                return invalid();
        }
        if (address.host.empty())
            return invalid();
    }
    // The host becomes part of a URL: nothing in it may start a path, a query or a user name.
    if (address.host.find_first_of("/?#@\\") != std::string::npos)
        return invalid();
    if (!portText.empty()) {
        int port = 0;
        const auto [end, error] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
        if (error != std::errc() || end != portText.data() + portText.size() || port < 1 || port > 65535)
            return invalid();
        address.port = port;
    }
    return address;
}

std::string ResolveRemotePath(std::string_view current, std::string_view path)
{
    std::vector<std::string> parts;
    const auto addParts = [&parts](std::string_view text) {
        std::size_t start = 0;
        while (start <= text.size()) {
            const auto slash = text.find('/', start);
            const auto part =
                text.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
            if (part == "..") {
                if (!parts.empty())
                    parts.pop_back();
            } else if (!part.empty() && part != ".") {
                parts.emplace_back(part);
            }
            if (slash == std::string_view::npos)
                break;
            start = slash + 1;
        }
    };
    if (path.empty() || path.front() != '/')
        addParts(current);
    addParts(path);
    std::string result;
    for (const auto& part : parts)
        result += "/" + part;
    return result.empty() ? "/" : result;
}

std::string ResolveLocalPath(std::string_view current, std::string_view path)
{
    if (!path.empty() && path.front() == '/')
        return std::string(path);
    return app::JoinPath(current, path);
}

} // namespace qle::publish
