#include "generator/CommitJournal.h"

#include "app/Durable.h"
#include "app/PageStyle.h"
#include "app/Paths.h"
#include "app/TextFiles.h"
#include "generator/CreateWebSite.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace qle::generator {

namespace {

constexpr std::string_view kHeader = "quillon-commit 1";

Status SystemError(const std::string& what, const std::string& path, int error)
{
    return Status::IoError(what + " " + path + ": " + std::strerror(error));
}

// The names in a folder; none when it cannot be listed (a missing page folder holds nothing stale).
std::vector<std::string> Names(const std::string& folder)
{
    std::vector<std::string> names;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    return names;
}

// Renames a file written aside into the web folder, making its folder when the web folder has none.
// Already renamed (nothing aside any more) is done.
Status RenameIntoPlace(const std::string& from, const std::string& to)
{
    if (::rename(from.c_str(), to.c_str()) == 0)
        return Status::OK();
    struct stat info
    {
    };
    if (errno == ENOENT && ::lstat(from.c_str(), &info) != 0)
        return Status::OK();
    if (errno == ENOENT || errno == ENOTDIR) {
        std::error_code ec;
        std::filesystem::create_directories(app::FolderOfPath(to), ec);
        if (!ec && ::rename(from.c_str(), to.c_str()) == 0)
            return Status::OK();
    }
    return SystemError("Cannot put in place", to, errno);
}

// Removes a file or a whole folder; one already gone is removed.
Status RemoveStale(const std::string& path)
{
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
    if (ec)
        return Status::IoError("Cannot remove " + path + ": " + ec.message());
    return Status::OK();
}

// A path on one line of the journal: '%' and the line end escaped.
std::string Escaped(const std::string& path)
{
    std::string out;
    for (char c : path)
        out += c == '%' ? std::string("%25") : c == '\n' ? std::string("%0A") : std::string(1, c);
    return out;
}

std::string Unescaped(std::string_view line)
{
    std::string out;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '%' && line.substr(i + 1, 2) == "25")
            out += '%', i += 2;
        else if (line[i] == '%' && line.substr(i + 1, 2) == "0A")
            out += '\n', i += 2;
        else
            out += line[i];
    }
    return out;
}

std::string JournalPath(const std::string& baseFolder)
{
    return app::JoinPath(baseFolder, kCommitJournalFileName);
}

// Carries out the changes; idempotent, so that a journal can be carried out again after a stop.
Status Apply(const std::string& staging, const std::string& webFolder, const WebChanges& changes,
             const std::function<void(const char*)>& step)
{
    std::set<std::string> folders = {webFolder};
    for (const std::string& path : changes.written) {
        if (Status s = RenameIntoPlace(staging + path, webFolder + path); !s.ok())
            return s;
        folders.insert(app::FolderOfPath(webFolder + path));
        if (&path == &changes.written.front())
            step("renamed");
    }
    for (const std::string& path : changes.removed) {
        if (Status s = RemoveStale(webFolder + path); !s.ok())
            return s;
        folders.insert(app::FolderOfPath(webFolder + path));
    }
    return app::SyncWritten({}, std::vector<std::string>(folders.begin(), folders.end()));
}

} // namespace

PageFolderNames ListPageFolders(const std::string& webFolder)
{
    PageFolderNames names;
    for (const char* folder : kPageFolders) {
        names.push_back(Names(webFolder + folder));
        std::sort(names.back().begin(), names.back().end());
    }
    return names;
}

std::vector<std::string> StaleFiles(const std::string& webFolder, const PageFolderNames& names,
                                    const std::vector<std::string_view>& listed)
{
    std::vector<std::string> stale;
    for (std::size_t i = 0; i < std::size(kPageFolders) && i < names.size(); ++i) {
        const char* folder = kPageFolders[i];
        // A folder's listed paths are one run of the sorted list, in the order of the names after
        // the prefix; its names sorted the same way are matched in one walk (a page folder may
        // hold a hundred thousand files).
        const std::string prefix = std::string(folder) + "/";
        auto at = std::lower_bound(listed.begin(), listed.end(), std::string_view(prefix));
        auto nameAt = [&] { return at->substr(prefix.size()); };
        for (const std::string& name : names[i]) {
            while (at != listed.end() && at->starts_with(prefix) && nameAt() < name)
                ++at;
            if (at == listed.end() || !at->starts_with(prefix) || nameAt() != name)
                stale.push_back(prefix + name);
        }
    }
    for (const char* name : {app::kSitemapFileName, app::kFeedFileName}) {
        struct stat info
        {
        };
        if (!std::binary_search(listed.begin(), listed.end(), std::string_view(name)) &&
            ::lstat((webFolder + name).c_str(), &info) == 0)
            stale.emplace_back(name);
    }
    return stale;
}

std::vector<std::string> CaseClashes(const std::vector<std::string_view>& listed, std::vector<std::string> others)
{
    std::sort(others.begin(), others.end());
    const auto hasCapital = [](std::string_view path) {
        return std::any_of(path.begin(), path.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
    };
    // Two paths that fold alike differ in letter case somewhere, so every member of a group but
    // the all lower-case one has a capital: only those are folded, then their lower-case form is
    // looked up. A site's page names are lower case, so this is a scan, not a map of every path.
    std::map<std::string, std::set<std::string>> byFoldedPath;
    const auto gather = [&](std::string_view path) {
        if (!hasCapital(path))
            return;
        std::string folded(path);
        for (char& c : folded)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        byFoldedPath[folded].emplace(path);
    };
    for (std::string_view path : listed)
        gather(path);
    for (const std::string& path : others)
        gather(path);
    for (auto& [folded, group] : byFoldedPath)
        if (std::binary_search(listed.begin(), listed.end(), std::string_view(folded)) ||
            std::binary_search(others.begin(), others.end(), folded))
            group.insert(folded);

    std::vector<std::string> warnings;
    for (const auto& [folded, group] : byFoldedPath)
        if (group.size() > 1)
            warnings.push_back(CaseClashWarning(group));
    return warnings;
}

std::string CaseClashWarning(const std::set<std::string>& group)
{
    std::string names;
    std::size_t i = 0;
    for (const std::string& path : group) {
        names += (i == 0 ? "" : i + 1 == group.size() ? " and " : ", ") + path;
        ++i;
    }
    return "The files " + names + " differ only in letter case: a server that ignores case keeps only one of them.";
}

Status CommitChanges(const std::string& baseFolder, const std::string& staging, const std::string& webFolder,
                     const WebChanges& changes, const std::function<void(const char*)>& step)
{
    // The files aside reach the disk before the journal that moves them, so that no rename ever
    // puts a file in place whose bytes a power cut could lose.
    std::vector<std::string> written;
    std::set<std::string> stagedFolders = {staging};
    std::string journal(kHeader);
    journal += '\n';
    for (const std::string& path : changes.written) {
        written.push_back(staging + path);
        stagedFolders.insert(app::FolderOfPath(staging + path));
        journal += "R " + Escaped(path) + '\n';
    }
    for (const std::string& path : changes.removed)
        journal += "D " + Escaped(path) + '\n';
    if (Status s = app::SyncWritten(written, std::vector<std::string>(stagedFolders.begin(), stagedFolders.end()));
        !s.ok())
        return s;
    if (Status s = app::WriteOwnerOnlyFileDurably(JournalPath(baseFolder), journal); !s.ok())
        return s;
    step("journaled");
    if (Status s = Apply(staging, webFolder, changes, step); !s.ok())
        return s;
    if (::unlink(JournalPath(baseFolder).c_str()) != 0)
        return SystemError("Cannot remove", JournalPath(baseFolder), errno);
    return Status::OK();
}

Status FinishCommit(const std::string& baseFolder, const std::string& staging, const std::string& webFolder)
{
    const std::string path = JournalPath(baseFolder);
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return Status::OK();
    WebChanges changes;
    std::string line;
    bool readable = std::getline(in, line) && line == kHeader;
    while (readable && std::getline(in, line)) {
        if (line.size() < 3 || line[1] != ' ' || (line[0] != 'R' && line[0] != 'D')) {
            readable = false;
            break;
        }
        (line[0] == 'R' ? changes.written : changes.removed).push_back(Unescaped(std::string_view(line).substr(2)));
    }
    in.close();
    if (readable) {
        if (Status s = Apply(staging, webFolder, changes, [](const char*) {}); !s.ok())
            return s.withContext("A stopped build could not be finished");
    }
    if (::unlink(path.c_str()) != 0)
        return SystemError("Cannot remove", path, errno);
    return Status::OK();
}

} // namespace qle::generator
