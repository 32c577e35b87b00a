// The upload client's plain mode: the script's commands carried out one after the other over one
// connection, reported like a console FTP client, one line per command.
#pragma once

#include "publish/client/FtpClient.h"
#include "publish/script/ScriptCommands.h"

#include <vector>

namespace qle::publish {

// Carries out `commands` over `fs`, which is connected, adding to `summary`. A failed mkdir, cd or
// put is reported and the run goes on; puts after a failed cd are skipped (and counted as
// failures) until a cd succeeds, so files never land in the wrong folder. A connection that drops
// is opened again once; when no new one answers, the remaining puts count as failures. A stop
// request ends the run after the current exchange, the rest counted as failures.
void RunPlainScript(RemoteFs& fs, const std::vector<ScriptCommand>& commands, const FtpClientOptions& options,
                    const OutputLine& output, FtpRunSummary& summary);

} // namespace qle::publish
