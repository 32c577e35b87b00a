// Publishing to a branch of a Git repository with the sync's own rules: only the program's files
// (those the record on the branch lists) are ever removed, every other file of the branch stays;
// only what changed goes into the one commit a publish makes; the push lands whole or not at all,
// never by force; and the outcome is told as it is. The record is committed in the site's folder
// of the branch, so another computer publishing there knows what is ours too.
#pragma once

#include "publish/remote/GitBranch.h"
#include "publish/sync/SyncRunner.h"

#include <string>

namespace qle::publish {

// The commit's message: "Published 3 pages, removed 1".
std::string CommitMessage(int sent, int removed);

// How often a branch that moves while it is published is fetched again and built upon.
inline constexpr int kGitPublishTries = 3;

// Fetches the branch, decides from the record on it and the local files what changes, commits
// that on top of the branch's newest commit and pushes it. When the branch moved meanwhile, the
// commit is built again on its new tip (up to kGitPublishTries times); a push the server refuses
// ends the run with its words. Nothing is committed when nothing changed. Connections and the
// journal are not used: a push is all or nothing by itself.
SyncReport RunGitSync(const UploadJob& job, GitBranch& branch, const SyncSettings& settings,
                      const SyncCallbacks& callbacks);

} // namespace qle::publish
