// The record of what the program put on the server: the file `.quillon-published` in the site's
// remote folder, one line per uploaded file with its path (relative to that folder), size and
// SHA-256, and a trailer line that proves the record whole. Pure text handling; nothing here
// touches a network or a disk.
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

// The record's text: the line "quillon-published 2", then "SHA256 SIZE PATH" per file, sorted by
// path, then the trailer "end COUNT SHA256" (the number of file lines and the SHA-256 of every
// byte before the trailer). Each line ends in LF.
std::string FormatRecord(const PublishedRecord& record);

struct ParsedRecord
{
    PublishedRecord files;
    int format = 0;       // 2, or 1 for a record of the format before the trailer (read once, then replaced)
    bool damaged = false; // format 2 without its valid trailer: cut short or changed by hand
    int damagedLines = 0; // lines that were not understood and were left out
};

// Reads a record. Only whole lines (ending in LF) count: a line cut short could name a path that
// was never uploaded. Damaged lines are skipped and counted; a later line for the same path wins;
// CR LF line ends are accepted. A format-2 record whose trailer is missing or does not match is
// `damaged`: its whole lines are still true of what was sent, but it may lack files, so nothing
// may be deleted on its word.
ParsedRecord ParseRecord(std::string_view text);

// The last line of a record text, without its LF; empty when the text does not end in LF. For
// a whole format-2 record this is its trailer, which stands for every byte before it.
std::string LastRecordLine(std::string_view text);

// One "SHA256 SIZE PATH" line without its line end, and its reverse (false when damaged).
std::string RecordLine(const std::string& path, const FileDigest& digest);
bool ParseRecordLine(std::string_view line, std::string& path, FileDigest& digest);

} // namespace qle::publish
