// Reading a branch's files and building a commit on it, in the local repository: free functions
// over a repository and the branch's tip (none for a branch that does not exist yet).
#pragma once

#include "publish/remote/GitBranch.h"
#include "publish/remote/GitHandles.h"

#include <map>
#include <string>
#include <vector>

namespace qle::publish::git {

// The tip's tree; none when there is no tip.
Result<Tree> TipTree(git_repository* repository, const git_oid* tip);

// The files of the tip under `folder` ("" for the whole tree, else "a/b/"), by path relative to the folder.
Result<std::map<std::string, GitFile>> FilesOf(git_repository* repository, const git_oid* tip,
                                               const std::string& folder);

// The bytes of a file of the tip; NotFound when there is none.
Result<std::string> FileOf(git_repository* repository, const git_oid* tip, const std::string& path);

// A new commit on the tip (or a first commit): the tip's tree with `write` (path -> local file),
// `remove` (paths) and `texts` (path -> bytes) applied. Returns the commit's id.
Result<std::string> CommitOnTip(git_repository* repository, const git_oid* tip,
                                const std::map<std::string, std::string>& write, const std::vector<std::string>& remove,
                                const std::map<std::string, std::string>& texts, const std::string& message);

} // namespace qle::publish::git
