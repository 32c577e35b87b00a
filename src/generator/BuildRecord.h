// The record of the last build, kept beside the web folder (never uploaded): which site file was
// built, from what, whether the build completed and when. Publishing reads it to refuse a web
// folder that holds another site, a build that did not complete, or a build of the site as it was
// before a change.
#pragma once

#include "store/Status.h"

#include <string>
#include <string_view>

namespace qle::store {
class Database;
}

namespace qle::generator {

inline constexpr const char* kBuildRecordFileName = "QuillonEngine_build.txt";

struct BuildRecord
{
    std::string sitePath;
    bool complete = false;
    std::string finished; // UTC time the build completed, "2026-12-06T10:15:00Z"; empty while building
    // What was built, as BuildSource gives it: "program=1.5.1 site=sha256:...". Empty in a record
    // of a version that did not write it, which then matches no site.
    std::string source = {};
};

// Whether a field of `Options` is one that no page is made from: the homepage the forwarding page
// points at (which a build may store when it falls back to the first page), its title, and the
// publishing settings.
bool IsPublishingField(std::string_view name);

// The state of the site file as a build reads it: "sha256:" and the hexadecimal SHA-256 of its
// schema (tables and views), its articles and the `Options` fields the pages are made from (all
// but the homepage the forwarding page points at and the publishing settings). The articles are
// the change log's last row when the file keeps the log as this program makes it (ReadLogPosition),
// every row of `Articles` otherwise. Run it in the read transaction the build reads in, so that it
// is the state the pages were made from.
Result<std::string> SiteState(store::Database& db);

// What a build of a site in `siteState` by this program is recorded as: blank-separated
// "name=value" items, "program=<version> site=<state>". A build is current only while the record
// holds exactly the text this gives for the site now. A later version may add items (what each
// page was made from, say): its program item differs, so records of other versions never match.
std::string BuildSource(const std::string& siteState);

// The record's path for a web folder: in the web folder's parent, the base folder.
std::string BuildRecordPath(const std::string& webFolder);

// How a record is written: on the disk when WriteBuildRecord returns, or only visible to readers
// (the caller makes it durable later, before anything relies on it surviving a power cut).
enum class RecordWrite { Durable, Deferred };

// Replaces the record in one rename, so a reader sees the old record or the new one.
Status WriteBuildRecord(const std::string& webFolder, const BuildRecord& record,
                        RecordWrite write = RecordWrite::Durable);

// NotFound when no build has been recorded.
Result<BuildRecord> ReadBuildRecord(const std::string& webFolder);

// OK when the last build of the web folder completed, was of the site at `sitePath`, and was made
// by this program from the site as it is now. Otherwise the error tells the author what to do
// (build this site first, then publish).
Status CheckBuiltSite(const std::string& webFolder, const std::string& sitePath);

} // namespace qle::generator
