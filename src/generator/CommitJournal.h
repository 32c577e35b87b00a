// Committing a rebuild by renaming only the files it wrote into the live web folder, under a redo
// journal, so that a stop at any moment ends in the new site once the journal is finished.
#pragma once

#include "store/Status.h"

#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace qle::generator {

inline constexpr const char* kCommitJournalFileName = "QuillonEngine_commit.txt";

// What a rebuild changes in the web folder: the files it wrote aside (paths below both the staging
// folder and the web folder, '/' separated), and the files and folders of the web folder it removes.
struct WebChanges
{
    std::vector<std::string> written;
    std::vector<std::string> removed;
};

// The names in each page folder of the web folder (ending in '/'), in the order of kPageFolders,
// each folder's sorted; a folder that cannot be listed holds none.
using PageFolderNames = std::vector<std::vector<std::string>>;
PageFolderNames ListPageFolders(const std::string& webFolder);

// What a build removes from the web folder (ending in '/'): everything in its page folders
// (`names`, as ListPageFolders read them) that the paths it built (`listed`, sorted) do not name,
// and the build's own files beside them (sitemap, feed) that it no longer writes. The author's
// other files stay.
std::vector<std::string> StaleFiles(const std::string& webFolder, const PageFolderNames& names,
                                    const std::vector<std::string_view>& listed);

// One warning per group of files whose paths differ only in ASCII letter case (images/Photo.JPG
// and images/photo.jpg): a server that ignores case keeps one of them. The files are those of
// `listed` (sorted) and of `others` (any order); a path named twice is one file.
std::vector<std::string> CaseClashes(const std::vector<std::string_view>& listed, std::vector<std::string> others);
// The warning for one group of such paths (at least two), named in order.
std::string CaseClashWarning(const std::set<std::string>& group);

// Commits `changes`: makes the files written aside durable, then the journal (in `baseFolder`),
// then renames each file into the web folder and removes the stale ones, makes the web folder's
// folders durable and removes the journal. `step` is called with "journaled" once the journal is
// on the disk and with "renamed" after the first rename. A failure after the journal leaves it for
// FinishCommit. All folders end in '/'.
Status CommitChanges(const std::string& baseFolder, const std::string& staging, const std::string& webFolder,
                     const WebChanges& changes, const std::function<void(const char*)>& step);

// Finishes a commit stopped after its journal was written: renames what is still aside, removes
// what is stale, and removes the journal. Nothing to do without a journal. A journal that cannot be
// read is removed (a build then writes and commits everything it needs again).
// REQUIRES: the caller holds the base folder's lock.
Status FinishCommit(const std::string& baseFolder, const std::string& staging, const std::string& webFolder);

} // namespace qle::generator
