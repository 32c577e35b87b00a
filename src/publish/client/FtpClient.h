// The upload client: carries out an upload script over one connection to the web space (FTP,
// FTP with TLS or SFTP) and reports like a console FTP client, one line per command, never
// showing the password.
#pragma once

#include "publish/remote/ConnectFailure.h"
#include "publish/remote/Connection.h"
#include "publish/sync/SyncRunner.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace qle::publish {

struct FtpClientOptions
{
    Timeouts timeouts;
    std::string localFolder; // where relative local paths start until the script's `lcd`
    std::string trustedKey;  // the server identity the author accepted ("SHA256:...")
    std::string keyFile;     // SFTP and Git over SSH: the private key file
    std::string branch;      // Git: the branch; empty: the repository's default branch
    // A password or passphrase that is not in the script: used when the script's password line is
    // empty, and as the key file's passphrase.
    std::string secret;
    const std::atomic<bool>* stop = nullptr; // set to end the run after the current exchange
    // Publish as a sync: send only what the server lacks, delete the program's own stale files,
    // resume an interrupted run (see SyncRunner). Server, user name and, when empty, the state
    // folder (localFolder + ".quillon-sync/") are filled in by the run. Empty: carry out the
    // script line by line.
    std::optional<SyncSettings> sync;
};

struct FtpRunSummary
{
    bool loggedIn = false;
    bool stopped = false;
    Failure failure = Failure::None; // why the login failed
    // Files sent, failures (puts that failed or were skipped) and bytes; a sync fills in the rest.
    SyncReport counts;
    double seconds = 0;
    long connections = 0;

    // 0 when the login worked and every put did, and no stale file was kept back; 1 otherwise.
    int exitCode() const { return loggedIn && counts.failures == 0 && !counts.removalsHeld ? 0 : 1; }
};

using OutputLine = std::function<void(const std::string& line)>;

// Carries out a script on `server` ("host[:port]" for FTP, or "ftps://host[:port]",
// "sftp://host[:port]", or a Git or WebDAV address in its written form, see RemoteAddress.h):
// line 1 user name, line 2 password, then the commands ReadScriptCommands reads (`binary`,
// `lcd DIR`, `mkdir DIR`, `cd DIR`, `put LOCAL [REMOTE]`, `quit`). The whole
// script is read first: a line that cannot be carried out ends the run before the login. Then it
// is carried out as a sync (options.sync) or line by line (RunPlainScript). A failed login ends
// the run before anything is sent. Ends with a summary line. A Git branch is always published as
// a sync (GitSync.h): one commit, pushed whole or not at all.
FtpRunSummary RunFtpScript(const std::string& scriptText, const std::string& server, const FtpClientOptions& options,
                           const OutputLine& output);

// The summary line printed at the end of a run.
std::string SummaryLine(const FtpRunSummary& summary);

} // namespace qle::publish
