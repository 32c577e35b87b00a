#include "publish/sync/PublishedRecord.h"

#include "app/Sha256.h"

#include <charconv>

namespace qle::publish {

namespace {

constexpr std::string_view kFormatPrefix = "quillon-published ";
constexpr std::string_view kFormatLine = "quillon-published 2";
constexpr std::string_view kOldFormatLine = "quillon-published 1";
constexpr std::string_view kTrailerPrefix = "end ";

bool IsLowerHex(std::string_view text)
{
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

std::string Trailer(std::string_view before, std::size_t count)
{
    return std::string(kTrailerPrefix) + std::to_string(count) + ' ' + app::Sha256Hex(before);
}

// Reads the whole lines of a record body into `parsed` (the format line and any trailer are the
// caller's). Returns the number of file lines.
std::size_t ReadLines(std::string_view text, ParsedRecord& parsed)
{
    std::size_t lines = 0;
    std::size_t end;
    while ((end = text.find('\n')) != std::string_view::npos) {
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            continue;
        ++lines;
        std::string path;
        FileDigest digest;
        if (ParseRecordLine(line, path, digest))
            parsed.files[path] = std::move(digest);
        else
            ++parsed.damagedLines;
    }
    if (!text.empty())
        ++parsed.damagedLines; // the last line was cut short
    return lines;
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
    return text + Trailer(text, record.size()) + '\n';
}

std::string LastRecordLine(std::string_view text)
{
    if (text.empty() || text.back() != '\n')
        return {};
    text.remove_suffix(1);
    const auto start = text.rfind('\n');
    return std::string(start == std::string_view::npos ? text : text.substr(start + 1));
}

ParsedRecord ParseRecord(std::string_view text)
{
    ParsedRecord parsed;
    parsed.format = 1;
    const auto firstEnd = text.find('\n');
    std::string_view first = text.substr(0, firstEnd);
    if (!first.empty() && first.back() == '\r')
        first.remove_suffix(1);
    if (first.starts_with(kFormatPrefix) && firstEnd != std::string_view::npos) {
        parsed.format = first == kOldFormatLine ? 1 : 2;
        text.remove_prefix(firstEnd + 1);
    }
    if (parsed.format == 1) {
        ReadLines(text, parsed);
        return parsed;
    }
    // The trailer must be the last line and match every byte before it.
    const std::string trailer = LastRecordLine(text);
    std::string_view body = text.substr(0, text.size() - (trailer.empty() ? 0 : trailer.size() + 1));
    const bool hasTrailer = trailer.starts_with(kTrailerPrefix);
    if (!hasTrailer)
        body = text;
    const std::size_t lines = ReadLines(body, parsed);
    const std::string_view before(first.data(), static_cast<std::size_t>(body.data() + body.size() - first.data()));
    parsed.damaged = !hasTrailer || parsed.damagedLines > 0 || trailer != Trailer(before, lines);
    return parsed;
}

} // namespace qle::publish
