// The outcome of an upload in one line, for the editor's Publish tab: "Published: ", "Upload not
// finished: " (every file sent, stale files kept back for the author's consent) or "Upload failed: "
// followed by the client's closing line or the reason.
#pragma once

#include "store/Status.h"

#include <string>
#include <vector>

namespace qle::publish {

// Written by the console beside the batch file once an upload has ended, read by the editor.
inline constexpr const char* kUploadOutcomeFileName = "QuillonEngine_upload.txt";

// The outcome of an upload from the lines it showed and the client's exit status.
std::string UploadOutcome(const std::vector<std::string>& lines, int exitStatus);

// Replaces the outcome file in `folder` in one rename, so a reader never sees half a line.
Status WriteUploadOutcome(const std::string& folder, const std::string& outcome);

// The outcome recorded in `folder`; NotFound while there is none.
Result<std::string> ReadUploadOutcome(const std::string& folder);

} // namespace qle::publish
