#include "publish/client/FtpClient.h"

#include "app/Paths.h"
#include "publish/client/PlainRun.h"
#include "publish/client/ScriptJob.h"
#include "publish/remote/GitBranch.h"
#include "publish/remote/NetworkFs.h"
#include "publish/script/ScriptCommands.h"
#include "publish/sync/SyncText.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <vector>

namespace qle::publish {

namespace {

struct Script
{
    std::string userName;
    std::string password;
    std::vector<ScriptCommand> commands;
};

// The whole script read before anything is sent: a line neither runner can carry fails it. A Git
// repository may need no user name (one on this computer, or an SSH address naming its user).
Result<Script> ReadScript(const std::string& text, bool userNameNeeded)
{
    const auto lines = ScriptLines(text);
    if (lines.size() < 2 || (userNameNeeded && lines[0].empty()))
        return Status::InvalidArgument("The script does not start with a user name and a password.");
    auto commands = ReadScriptCommands({lines.begin() + 2, lines.end()});
    if (!commands)
        return commands.status();
    return Script {lines[0], lines[1], std::move(commands.value())};
}

// An identity not trusted yet, or changed: what it is, and how the author can accept it.
void ShowIdentity(Failure failure, const ServerIdentity& identity, const OutputLine& output)
{
    if (failure != Failure::UnknownIdentity && failure != Failure::ChangedIdentity)
        return;
    const std::string& shown = identity.description;
    std::size_t start = 0;
    while (start < shown.size()) {
        const auto end = std::min(shown.find('\n', start), shown.size());
        output("  " + shown.substr(start, end - start));
        start = end + 1;
    }
    output("Nothing was sent. To check and accept the server's identity, use Test Connection on the Publish tab (or "
           "quillon publish --trust).");
}

// Logs in, showing the server's lines; the password is never shown, the user name is.
bool LogIn(NetworkFs& fs, const std::string& server, const std::string& userName, const OutputLine& output,
           FtpRunSummary& summary)
{
    output("Connecting to " + server + " as " + userName + " ...");
    const Status login = fs.connect();
    for (const auto& line : fs.takeServerLines())
        output(line);
    summary.connections = fs.connectionsMade();
    if (login.ok())
        return summary.loggedIn = true;
    summary.failure = fs.lastFailure();
    summary.stopped = summary.failure == Failure::Stopped;
    output("Cannot log in to " + server + ": " + login.message());
    ShowIdentity(summary.failure, fs.serverIdentity(), output);
    return false;
}

std::string StateFolder(const SyncSettings& sync, const FtpClientOptions& options)
{
    return sync.stateFolder.empty() ? app::WithTrailingSlash(options.localFolder) + ".quillon-sync/" : sync.stateFolder;
}

void RunAsSync(NetworkFs& fs, const ConnectionSettings& settings, const Script& script, const std::string& server,
               const FtpClientOptions& options, const OutputLine& output, FtpRunSummary& summary)
{
    SyncSettings sync = *options.sync;
    sync.server = server;
    sync.userName = settings.userName;
    sync.stateFolder = StateFolder(sync, options);
    const RemoteFsFactory more = [settings] { return MakeNetworkFs(settings); };
    summary.counts = RunScriptAsSync(script.commands, options.localFolder, fs, more, sync, output);
    summary.connections = std::max<long>(summary.counts.connectionsUsed, 1);
    summary.stopped = options.stop && options.stop->load();
}

// A Git branch is always published as a sync: one commit, pushed whole or not at all.
void RunOnGit(const ConnectionSettings& settings, const Script& script, const std::string& server,
              const FtpClientOptions& options, const OutputLine& output, FtpRunSummary& summary)
{
    output("Connecting to " + server + (settings.userName.empty() ? "" : " as " + settings.userName) + " ...");
    SyncSettings sync = options.sync.value_or(SyncSettings());
    sync.stateFolder = StateFolder(sync, options);
    auto branch = GitBranch::open(settings, LocalRepositoryFor(sync.stateFolder, settings.address));
    if (!branch) {
        output(branch.status().message());
        return;
    }
    summary.counts = RunScriptOnGit(script.commands, options.localFolder, **branch, sync, output);
    summary.connections = std::max<long>(summary.counts.connectionsUsed, 1);
    summary.failure = (*branch)->lastFailure();
    summary.loggedIn = (*branch)->reached();
    summary.stopped = summary.failure == Failure::Stopped;
    if (!summary.loggedIn)
        ShowIdentity(summary.failure, (*branch)->serverIdentity(), output);
}

} // namespace

std::string SummaryLine(const FtpRunSummary& summary)
{
    return SyncSummaryLine(summary.counts, summary.seconds);
}

FtpRunSummary RunFtpScript(const std::string& scriptText, const std::string& server, const FtpClientOptions& options,
                           const OutputLine& output)
{
    const auto started = std::chrono::steady_clock::now();
    FtpRunSummary summary;
    const auto finish = [&](const char* note) {
        summary.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        if (note)
            output(note);
        else if (summary.stopped)
            output("Stopped: the files listed above as sent are on the server; nothing else was sent.");
        output(SummaryLine(summary));
        return summary;
    };

    ConnectionSettings settings;
    Status ready = ParseServerUrl(server, settings);
    auto script = ReadScript(scriptText, settings.protocol != Protocol::Git);
    if (ready.ok())
        ready = script.status();
    if (!ready.ok()) {
        output(ready.message());
        return finish(nullptr);
    }
    // An SSH address that names its user logs in as that user (git@host).
    if (settings.address.user.empty())
        settings.userName = script->userName;
    settings.password = script->password.empty() ? options.secret : script->password;
    settings.trustedKey = options.trustedKey;
    settings.keyFile = options.keyFile;
    settings.passphrase = options.secret;
    settings.timeouts = options.timeouts;
    settings.stop = options.stop;
    settings.branch = options.branch;
    if (settings.protocol == Protocol::Git) {
        RunOnGit(settings, script.value(), server, options, output, summary);
        return finish(nullptr);
    }
    const std::unique_ptr<NetworkFs> fs = MakeNetworkFs(settings);
    if (!LogIn(*fs, server, settings.userName, output, summary))
        return finish("Login failed: nothing was sent.");
    if (options.sync) {
        RunAsSync(*fs, settings, script.value(), server, options, output, summary);
    } else {
        RunPlainScript(*fs, script->commands, options, output, summary);
        summary.connections = fs->connectionsMade();
    }
    return finish(nullptr);
}

} // namespace qle::publish
