#include "publish/sync/PublishedRecord.h"

#include <charconv>

namespace qle::publish {

namespace {

constexpr std::string_view kFormatLine = "quillon-published 1";

bool IsLowerHex(std::string_view text)
{
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

} // namespace

bool IsRecordPath(std::string_view path)
{
    if (path.empty() || path.front() == '/' || path.back() == '/')
        return false;
    for (char c : path)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f || c == '\\')
            return false;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view part = path.substr(start, end - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        start = end + 1;
    }
    return true;
}

std::string RecordLine(const std::string& path, const FileDigest& digest)
{
    return digest.sha256 + ' ' + std::to_string(digest.size) + ' ' + path;
}

bool ParseRecordLine(std::string_view line, std::string& path, FileDigest& digest)
{
    if (line.size() < 68 || line[64] != ' ' || !IsLowerHex(line.substr(0, 64)))
        return false;
    const char* first = line.data() + 65;
    const char* last = line.data() + line.size();
    std::uint64_t size = 0;
    const auto [end, error] = std::from_chars(first, last, size);
    if (error != std::errc() || end == first || end == last || *end != ' ')
        return false;
    const std::string_view rest(end + 1, static_cast<std::size_t>(last - end - 1));
    if (!IsRecordPath(rest))
        return false;
    path = std::string(rest);
    digest = {size, std::string(line.substr(0, 64))};
    return true;
}

std::string FormatRecord(const PublishedRecord& record)
{
    std::string text(kFormatLine);
    text += '\n';
    for (const auto& [path, digest] : record)
        text += RecordLine(path, digest) + '\n';
    return text;
}

ParsedRecord ParseRecord(std::string_view text)
{
    ParsedRecord parsed;
    bool firstLine = true;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const bool formatLine = firstLine && line == kFormatLine;
        firstLine = false;
        if (formatLine || line.empty())
            continue;
        std::string path;
        FileDigest digest;
        if (ParseRecordLine(line, path, digest))
            parsed.files[path] = std::move(digest);
        else
            ++parsed.damagedLines;
    }
    return parsed;
}

} // namespace qle::publish
