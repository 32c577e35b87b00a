// The record of the last build, kept beside the web folder (never uploaded): which site file was
// built, whether the build completed and when. Publishing reads it to refuse a web folder that
// holds another site or a build that did not complete.
#pragma once

#include "store/Status.h"

#include <string>

namespace qle::generator {

inline constexpr const char* kBuildRecordFileName = "QuillonEngine_build.txt";

struct BuildRecord
{
    std::string sitePath;
    bool complete = false;
    std::string finished; // UTC time the build completed, "2026-12-06T10:15:00Z"; empty while building
};

// The record's path for a web folder: in the web folder's parent, the base folder.
std::string BuildRecordPath(const std::string& webFolder);

// Replaces the record in one rename, so a reader sees the old record or the new one.
Status WriteBuildRecord(const std::string& webFolder, const BuildRecord& record);

// NotFound when no build has been recorded.
Result<BuildRecord> ReadBuildRecord(const std::string& webFolder);

// OK when the last build of the web folder completed and was of the site at `sitePath`. Otherwise
// the error tells the author what to do (build this site first, then publish).
Status CheckBuiltSite(const std::string& webFolder, const std::string& sitePath);

} // namespace qle::generator
