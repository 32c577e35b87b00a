#include "publish/client/UploadOutcome.h"

#include "app/Paths.h"
#include "app/TextFiles.h"
#include "publish/sync/SyncText.h"

#include <fstream>
#include <regex>

namespace qle::publish {

namespace {

constexpr const char* kDidNotStart = "THE UPLOAD DID NOT START: ";

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.rfind(prefix, 0) == 0;
}

} // namespace

std::string UploadOutcome(const std::vector<std::string>& lines, int exitStatus)
{
    static const std::regex kClosingLine(R"(^\d+ files? sent, .*)");
    std::string closing, reason, last;
    bool dryRun = false;
    bool held = false;
    for (const auto& line : lines) {
        dryRun = dryRun || StartsWith(line, "Dry run: ");
        held = held || IsDeletionsHeldLine(line);
        if (std::regex_match(line, kClosingLine))
            closing = line;
        else if (StartsWith(line, kDidNotStart))
            reason = line.substr(std::string(kDidNotStart).size());
        else if (StartsWith(line, "Cannot "))
            reason = line; // the client could not read its script, reach the server or log in
        if (!line.empty())
            last = line;
    }
    if (exitStatus == 0 && dryRun)
        return "Nothing published (a dry run): " + (closing.empty() ? last : closing);
    if (exitStatus == 0)
        return "Published: " + (closing.empty() ? last : closing);
    if (held && closing.find(" 0 failures,") != std::string::npos)
        return "Upload not finished: " + closing; // every file sent; the stale ones wait for consent
    if (!reason.empty())
        return "Upload failed: " + reason;
    if (!closing.empty())
        return "Upload failed: " + closing;
    return "Upload failed: " + (last.empty() ? "the upload ended with status " + std::to_string(exitStatus) : last);
}

Status WriteUploadOutcome(const std::string& folder, const std::string& outcome)
{
    return app::WriteOwnerOnlyFile(app::JoinPath(folder, kUploadOutcomeFileName), outcome + "\n");
}

Result<std::string> ReadUploadOutcome(const std::string& folder)
{
    std::ifstream in(app::JoinPath(folder, kUploadOutcomeFileName), std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line))
        return Status::NotFound("No upload has ended yet");
    return line;
}

} // namespace qle::publish
