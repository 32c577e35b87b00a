#include "publish/client/FtpClient.h"

#include "app/Paths.h"
#include "publish/client/ScriptJob.h"
#include "publish/remote/RemoteError.h"
#include "publish/script/FtpScript.h"
#include "publish/sync/SyncText.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <sys/stat.h>
#include <vector>

namespace qle::publish {

namespace {

std::vector<std::string> ScriptLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

bool IsFolder(const std::string& path)
{
    struct stat info
    {
    };
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// True for a link, a folder or a device; false for a plain file and for nothing at all.
bool IsSomethingElse(const std::string& path)
{
    struct stat info
    {
    };
    return ::lstat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode);
}

// The state of one run between commands.
class ScriptRun
{
public:
    ScriptRun(RemoteFs& fs, const FtpClientOptions& options, const OutputLine& output, FtpRunSummary& summary)
        : m_fs(fs)
        , m_output(output)
        , m_summary(summary)
        , m_stop(options.stop)
        , m_localFolder(app::WithTrailingSlash(options.localFolder))
        , m_remoteFolder(fs.homeFolder())
    {
        // The home folder ends in '/'; the current folder is kept without it, as the script's paths resolve.
        m_remoteFolder = ResolveRemotePath("/", m_remoteFolder);
    }

    // Carries out one command line; false when the script ends here.
    bool run(const std::string& line)
    {
        const auto words = SplitScriptLine(line);
        if (words.empty())
            return true;
        const std::string verb = ScriptVerb(words[0]);
        const bool remote = verb == "mkdir" || verb == "cd" || verb == "put";
        if (remote && m_stop && m_stop->load()) {
            m_summary.stopped = true;
            m_summary.failures += verb == "put" ? 1 : 0;
            return true;
        }
        m_output("ftp> " + line);
        const std::vector<std::string> args(words.begin() + 1, words.end());
        if (verb == "quit" || verb == "bye" || verb == "close")
            return false;
        if (m_lost && remote) {
            // Waiting out the time-out again for every line would keep the author waiting for hours.
            m_output("Not connected.");
            m_summary.failures += verb == "put" ? 1 : 0;
            return true;
        }
        if (verb == "binary")
            m_output("Binary mode: files are sent byte for byte.");
        else if (verb == "lcd")
            changeLocalFolder(args);
        else if (verb == "mkdir")
            makeFolder(args);
        else if (verb == "cd")
            changeFolder(args);
        else if (verb == "put")
            put(args);
        else
            m_output("Invalid command: " + words[0]);
        return true;
    }

private:
    // A folder command takes one folder; none leaves things as they are (an empty root setting).
    bool oneFolder(const std::vector<std::string>& args, const char* verb)
    {
        if (args.size() == 1)
            return true;
        if (args.empty())
            m_output(std::string(verb) + ": no folder given; staying in " + m_remoteFolder);
        else
            m_output(std::string(verb) + ": expected one folder name, got " + std::to_string(args.size()));
        return false;
    }

    void changeLocalFolder(const std::vector<std::string>& args)
    {
        if (args.size() != 1) {
            m_output("lcd: expected one folder name");
            return;
        }
        const std::string folder = ResolveLocalPath(m_localFolder, args[0]);
        if (!IsFolder(folder)) {
            m_output(folder + ": No such folder.");
            return;
        }
        m_localFolder = app::WithTrailingSlash(folder);
        m_output("Local directory now " + m_localFolder);
    }

    void makeFolder(const std::vector<std::string>& args)
    {
        if (!oneFolder(args, "mkdir"))
            return;
        // An existing folder is refused by the server: reported, and harmless.
        const std::string target = ResolveRemotePath(m_remoteFolder, args[0]);
        const Status made = m_fs.makeFolder(target);
        report(made.code() == Status::Code::InvalidArgument ? Status::OK() : made);
        if (made.code() == Status::Code::InvalidArgument && m_shownReply.empty())
            m_output(target + ": the folder exists already.");
    }

    void changeFolder(const std::vector<std::string>& args)
    {
        if (args.empty()) {
            oneFolder(args, "cd");
            return;
        }
        if (!oneFolder(args, "cd")) {
            m_cdFailed = true;
            return;
        }
        // The connection keeps no current folder: entering one is checking that it is there.
        const std::string target = ResolveRemotePath(m_remoteFolder, args[0]);
        auto entries = m_fs.list(target);
        const Status status = entries.status();
        report(status, "250 ");
        m_cdFailed = !status.ok();
        if (status.ok()) {
            m_remoteFolder = target;
            if (m_shownReply.empty())
                m_output("Remote directory now " + target);
        }
    }

    void put(const std::vector<std::string>& args)
    {
        if (args.empty() || args.size() > 2 || args[0].empty()) {
            m_output("put: expected a local file and an optional remote name");
            ++m_summary.failures;
            return;
        }
        if (m_cdFailed) {
            m_output("Not sent: the remote folder could not be entered.");
            ++m_summary.failures;
            return;
        }
        const std::string local = ResolveLocalPath(m_localFolder, args[0]);
        if (IsSomethingElse(local)) {
            // A link could hand the server any file of the author's; only plain files are sent.
            m_output("Not sent: " + local + " is not a plain file.");
            ++m_summary.failures;
            return;
        }
        const std::string remoteName = args.size() == 2 ? args[1] : app::FileNameOfPath(args[0]);
        const Status sent = m_fs.put(local, ResolveRemotePath(m_remoteFolder, remoteName), m_summary.bytes);
        report(sent);
        if (sent.ok())
            ++m_summary.filesSent;
        else
            ++m_summary.failures;
    }

    // Shows the server's final reply of the exchange (FTP), or its first reply that starts with
    // `preferred`, and on failure why.
    void report(const Status& status, std::string_view preferred = {})
    {
        m_shownReply.clear();
        bool chosen = false;
        for (const auto& line : m_fs.takeServerLines()) {
            if (chosen || line.size() < 4 || line[3] != ' ' || line[0] < '1' || line[0] > '5')
                continue;
            m_shownReply = line;
            chosen = !preferred.empty() && line.starts_with(preferred);
        }
        if (!m_shownReply.empty())
            m_output(m_shownReply);
        if (!status.ok() && KindOf(status) == RemoteErrorKind::Stopped) {
            m_summary.stopped = true;
            m_lost = true;
        } else if (IsTransient(status) && !m_fs.connect().ok()) {
            m_lost = true; // the connection dropped and no new one answers
        }
        if (!status.ok() && (m_shownReply.empty() || status.message().find(m_shownReply) == std::string::npos))
            m_output("Failed: " + status.message());
    }

    RemoteFs& m_fs;
    const OutputLine& m_output;
    FtpRunSummary& m_summary;
    const std::atomic<bool>* m_stop;
    std::string m_localFolder;
    std::string m_remoteFolder;
    std::string m_shownReply; // the server's reply shown for the last exchange
    bool m_cdFailed = false;
    bool m_lost = false; // the server stopped answering, or the run was stopped: nothing more is sent
};

} // namespace

std::string SummaryLine(const FtpRunSummary& summary)
{
    SyncReport report;
    report.sent = summary.filesSent;
    report.unchanged = summary.unchanged;
    report.removed = summary.removed;
    report.failures = summary.failures;
    report.bytes = summary.bytes;
    report.removalsHeld = summary.removalsHeld;
    report.removalsKept = summary.removalsKept;
    report.recordDamaged = summary.recordDamaged;
    report.replacedInPlace = summary.replacedInPlace;
    return SyncSummaryLine(report, summary.seconds);
}

FtpRunSummary RunFtpScript(const std::string& scriptText, const std::string& server, const FtpClientOptions& options,
                           const OutputLine& output)
{
    const auto started = std::chrono::steady_clock::now();
    FtpRunSummary summary;
    const auto finish = [&] {
        summary.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        if (!summary.loggedIn)
            output("Login failed: nothing was sent.");
        else if (summary.stopped)
            output("Stopped: the files listed above as sent are on the server; nothing else was sent.");
        output(SummaryLine(summary));
        return summary;
    };

    const auto lines = ScriptLines(scriptText);
    if (lines.size() < 2 || lines[0].empty()) {
        output("The script does not start with a user name and a password.");
        return finish();
    }
    ConnectionSettings settings;
    if (Status parsed = ParseServerUrl(server, settings); !parsed.ok()) {
        output(parsed.message());
        return finish();
    }
    settings.userName = lines[0];
    settings.password = lines[1].empty() ? options.secret : lines[1];
    settings.trustedKey = options.trustedKey;
    settings.keyFile = options.keyFile;
    settings.passphrase = options.secret;
    settings.timeouts = options.timeouts;
    settings.stop = options.stop;
    CurlRemoteFs fs(settings);

    // The password line is never shown; the user name is.
    output("Connecting to " + server + " as " + lines[0] + " ...");
    const Status login = fs.connect();
    for (const auto& line : fs.takeServerLines())
        output(line);
    summary.connections = fs.connectionsMade();
    if (!login.ok()) {
        summary.failure = fs.lastFailure();
        summary.stopped = summary.failure == Failure::Stopped;
        output("Cannot log in to " + server + ": " + login.message());
        if (summary.failure == Failure::UnknownIdentity || summary.failure == Failure::ChangedIdentity) {
            const std::string& shown = fs.serverIdentity().description;
            std::size_t start = 0;
            while (start < shown.size()) {
                const auto end = std::min(shown.find('\n', start), shown.size());
                output("  " + shown.substr(start, end - start));
                start = end + 1;
            }
            output("Nothing was sent. To check and accept the server's identity, use Test Connection on the Publish "
                   "tab (or quillon publish --trust).");
        }
        return finish();
    }
    summary.loggedIn = true;

    if (options.sync) {
        SyncSettings sync = *options.sync;
        sync.server = server;
        sync.userName = settings.userName;
        if (sync.stateFolder.empty())
            sync.stateFolder = app::WithTrailingSlash(options.localFolder) + ".quillon-sync/";
        const RemoteFsFactory more = [settings] { return std::make_unique<CurlRemoteFs>(settings); };
        const SyncReport report =
            RunScriptAsSync({lines.begin() + 2, lines.end()}, options.localFolder, fs, more, sync, output);
        summary.filesSent = report.sent;
        summary.unchanged = report.unchanged;
        summary.removed = report.removed;
        summary.failures = report.failures;
        summary.bytes = report.bytes;
        summary.removalsHeld = report.removalsHeld;
        summary.removalsKept = report.removalsKept;
        summary.recordDamaged = report.recordDamaged;
        summary.replacedInPlace = report.replacedInPlace;
        summary.connections = std::max<long>(report.connectionsUsed, 1);
        summary.stopped = options.stop && options.stop->load();
        return finish();
    }

    ScriptRun run(fs, options, output, summary);
    for (std::size_t i = 2; i < lines.size(); ++i)
        if (!run.run(lines[i]))
            break;
    summary.connections = fs.connectionsMade();
    return finish();
}

} // namespace qle::publish
