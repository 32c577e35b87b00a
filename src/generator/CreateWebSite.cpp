#include "generator/CreateWebSite.h"

#include "app/BaseFolderLock.h"
#include "app/Durable.h"
#include "app/Folders.h"
#include "app/PageStyle.h"
#include "app/Paths.h"
#include "generator/BuildArticles.h"
#include "generator/BuildCategories.h"
#include "generator/BuildRecord.h"
#include "generator/BuildSections.h"
#include "generator/BuiltFiles.h"
#include "generator/CommitJournal.h"
#include "generator/HomePage.h"
#include "generator/OutputSink.h"
#include "generator/RowSummary.h"
#include "generator/SiteBuild.h"
#include "generator/SiteFeeds.h"
#include "store/Database.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace qle::generator {

namespace {

constexpr int kClearProgressMs = 2000;

BuildStepHook g_stepHook = nullptr;

void Step(const char* step)
{
    if (g_stepHook)
        g_stepHook(step);
}

std::string WithoutTrailingSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// The folder a build writes into: beside the web folder, on the same file system, so that the
// finished site can be renamed into place. Ends in '/'.
std::string StagingFolder(const std::string& webFolder)
{
    const std::string web = WithoutTrailingSlash(webFolder);
    return app::JoinPath(app::FolderOfPath(web), "." + app::FileNameOfPath(web) + ".new/");
}

// Where the previous site goes after the swap, to be removed while the next build renders.
std::string RemovingFolder(const std::string& webFolder)
{
    const std::string web = WithoutTrailingSlash(webFolder);
    return app::JoinPath(app::FolderOfPath(web), "." + app::FileNameOfPath(web) + ".removing/");
}

bool Exists(const std::string& path)
{
    struct stat info
    {
    };
    return ::lstat(WithoutTrailingSlash(path).c_str(), &info) == 0;
}

Status SystemError(const std::string& what, const std::string& path, int error)
{
    return Status::IoError(what + " " + path + ": " + std::strerror(error));
}

// What a build holds until its end that grows with the site: the last build's list, and the sink
// with the new one. The sink, declared last, goes first: it keeps files by the last list.
struct HeldWhileBuilding
{
    BuiltFiles previous;
    std::optional<DiskSink> sink;
};

// Frees what a build of a large site leaves (lists of every file, summaries of every row) on a
// thread of its own: on 100,000 pages that takes a tenth of a second nobody needs to wait for. The
// thread touches nothing but what it is given, so it may still run when the program ends.
template <class... Owned>
void FreeAside(Owned... owned)
{
    try {
        std::thread([](Owned...) {}, std::move(owned)...).detach();
    } catch (const std::system_error&) {
        // No thread to be had: freed here, as the arguments' copies unwind.
    }
}

// Removes a folder and everything in it. Links inside are removed, never followed.
Status RemoveTree(const std::string& folder)
{
    std::error_code ec;
    std::filesystem::remove_all(WithoutTrailingSlash(folder), ec);
    if (ec)
        return Status::IoError("Cannot remove " + folder + ": " + ec.message());
    return Status::OK();
}

bool IsPageFolder(std::string_view name)
{
    return std::find(std::begin(kPageFolders), std::end(kPageFolders), name) != std::end(kPageFolders);
}

// Files of the web folder itself that only a build writes: a build that does not write them (a
// Classic site, or one without an address) must not keep an earlier build's.
bool IsBuiltFile(std::string_view name)
{
    return name == app::kSitemapFileName || name == app::kFeedFileName;
}

// Hard links everything of `from` that the build does not make into `to`, so that the files the
// author keeps in the web folder (the forwarding page, their own files) survive the swap
// unchanged. Links are linked as links, never followed. The folders made are added to `made`.
Status CarryOver(const std::string& from, const std::string& to, bool webFolderItself, std::vector<std::string>& made)
{
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(from.c_str()), ::closedir);
    if (!dir)
        return SystemError("Cannot list", from, errno);
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || (webFolderItself && (IsPageFolder(name) || IsBuiltFile(name))))
            continue;
        const std::string source = from + name, target = to + name;
        struct stat info
        {
        };
        if (::lstat(target.c_str(), &info) == 0)
            continue; // written by this build: the new file wins
        if (::lstat(source.c_str(), &info) != 0)
            return SystemError("Cannot read", source, errno);
        if (S_ISDIR(info.st_mode)) {
            if (::mkdir(target.c_str(), info.st_mode & 07777) != 0)
                return SystemError("Cannot make the folder", target, errno);
            made.push_back(target);
            if (Status s = CarryOver(source + "/", target + "/", false, made); !s.ok())
                return s;
        } else if (::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), 0) != 0) {
            return SystemError("Cannot keep", source, errno);
        }
    }
    return Status::OK();
}

// Puts the finished site in place with one atomic exchange of the two folders; afterwards the
// previous site is in the staging folder.
Status SwapIntoPlace(const std::string& staging, const std::string& webFolder)
{
    const std::string from = WithoutTrailingSlash(staging), to = WithoutTrailingSlash(webFolder);
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_EXCHANGE) == 0)
        return Status::OK();
    if (errno != EINVAL && errno != ENOSYS)
        return SystemError("Cannot put the new site in place in", webFolder, errno);
    // A file system without exchange: two renames, the old site parked under a name that the
    // next build recognises should the program stop between them.
    const std::string parked = from + ".old";
    if (::rename(to.c_str(), parked.c_str()) != 0)
        return SystemError("Cannot put the new site in place in", webFolder, errno);
    if (::rename(from.c_str(), to.c_str()) != 0) {
        const int error = errno;
        ::rename(parked.c_str(), to.c_str());
        return SystemError("Cannot put the new site in place in", webFolder, error);
    }
    // The previous site goes where an exchange would have put it.
    if (::rename(parked.c_str(), from.c_str()) != 0)
        return RemoveTree(parked);
    return Status::OK();
}

// A web folder found missing while the previous site is still parked (see SwapIntoPlace) is put back.
void RestoreParkedSite(const std::string& webFolder)
{
    const std::string parked = WithoutTrailingSlash(StagingFolder(webFolder)) + ".old";
    struct stat info
    {
    };
    if (::lstat(WithoutTrailingSlash(webFolder).c_str(), &info) != 0 && ::lstat(parked.c_str(), &info) == 0)
        ::rename(parked.c_str(), WithoutTrailingSlash(webFolder).c_str());
}

// Every file below `folder` (ending in '/'), as paths below it; with `besidePages`, none in the
// page folders or the build's own files beside them (the author's files).
std::vector<std::string> FilesBelow(const std::string& folder, bool besidePages = false)
{
    std::vector<std::string> paths;
    std::error_code ec;
    for (std::filesystem::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        // The path below `folder` as a string: std::filesystem::relative would resolve every
        // file's real path, a quarter of a rebuild's time on a large site.
        const std::string full = it->path().string();
        const std::string path = full.substr(std::min(full.size(), folder.size()));
        if (besidePages && it.depth() == 0 && (IsPageFolder(path) || IsBuiltFile(path))) {
            if (it->is_directory(ec))
                it.disable_recursion_pending();
            continue;
        }
        if (!it->is_directory(ec))
            paths.push_back(path);
    }
    return paths;
}

// The new site, its folders and its place in the base folder reach the disk before the record
// says the build is complete, so that after a power cut the record never vouches for pages that
// were lost. `written` and `made` are paths below the web folder.
Status MakeDurable(const std::string& webFolder, std::vector<std::string> written, const std::vector<std::string>& made)
{
    std::sort(written.begin(), written.end());
    written.erase(std::unique(written.begin(), written.end()), written.end());
    for (std::string& path : written)
        path = webFolder + path;
    std::vector<std::string> folders = {WithoutTrailingSlash(webFolder)};
    for (const char* name : kPageFolders)
        folders.push_back(webFolder + name);
    for (const std::string& folder : made)
        folders.push_back(webFolder + folder);
    folders.push_back(app::FolderOfPath(folders.front())); // the swap's renames
    return app::SyncWritten(written, folders);
}

Status MakeStagingFolder(const std::string& staging, const std::string& webFolder)
{
    if (Status s = RemoveTree(staging); !s.ok())
        return s.withContext("A stopped build left files behind");
    struct stat web
    {
    };
    const mode_t mode = ::stat(webFolder.c_str(), &web) == 0 ? (web.st_mode & 07777) : 0755;
    if (::mkdir(WithoutTrailingSlash(staging).c_str(), mode) != 0)
        return SystemError("Cannot make the folder", staging, errno);
    for (const char* name : kPageFolders)
        if (::mkdir((staging + name).c_str(), 0755) != 0)
            return SystemError("Cannot make the folder", staging + name, errno);
    return Status::OK();
}

// The record that says a build is under way is written at its start without waiting for the disk
// (a snapshot of the site file may be writing beside it); it reaches the disk before the web folder
// changes, so that after a power cut no record says complete over a half-changed folder.
Status MakeRecordDurable(const std::string& webFolder)
{
    const std::string record = BuildRecordPath(webFolder);
    if (Status s = app::SyncPath(record); !s.ok())
        return s;
    const std::string folder = app::FolderOfPath(record);
    return app::SyncPath(folder.empty() ? "." : folder);
}

// The whole new site, written aside with the author's files carried over, takes the web folder's
// place in one exchange (the previous site is then in the staging folder), then is made durable.
Status SwapInNewSite(const std::string& staging, const std::string& web, DiskSink& sink,
                     std::vector<std::string>& found)
{
    std::vector<std::string> made;
    if (Status s = CarryOver(web, staging, true, made); !s.ok())
        return s;
    for (std::string& folder : made)
        folder.erase(0, staging.size());
    const std::vector<std::string> clashes = CaseClashes({}, FilesBelow(staging));
    found.insert(found.end(), clashes.begin(), clashes.end());
    Step("written");
    if (Status s = MakeRecordDurable(web); !s.ok())
        return s;
    if (Status s = SwapIntoPlace(staging, web); !s.ok())
        return s;
    Step("swapped");
    return MakeDurable(web, sink.writtenFiles(), made);
}

// The files that changed, written aside, are renamed into the web folder one by one under a
// journal, and the files the build no longer makes are removed; the unchanged files stay as they are.
Status CommitChangedFiles(const std::string& base, const std::string& staging, const std::string& web, DiskSink& sink,
                          const PageFolderNames& pageNames, std::vector<std::string>& found)
{
    // The one walk of the whole list a commit makes; the list gives its paths sorted.
    std::vector<std::string_view> listed;
    listed.reserve(sink.builtFiles().size());
    for (const auto& [path, file] : sink.builtFiles().files())
        listed.emplace_back(path);
    const std::vector<std::string> clashes = CaseClashes(listed, FilesBelow(web, true));
    found.insert(found.end(), clashes.begin(), clashes.end());
    Step("written");
    const WebChanges changes = {sink.writtenFiles(), StaleFiles(web, pageNames, listed)};
    if (changes.written.empty() && changes.removed.empty()) {
        // The web folder stays as it is: nothing to journal or to make durable.
        Step("swapped");
        return Status::OK();
    }
    if (Status s = MakeRecordDurable(web); !s.ok())
        return s;
    if (Status s = CommitChanges(base, staging, web, changes, [](const char* step) { Step(step); }); !s.ok())
        return s;
    Step("swapped");
    return Status::OK();
}

} // namespace

Status PrepareOutputFolders(const std::string& webFolder)
{
    const std::string web = app::WithTrailingSlash(webFolder);
    RestoreParkedSite(web);
    if (Status s = app::EnsureFolder(web); !s.ok())
        return s;
    const std::string base = app::WithTrailingSlash(app::FolderOfPath(WithoutTrailingSlash(web)));
    return FinishCommit(base, StagingFolder(web), web);
}

Status FinishStoppedBuild(const std::string& webFolder)
{
    const std::string web = app::WithTrailingSlash(webFolder);
    const std::string base = app::WithTrailingSlash(app::FolderOfPath(WithoutTrailingSlash(web)));
    const bool journaled = Exists(app::JoinPath(base, kCommitJournalFileName));
    const bool parked = !Exists(web) && Exists(WithoutTrailingSlash(StagingFolder(web)) + ".old");
    if (!journaled && !parked)
        return Status::OK();
    auto lock = app::BaseFolderLock::acquire(base, app::BaseFolderLock::Mode::Build);
    if (!lock)
        return Status::OK(); // whoever holds it is building or publishing; the next build finishes it
    return PrepareOutputFolders(web);
}

Status BuildPages(store::Database& db, OutputSink& sink, std::vector<std::string>& warnings,
                  const BuildSources& sources)
{
    SiteBuild build(db, sink, sources.pictureCache);
    build.setLocalImagesFolder(sources.localImages);
    build.setLastRows(sources.lastRows);
    Status status = build.load();
    // Articles first, then categories, then sections: where names collide, the later page wins.
    if (status.ok())
        status = BuildArticles(build);
    if (status.ok())
        status = BuildCategories(build);
    if (status.ok())
        status = BuildSections(build);
    if (status.ok())
        status = build.pictures().copyAll(warnings);
    // After the pictures, so that the stylesheet wins a clash of names in images/.
    if (status.ok())
        status = WriteSiteFiles(build, warnings);
    warnings.insert(warnings.end(), build.warnings().begin(), build.warnings().end());
    if (sources.rows)
        *sources.rows = std::move(build.rows());
    // Pages may still be on their way to the disk; the build is done when they are written.
    const Status written = sink.finish();
    return status.ok() ? written : status;
}

Status CreateWebSite(const std::string& sitePath, const std::string& webFolder, std::vector<std::string>* warnings,
                     Rewrite rewrite)
{
    auto db = store::Database::open(sitePath);
    if (!db)
        return db.status();
    const std::string web = app::WithTrailingSlash(webFolder);
    // The lock lies in the base folder, so that is made first; nothing in the web folder is
    // touched until the lock is held, so no build puts a parked site back under another's swap.
    const std::string base = app::WithTrailingSlash(app::FolderOfPath(WithoutTrailingSlash(web)));
    if (!base.empty()) {
        if (Status s = app::EnsureFolder(base); !s.ok())
            return s;
    }
    auto lock = app::BaseFolderLock::acquire(base, app::BaseFolderLock::Mode::Build, app::FileNameOfPath(sitePath));
    if (!lock)
        return lock.status();
    if (Status s = PrepareOutputFolders(web); !s.ok())
        return s;

    // The previous build's old site (or what a stopped build left aside) is removed on a thread of
    // its own while this build renders; an interrupted removal simply goes on here.
    const std::string staging = StagingFolder(web), removing = RemovingFolder(web);
    if (Exists(staging) && !Exists(removing))
        ::rename(WithoutTrailingSlash(staging).c_str(), WithoutTrailingSlash(removing).c_str());
    Status removed;
    std::jthread remover;
    if (Exists(removing))
        remover = std::jthread([&removed, removing] { removed = RemoveTree(removing); });

    // What the web folder holds, as the last build listed it: unchanged files are kept as they are.
    // Read on a thread of its own while the site's state is read (on a large site, each takes tenths
    // of a second).
    auto held = std::make_unique<HeldWhileBuilding>();
    BuiltFiles& previous = held->previous;
    std::jthread listReader;
    if (rewrite != Rewrite::All)
        listReader = std::jthread([&previous, &base] { previous = BuiltFiles::load(base); });

    // One read transaction for every read of the build: the state recorded is the one all its
    // pages were made from, even while the editor saves meanwhile.
    store::Database::Transaction reading(*db);
    if (Status s = reading.begin(); !s.ok())
        return s;
    auto state = SiteState(*db);
    if (!state)
        return state.status();

    // Read while the list is: a rebuild that may keep pages reads only the articles changed since
    // the last build.
    RowSummary lastRows = rewrite != Rewrite::All ? RowSummary::load(base) : RowSummary();
    if (listReader.joinable())
        listReader.join();

    // From here until the new site is in place, publishing refuses the web folder.
    if (Status s = WriteBuildRecord(web, {sitePath, false, {}, {}}, RecordWrite::Deferred); !s.ok())
        return s;
    if (Status s = MakeStagingFolder(staging, web); !s.ok())
        return s;

    // The new site is written aside; the web folder keeps the previous one until every file of
    // the new one was written, so a failure or a kill never leaves a half site in place. With a
    // list of the last build, only the files that changed are written aside and then renamed into
    // place under a journal; without one, the whole new site is written aside and swapped in.
    const bool changedOnly = previous.size() > 0;
    // What the page folders hold, for the files a rebuild removes, is read while it renders (the
    // build changes nothing in the web folder before its commit); a file put there by hand
    // meanwhile is removed by the next build.
    PageFolderNames pageNames;
    std::jthread nameReader;
    if (changedOnly)
        nameReader = std::jthread([&pageNames, &web] { pageNames = ListPageFolders(web); });
    std::vector<std::string> found;
    DiskSink& sink = held->sink.emplace(staging);
    sink.keepUnchanged(previous, web);
    if (!changedOnly)
        lastRows = RowSummary();
    RowSummary rows;
    Status status =
        BuildPages(*db, sink, found, {app::LocalImagesFolder(base), base + kPictureCacheFolder, &lastRows, &rows});
    if (Status written = sink.finish(); status.ok()) // nothing may still be writing when cleaning up
        status = written;
    if (status.ok())
        status = reading.commit();
    // The summary describes the site file alone, never the web folder, so it is saved while the
    // files are committed: whatever the commit does, a page is kept only when the list of built
    // files agrees with it.
    Status rowsSaved;
    std::jthread rowsSaver;
    if (status.ok())
        rowsSaver = std::jthread([&rowsSaved, &rows, &base] { rowsSaved = rows.save(base); });
    if (nameReader.joinable())
        nameReader.join();
    if (status.ok())
        status = changedOnly ? CommitChangedFiles(base, staging, web, sink, pageNames, found)
                             : SwapInNewSite(staging, web, sink, found);
    if (!status.ok()) {
        // A commit stopped after its journal is finished by the next build; only then is the
        // staging folder (holding what is still to be renamed) of no more use.
        if (!Exists(app::JoinPath(base, kCommitJournalFileName)))
            (void)RemoveTree(staging);
        return status;
    }
    // The list is on the disk before the record says complete; should the program stop between the
    // commit and here, the list still names the old files, and the new ones differ from it in inode.
    rowsSaver.join();
    if (!rowsSaved.ok())
        return rowsSaved;
    // A list equal to the last one is on the disk already (a rebuild that changed nothing).
    if (sink.builtFiles().files() != previous.files())
        if (Status s = sink.builtFiles().save(base); !s.ok())
            return s;
    Step("listed");
    if (Status s = WriteBuildRecord(web, {sitePath, true, {}, BuildSource(state.value())}); !s.ok())
        return s;
    if (remover.joinable())
        remover.join();
    if (changedOnly) {
        // Only the emptied folders are left aside.
        if (Status s = RemoveTree(staging); !s.ok())
            found.push_back("The folder of the new files was not removed: " + s.message());
    } else if (!removed.ok() ||
               ::rename(WithoutTrailingSlash(staging).c_str(), WithoutTrailingSlash(removing).c_str()) != 0) {
        // The previous site, now in the staging folder, is left for the next build to remove.
        if (Status s = RemoveTree(staging); !s.ok())
            found.push_back("The previous site's files were not all removed: " + s.message());
    }
    if (warnings)
        warnings->insert(warnings->end(), found.begin(), found.end());
    FreeAside(std::move(held), std::move(lastRows), std::move(rows));
    return Status::OK();
}

void SetBuildStepHookForTesting(BuildStepHook hook)
{
    g_stepHook = hook;
}

std::string DoneText(std::size_t warnings)
{
    if (warnings == 0)
        return "Done";
    return "Done (" + std::to_string(warnings) + (warnings == 1 ? " warning)" : " warnings)");
}

void CommitEdits(SiteEditor& editor, SiteEditor::DataSource source)
{
    editor.commitEdits(source);
}

Status UpdateSite(SiteEditor& editor, const std::string& sitePath, const std::string& webFolder, bool saveEdits,
                  Rewrite rewrite)
{
    editor.setProgressText("Updating site, please wait ...");
    if (saveEdits) {
        CommitEdits(editor, SiteEditor::DataSource::Pages);
        CommitEdits(editor, SiteEditor::DataSource::Options);
    }
    editor.processEvents();

    std::vector<std::string> warnings;
    Status status = CreateWebSite(sitePath, webFolder, &warnings, rewrite);
    Result<std::string> home = std::string();
    if (status.ok()) {
        home = HomePagePath(true, editor, sitePath, webFolder);
        status = home.status();
    }
    if (!status.ok()) {
        editor.setProgressText(kUpdateFailedText);
        editor.showBuildWarnings({});
        return status;
    }
    editor.setProgressText(DoneText(warnings.size()));
    editor.showBuildWarnings(warnings);
    editor.startClearProgressTimer(kClearProgressMs);
    editor.navigateBrowser("file://" + home.value());
    return Status::OK();
}

Status BuildIfChanged(SiteEditor& editor, const std::string& sitePath, const std::string& webFolder, bool saveEdits)
{
    if (CheckBuiltSite(webFolder, sitePath).ok())
        return Status::OK();
    const Status built = UpdateSite(editor, sitePath, webFolder, saveEdits);
    return built.withContext("The site could not be built");
}

} // namespace qle::generator
