#include "generator/BuildRecord.h"

#include "app/Paths.h"
#include "app/Sha256.h"
#include "app/TextFiles.h"
#include "app/Version.h"
#include "generator/ChangeLog.h"
#include "store/Database.h"
#include "store/RecordSet.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>

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

// Adds the bytes' length (8 bytes, as this machine holds it) and then the bytes.
void AddSized(app::Sha256& digest, std::string_view bytes)
{
    const std::uint64_t size = bytes.size();
    digest.add(std::string_view(reinterpret_cast<const char*>(&size), sizeof size));
    digest.add(bytes);
}

// Adds every row of the statement to the digest, each field as its name, whether it is null and
// its length before its bytes, so that no two different tables read the same.
Status AddRows(store::Database& db, app::Sha256& digest, const std::string& statement, bool optionsOnly)
{
    auto rows = db.query(statement);
    if (!rows)
        return rows.status();
    const auto add = [&digest](std::string_view bytes) { AddSized(digest, bytes); };
    const auto& columns = rows->columnNames();
    for (; !rows->eof(); (void)rows->next()) {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            // Leaving the publishing fields out keeps a build current while they change.
            if (optionsOnly && IsPublishingField(columns[i]))
                continue;
            const int column = static_cast<int>(i);
            add(columns[i]);
            add(rows->isNull(column) ? std::string_view("N") : std::string_view("V"));
            add(rows->text(column));
        }
    }
    return Status::OK();
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

bool IsPublishingField(std::string_view name)
{
    const auto is = [name](std::string_view field) { return store::EqualsIgnoreCase(name, field); };
    return is("homepage") || is("homepage_title") || is("Provider") ||
           (name.size() > 4 && store::EqualsIgnoreCase(name.substr(0, 4), "Ftp_"));
}

Result<std::string> SiteState(store::Database& db)
{
    app::Sha256 digest;
    auto position = ReadLogPosition(db);
    if (!position)
        return position.status().withContext("Cannot read the state of " + db.path());
    // With the log kept as this program keeps it, its last row stands for every row of `Articles`:
    // any change to them adds a row with a new random token, and a file restored from a backup
    // has another last row (or another schema version, if the log was made again).
    std::string log;
    if (*position)
        log = "log " + std::to_string((*position)->seq) + " " + (*position)->token + " " +
              std::to_string((*position)->schema);
    const struct
    {
        const char* statement;
        bool options;
    } reads[] = {
        {"SELECT type, name, sql FROM sqlite_master ORDER BY type, name", false},
        {*position ? nullptr : "SELECT * FROM Articles ORDER BY rowid", false},
        {"SELECT * FROM Options ORDER BY rowid", true},
    };
    for (const auto& read : reads)
        if (read.statement)
            if (Status s = AddRows(db, digest, read.statement, read.options); !s.ok())
                return s.withContext("Cannot read the state of " + db.path());
    AddSized(digest, log);
    std::string hex = digest.hex();
    if (hex.empty())
        return Status::IoError("Cannot compute the state of " + db.path() + ": no SHA-256");
    return "sha256:" + hex;
}

std::string BuildSource(const std::string& siteState)
{
    return "program=" + std::to_string(app::kVersionMajor) + "." + std::to_string(app::kVersionMinor) + "." +
           std::to_string(app::kVersionRevision) + " site=" + siteState;
}

std::string BuildRecordPath(const std::string& webFolder)
{
    std::string web = webFolder;
    while (web.size() > 1 && web.back() == '/')
        web.pop_back();
    return app::JoinPath(app::FolderOfPath(web), kBuildRecordFileName);
}

Status WriteBuildRecord(const std::string& webFolder, const BuildRecord& record, RecordWrite write)
{
    std::string text = "site: " + EscapeLine(record.sitePath) + "\n";
    text += std::string("state: ") + (record.complete ? "complete" : "building") + "\n";
    if (record.complete)
        text += "finished: " + (record.finished.empty() ? NowUtc() : record.finished) + "\n";
    if (!record.source.empty())
        text += "built-from: " + record.source + "\n";
    return write == RecordWrite::Durable ? app::WriteOwnerOnlyFileDurably(BuildRecordPath(webFolder), text)
                                         : app::WriteOwnerOnlyFile(BuildRecordPath(webFolder), text);
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
        else if (key == "built-from")
            record.source = value;
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
    auto db = store::Database::open(sitePath);
    if (!db)
        return db.status();
    // One read transaction: the state of one moment, however the file is being changed.
    store::Database::Transaction reading(*db);
    Status status = reading.begin();
    auto state = status.ok() ? SiteState(*db) : Result<std::string>(status);
    if (!state)
        return state.status();
    const std::string now = BuildSource(state.value());
    if (record->source == now)
        return Status::OK();
    // The program's item comes first, in this version and in any later one.
    const auto programOf = [](const std::string& source) { return source.substr(0, source.find(' ')); };
    if (record->source.empty())
        return Status::InvalidArgument(std::string("The last build does not say what it was built from; ") +
                                       kBuildFirst);
    if (programOf(record->source) != programOf(now))
        return Status::InvalidArgument(std::string("The site was built by another version of the program; ") +
                                       kBuildFirst);
    return Status::InvalidArgument(std::string("The site has changed since it was built; ") + kBuildFirst);
}

} // namespace qle::generator
