#include "generator/BuildRecord.h"

#include "app/Paths.h"
#include "app/TextFiles.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>

namespace qle::generator {

namespace {

constexpr const char* kBuildFirst = "build this site first (View Updated Web Site Now!), then publish.";

// A path on one line: '%', CR and LF are escaped.
std::string EscapeLine(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '%')
            out += "%25";
        else if (c == '\n')
            out += "%0A";
        else if (c == '\r')
            out += "%0D";
        else
            out += c;
    }
    return out;
}

std::string UnescapeLine(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const std::string code = text.substr(i + 1, 2);
            if (code == "25" || code == "0A" || code == "0D") {
                out += code == "25" ? '%' : code == "0A" ? '\n' : '\r';
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::string NowUtc()
{
    const std::time_t now = std::time(nullptr);
    std::tm utc {};
    ::gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

// The same file under two spellings (a link, "..", a doubled '/') is the same site.
bool SameFile(const std::string& a, const std::string& b)
{
    if (a == b)
        return true;
    char realA[PATH_MAX], realB[PATH_MAX];
    return ::realpath(a.c_str(), realA) && ::realpath(b.c_str(), realB) && std::strcmp(realA, realB) == 0;
}

} // namespace

std::string BuildRecordPath(const std::string& webFolder)
{
    std::string web = webFolder;
    while (web.size() > 1 && web.back() == '/')
        web.pop_back();
    return app::JoinPath(app::FolderOfPath(web), kBuildRecordFileName);
}

Status WriteBuildRecord(const std::string& webFolder, const BuildRecord& record)
{
    std::string text = "site: " + EscapeLine(record.sitePath) + "\n";
    text += std::string("state: ") + (record.complete ? "complete" : "building") + "\n";
    if (record.complete)
        text += "finished: " + (record.finished.empty() ? NowUtc() : record.finished) + "\n";
    return app::WriteOwnerOnlyFile(BuildRecordPath(webFolder), text);
}

Result<BuildRecord> ReadBuildRecord(const std::string& webFolder)
{
    const std::string path = BuildRecordPath(webFolder);
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return Status::NotFound("No build is recorded in " + path);
    BuildRecord record;
    std::string line;
    while (std::getline(in, line)) {
        const auto colon = line.find(": ");
        if (colon == std::string::npos)
            continue;
        const std::string key = line.substr(0, colon), value = line.substr(colon + 2);
        if (key == "site")
            record.sitePath = UnescapeLine(value);
        else if (key == "state")
            record.complete = value == "complete";
        else if (key == "finished")
            record.finished = value;
    }
    return record;
}

Status CheckBuiltSite(const std::string& webFolder, const std::string& sitePath)
{
    auto record = ReadBuildRecord(webFolder);
    if (!record)
        return Status::NotFound(std::string("The site has not been built yet: ") + kBuildFirst);
    if (!record->complete)
        return Status::NotFound(std::string("The last build did not complete; ") + kBuildFirst);
    if (!SameFile(record->sitePath, sitePath))
        return Status::InvalidArgument("The web folder holds the site " + app::FileNameOfPath(record->sitePath) + "; " +
                                       kBuildFirst);
    return Status::OK();
}

} // namespace qle::generator
