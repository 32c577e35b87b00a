#include "publish/remote/RemoteListing.h"

#include "publish/script/FtpScript.h"

#include <charconv>
#include <string>

namespace qle::publish {

namespace {

std::vector<std::string_view> Lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty())
            lines.push_back(line);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

std::optional<std::uint64_t> NumberOf(std::string_view text)
{
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace

bool IsSafeEntryName(std::string_view name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    for (char c : name)
        if (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return false;
    return true;
}

std::vector<RemoteFs::Entry> ParseMlsdListing(std::string_view text)
{
    std::vector<RemoteFs::Entry> entries;
    for (std::string_view line : Lines(text)) {
        const auto blank = line.find(' ');
        if (blank == std::string_view::npos || line.substr(0, blank).find('=') == std::string_view::npos)
            continue;
        RemoteFs::Entry entry;
        entry.name = std::string(line.substr(blank + 1));
        std::string_view facts = line.substr(0, blank);
        bool skip = false;
        while (!facts.empty()) {
            const auto semicolon = facts.find(';');
            const std::string_view fact = facts.substr(0, semicolon);
            facts = semicolon == std::string_view::npos ? std::string_view() : facts.substr(semicolon + 1);
            const auto equals = fact.find('=');
            if (equals == std::string_view::npos)
                continue;
            const std::string key = AsciiLowerCase(fact.substr(0, equals));
            const std::string value = AsciiLowerCase(fact.substr(equals + 1));
            if (key == "type") {
                skip = value == "cdir" || value == "pdir";
                entry.folder = value == "dir";
            } else if (key == "size") {
                entry.size = NumberOf(value);
            }
        }
        if (!skip && IsSafeEntryName(entry.name))
            entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<RemoteFs::Entry> ParseLongListing(std::string_view text)
{
    std::vector<RemoteFs::Entry> entries;
    for (std::string_view line : Lines(text)) {
        // Mode, links, owner, group, size, month, day, time or year, then the name (which may hold blanks).
        std::string_view rest = line;
        std::string_view fields[8];
        bool complete = true;
        for (auto& field : fields) {
            const auto start = rest.find_first_not_of(' ');
            if (start == std::string_view::npos) {
                complete = false;
                break;
            }
            rest.remove_prefix(start);
            const auto end = rest.find(' ');
            field = rest.substr(0, end);
            rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);
        }
        if (!complete || rest.size() < 2 || fields[0].size() < 10)
            continue;
        rest.remove_prefix(1); // the one blank before the name
        RemoteFs::Entry entry;
        entry.folder = fields[0][0] == 'd';
        if (fields[0][0] == 'l') {
            if (const auto arrow = rest.find(" -> "); arrow != std::string_view::npos)
                rest = rest.substr(0, arrow);
        }
        entry.name = std::string(rest);
        if (fields[0][0] == '-')
            entry.size = NumberOf(fields[4]);
        if (IsSafeEntryName(entry.name))
            entries.push_back(std::move(entry));
    }
    return entries;
}

} // namespace qle::publish
