// The lines a sync shows: progress while files are sent and the closing summary. The progress
// line can be read back, so the console window can draw a progress bar from the client's output.
#pragma once

#include "publish/sync/SyncRunner.h"

#include <optional>
#include <string>
#include <string_view>

namespace qle::publish {

// "N files sent, N unchanged, N removed, N failures, N bytes, N seconds", then what the counts do
// not tell: stale files kept and why, a damaged record, files replaced in place.
std::string SyncSummaryLine(const SyncReport& report, double seconds);

// "Sent 3 of 40 files, 12288 of 409600 bytes, 96 KB/s, about 4 s left: articles/art-1.htm". The
// rate and time left appear once there is something to go by.
std::string ProgressLine(const SyncProgress& progress);

// The line shown when the mass-deletion guard held the deletions, and its test.
std::string DeletionsHeldLine(std::size_t toDelete, std::size_t recorded);
bool IsDeletionsHeldLine(std::string_view line);

// The counts and file of a ProgressLine (`seconds` is not carried); nothing for any other line.
std::optional<SyncProgress> ParseProgressLine(std::string_view line);

} // namespace qle::publish
