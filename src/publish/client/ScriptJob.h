// The upload script read as a whole, before anything is sent: the folders it makes and the files
// it puts, with every path resolved. The sync decides from this which puts the server needs.
#pragma once

#include "publish/remote/GitBranch.h"
#include "publish/script/ScriptCommands.h"
#include "publish/sync/SyncRunner.h"

#include <functional>
#include <string>
#include <vector>

namespace qle::publish {

// The job of the script's commands (see ReadScriptCommands): `lcd`, `mkdir`, `cd` and `put` shape
// it. Relative remote paths start at `homeFolder`, relative local paths at `localFolder`. The
// record's folder is the remote folder of the first put (where the forwarding page goes); a
// script without puts gives an empty job.
UploadJob UploadJobFromScript(const std::vector<ScriptCommand>& commands, const std::string& localFolder,
                              const std::string& homeFolder);

// Carries out the script's commands as a sync (RunSync) over `primary`, which is connected, and the
// connections `more` opens. Progress goes to the output as ProgressLine lines.
SyncReport RunScriptAsSync(const std::vector<ScriptCommand>& commands, const std::string& localFolder,
                           RemoteFs& primary, const RemoteFsFactory& more, const SyncSettings& settings,
                           const std::function<void(const std::string&)>& output);

// Carries out the script's commands as one commit on a Git branch (RunGitSync). The branch's
// tree stands for the server: remote paths start at its root.
SyncReport RunScriptOnGit(const std::vector<ScriptCommand>& commands, const std::string& localFolder, GitBranch& branch,
                          const SyncSettings& settings, const std::function<void(const std::string&)>& output);

} // namespace qle::publish
