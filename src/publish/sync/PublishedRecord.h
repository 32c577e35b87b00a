// The record of what the program put on the server: the file `.quillon-published` in the site's
// remote folder, one line per uploaded file with its path (relative to that folder), size and
// SHA-256. Pure text handling; nothing here touches a network or a disk.
#pragma once

#include "publish/sync/FileDigest.h"

#include <map>
#include <string>
#include <string_view>

namespace qle::publish {

inline constexpr const char* kRecordFileName = ".quillon-published";

// Remote path relative to the record's folder ("articles/art-1.htm") -> what was uploaded there.
using PublishedRecord = std::map<std::string, FileDigest>;

// True for a path the record may hold: relative, no empty, "." or ".." part, no control
// character. Keeps a record edited by hand from naming anything outside the site's folder.
bool IsRecordPath(std::string_view path);

// The record's text: a first line naming the format, then "SHA256 SIZE PATH" per file, sorted by
// path, each line ending in LF.
std::string FormatRecord(const PublishedRecord& record);

struct ParsedRecord
{
    PublishedRecord files;
    int damagedLines = 0; // lines that were not understood and were left out
};

// Reads a record. Damaged lines (a truncated upload, an edit by hand) are skipped and counted:
// a file missing from the record is only sent again, never deleted, so skipping is always safe.
// CR LF line ends are accepted; a later line for the same path wins.
ParsedRecord ParseRecord(std::string_view text);

// One "SHA256 SIZE PATH" line without its line end, and its reverse (false when damaged).
std::string RecordLine(const std::string& path, const FileDigest& digest);
bool ParseRecordLine(std::string_view line, std::string& path, FileDigest& digest);

} // namespace qle::publish
