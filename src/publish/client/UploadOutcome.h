// The outcome of an upload in one line, for the editor's Publish tab: "Published: ", "Upload not
// finished: " (every file sent, stale files kept back for the author's consent) or "Upload failed: "
// followed by the client's closing line or the reason; kept with the site file and the destination
// it was for, so that the tab shows it again only for them.
#pragma once

#include "publish/script/FtpSettings.h"
#include "store/Status.h"

#include <string>
#include <vector>

namespace qle::publish {

// Written by the console beside the batch file once an upload has ended, read by the editor.
inline constexpr const char* kUploadOutcomeFileName = "QuillonEngine_upload.txt";

// What the outcome file holds, one line each.
struct UploadRecord
{
    std::string outcome;
    std::string sitePath;    // the site file whose build was sent; empty when not known
    std::string destination; // see UploadDestination
};

// The outcome of an upload from the lines it showed and the client's exit status.
std::string UploadOutcome(const std::vector<std::string>& lines, int exitStatus);

// Where an upload goes, as one line: the server as the batch file's upload line names it, then
// the remote folder the script puts the forwarding page in. `scriptLines` are the script's lines
// after the user name and password.
std::string UploadDestination(const std::string& serverArgument, const std::vector<std::string>& scriptLines);
// The same for the settings the Publish tab shows: where their upload would go.
std::string UploadDestination(const FtpSettings& ftp);

// Replaces the outcome file in `folder` in one rename, so a reader never sees half a record.
Status WriteUploadOutcome(const std::string& folder, const UploadRecord& record);

// The record in `folder`; NotFound while there is none. A file of an earlier version holds the
// outcome alone.
Result<UploadRecord> ReadUploadOutcome(const std::string& folder);

} // namespace qle::publish
