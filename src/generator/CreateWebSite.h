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

// The page folders of the web folder, each emptied before a build.
inline constexpr const char* kPageFolders[] = {"images", "articles", "sections", "categories"};

// The progress text left when a build fails; the caller shows the returned error itself.
inline constexpr const char* kUpdateFailedText = "Update failed";

// PrepareOutputFolders: makes the base folder (the web folder's parent), the web folder and the
// four page folders where missing, and deletes the files in the page folders. Files directly in
// the web folder stay. The error names the folder that cannot be made.
Status PrepareOutputFolders(const std::string& webFolder);

// The three builders in order (articles, categories, sections) over an open site database, then
// the picture copies and the site-wide files of the modern style. Stops at the first error; what
// was written before stays. What the author should know of a build that succeeded is added to
// `warnings` when given.
Status BuildPages(store::Database& db, OutputSink& sink, std::vector<std::string>* warnings = nullptr);

// CreateWebSite: the whole build of the site file into the web folder (ending in '/'). A site
// file that cannot be opened stops the build before anything is emptied.
Status CreateWebSite(const std::string& sitePath, const std::string& webFolder,
                     std::vector<std::string>* warnings = nullptr);

// CommitEdits: saves the pending edits of one of the editor's data sources; errors are ignored.
void CommitEdits(SiteEditor& editor, SiteEditor::DataSource source);

// UpdateSite: what the person's "update" command runs. Shows "Updating site, please wait ...",
// saves both data sources, builds the site, then shows "Done" (cleared after 2000 ms) and points
// the editor's browser at "file://" + the homepage's page. On failure the progress text becomes
// kUpdateFailedText, the browser is not pointed, and the error (naming the file and the cause)
// is returned for the caller to show: the GUI in an error box, the command line on stderr.
Status UpdateSite(SiteEditor& editor, const std::string& sitePath, const std::string& webFolder,
                  std::vector<std::string>* warnings = nullptr);

} // namespace qle::generator
