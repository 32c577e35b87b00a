// The build driver: empties the web folder's page folders, runs the three page builders and
// shows the homepage. The GUI and `quillon build` both run UpdateSite.
#pragma once

#include "generator/SiteEditor.h"
#include "store/Status.h"

#include <string>
#include <vector>

namespace qle::store {
class Database;
}

namespace qle::generator {

class OutputSink;
struct RowSummary;

// The page folders of the web folder, which each build makes anew.
inline constexpr const char* kPageFolders[] = {"images", "articles", "sections", "categories"};

// The progress text left when a build fails; the caller shows the returned error itself.
inline constexpr const char* kUpdateFailedText = "Update failed";

// PrepareOutputFolders: puts back a previous site that a stopped build left parked, makes the web
// folder where missing, and finishes a commit that a stopped build left journaled (FinishCommit).
// The error names the folder that cannot be made. REQUIRES: the base folder (the web folder's
// parent) exists and the caller holds its lock for a build.
Status PrepareOutputFolders(const std::string& webFolder);

// At the program's start: finishes what a stopped build left in the web folder (a commit left
// journaled, a previous site left parked), so the author sees a whole site before building again.
// Left for the next build when another build or an upload holds the base folder now.
Status FinishStoppedBuild(const std::string& webFolder);

// The folder of the base folder where pictures made for the web are cached.
inline constexpr const char* kPictureCacheFolder = "PictureCache/";

// The three builders in order (articles, categories, sections) over an open site database, then
// the picture copies. Stops at the first error. Pictures that cannot be copied add warnings.
// What a build reads besides the site file; an empty folder is not used. `localImages`: where the
// pictures the author put into the text are copied from; `pictureCache`: see SiteBuild.
// `lastRows`: the summary of the site file that the last build left, which the build may take its
// articles from (see SiteBuild::setLastRows);
// `rows`, when given, receives this build's.
struct BuildSources
{
    std::string localImages;
    std::string pictureCache;
    RowSummary* lastRows = nullptr;
    RowSummary* rows = nullptr;
};
Status BuildPages(store::Database& db, OutputSink& sink, std::vector<std::string>& warnings,
                  const BuildSources& sources = {});

// Which files a build writes: those whose bytes changed since the last build (the others are kept
// as they are, time stamps and all), or every one.
enum class Rewrite { Changed, All };

// CreateWebSite: the whole build of the site file into the web folder (ending in '/'), all or
// nothing. The new pages and pictures are written beside the web folder and swapped in with one
// rename once every file was written, so after a failure or a kill the web folder holds the
// previous site unchanged. Afterwards the four page folders hold exactly this site's pages and
// pictures; everything else in the web folder stays. Makes the base folder, then takes its lock
// (a second build is refused, naming the site being built) before anything else is made. Reads
// the site in one transaction, and records the build beside the web folder with the state it read
// (see BuildRecord) once the new site is on the disk. Warnings (pictures not copied, names
// shortened, files whose names differ only in letter case) are added to `warnings` when given.
// A page is made only when what it is made from changed since the last build listed it
// (BuiltFiles), and a file is written only when its bytes differ from the listed ones or the live
// file is no longer as listed. With a list, the files written aside are renamed into the web folder
// under a journal (CommitChanges) and the unchanged ones stay where they are; without one (the
// first build, or Rewrite::All) the whole new site is written aside and swapped in, the previous
// site then removed by the next build on a thread beside its rendering.
Status CreateWebSite(const std::string& sitePath, const std::string& webFolder,
                     std::vector<std::string>* warnings = nullptr, Rewrite rewrite = Rewrite::Changed);

// Tests stop a build at a chosen moment through this hook: it is called with "written" once every
// file of the new site is written aside, with "journaled" and "renamed" during a commit of the
// changed files (CommitChanges), with "swapped" once the new site is in place, and with "listed"
// once the list of built files is saved.
using BuildStepHook = void (*)(const char* step);
void SetBuildStepHookForTesting(BuildStepHook hook);

// The progress text of a finished build: "Done", with the number of warnings when there are any.
std::string DoneText(std::size_t warnings);

// CommitEdits: saves the pending edits of one of the editor's data sources; errors are ignored.
void CommitEdits(SiteEditor& editor, SiteEditor::DataSource source);

// UpdateSite: what the person's "update" command runs. Shows "Updating site, please wait ...",
// saves both data sources (unless `saveEdits` is false: the site is built as stored), builds the
// site, then shows "Done" (cleared after 2000 ms) and points the editor's browser at "file://" +
// the homepage's page. On failure the progress text becomes kUpdateFailedText, the browser is not
// pointed, and the error (naming the file and the cause) is returned for the caller to show: the
// GUI in an error box, the command line on stderr.
Status UpdateSite(SiteEditor& editor, const std::string& sitePath, const std::string& webFolder, bool saveEdits = true,
                  Rewrite rewrite = Rewrite::Changed);

// What publishing runs first: UpdateSite, unless the web folder holds a complete build of the site
// as it is stored now (CheckBuiltSite), so that a stale build is never uploaded; a caller that
// publishes pending edits saves them before. A failed build's error says that the site could not
// be built, and why.
Status BuildIfChanged(SiteEditor& editor, const std::string& sitePath, const std::string& webFolder,
                      bool saveEdits = true);

} // namespace qle::generator
