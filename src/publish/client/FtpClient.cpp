#include "publish/client/FtpClient.h"

#include "app/Paths.h"
#include "publish/client/PlainRun.h"
#include "publish/client/ScriptJob.h"
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

// The whole script read before anything is sent: a line neither runner can carry fails it.
Result<Script> ReadScript(const std::string& text)
{
    const auto lines = ScriptLines(text);
    if (lines.size() < 2 || lines[0].empty())
        return Status::InvalidArgument("The script does not start with a user name and a password.");
    auto commands = ReadScriptCommands({lines.begin() + 2, lines.end()});
    if (!commands)
        return commands.status();
    return Script {lines[0], lines[1], std::move(commands.value())};
}

void ShowIdentity(const CurlRemoteFs& fs, const OutputLine& output)
{
    const std::string& shown = fs.serverIdentity().description;
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
bool LogIn(CurlRemoteFs& fs, const std::string& server, const std::string& userName, const OutputLine& output,
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
    if (summary.failure == Failure::UnknownIdentity || summary.failure == Failure::ChangedIdentity)
        ShowIdentity(fs, output);
    return false;
}

void RunAsSync(CurlRemoteFs& fs, const ConnectionSettings& settings, const Script& script, const std::string& server,
               const FtpClientOptions& options, const OutputLine& output, FtpRunSummary& summary)
{
    SyncSettings sync = *options.sync;
    sync.server = server;
    sync.userName = settings.userName;
    if (sync.stateFolder.empty())
        sync.stateFolder = app::WithTrailingSlash(options.localFolder) + ".quillon-sync/";
    const RemoteFsFactory more = [settings] { return std::make_unique<CurlRemoteFs>(settings); };
    summary.counts = RunScriptAsSync(script.commands, options.localFolder, fs, more, sync, output);
    summary.connections = std::max<long>(summary.counts.connectionsUsed, 1);
    summary.stopped = options.stop && options.stop->load();
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

    auto script = ReadScript(scriptText);
    ConnectionSettings settings;
    Status ready = script.status();
    if (ready.ok())
        ready = ParseServerUrl(server, settings);
    if (!ready.ok()) {
        output(ready.message());
        return finish(nullptr);
    }
    settings.userName = script->userName;
    settings.password = script->password.empty() ? options.secret : script->password;
    settings.trustedKey = options.trustedKey;
    settings.keyFile = options.keyFile;
    settings.passphrase = options.secret;
    settings.timeouts = options.timeouts;
    settings.stop = options.stop;
    CurlRemoteFs fs(settings);
    if (!LogIn(fs, server, settings.userName, output, summary))
        return finish("Login failed: nothing was sent.");
    if (options.sync) {
        RunAsSync(fs, settings, script.value(), server, options, output, summary);
    } else {
        RunPlainScript(fs, script->commands, options, output, summary);
        summary.connections = fs.connectionsMade();
    }
    return finish(nullptr);
}

} // namespace qle::publish
