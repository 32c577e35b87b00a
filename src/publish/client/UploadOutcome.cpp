#include "publish/client/UploadOutcome.h"

#include "app/Paths.h"
#include "app/TextFiles.h"
#include "publish/client/ScriptJob.h"
#include "publish/script/PublishPlan.h"
#include "publish/script/ScriptCommands.h"
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

std::string UploadDestination(const std::string& serverArgument, const std::vector<std::string>& scriptLines)
{
    // Read as the upload reads it, from a nominal home folder: the same settings give the same line.
    // A script the upload cannot carry out sends nothing: it names no folder.
    auto commands = ReadScriptCommands(scriptLines);
    if (!commands)
        return serverArgument + " ";
    return serverArgument + " " + UploadJobFromScript(commands.value(), "/", "/").recordFolder;
}

std::string UploadDestination(const FtpSettings& ftp)
{
    const std::string line = UploadLine("script", ftp);
    const std::string server = line.substr(line.find_last_of(' ') + 1);
    const std::string script = ScriptText(ftp, "/", "/" + std::string(kForwardingPageName), {});
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < script.size();) {
        const std::size_t end = script.find("\r\n", start);
        lines.push_back(script.substr(start, end - start));
        start = end == std::string::npos ? script.size() : end + 2;
    }
    lines.erase(lines.begin(), lines.begin() + std::min<std::size_t>(2, lines.size())); // user name, password
    return UploadDestination(server, lines);
}

Status WriteUploadOutcome(const std::string& folder, const UploadRecord& record)
{
    return app::WriteOwnerOnlyFile(app::JoinPath(folder, kUploadOutcomeFileName),
                                   record.outcome + "\n" + record.sitePath + "\n" + record.destination + "\n");
}

Result<UploadRecord> ReadUploadOutcome(const std::string& folder)
{
    std::ifstream in(app::JoinPath(folder, kUploadOutcomeFileName), std::ios::binary);
    UploadRecord record;
    if (!in || !std::getline(in, record.outcome))
        return Status::NotFound("No upload has ended yet");
    std::getline(in, record.sitePath);
    std::getline(in, record.destination);
    return record;
}

} // namespace qle::publish
