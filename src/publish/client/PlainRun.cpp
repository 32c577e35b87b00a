#include "publish/client/PlainRun.h"

#include "app/Paths.h"
#include "publish/remote/RemoteError.h"
#include "publish/script/FtpScript.h"

#include <atomic>
#include <sys/stat.h>

namespace qle::publish {

namespace {

using Verb = ScriptCommand::Verb;

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
class PlainRun
{
public:
    PlainRun(RemoteFs& fs, const FtpClientOptions& options, const OutputLine& output, FtpRunSummary& summary)
        : m_fs(fs)
        , m_output(output)
        , m_summary(summary)
        , m_stop(options.stop)
        , m_localFolder(app::WithTrailingSlash(options.localFolder))
        // The home folder ends in '/'; the current folder is kept without it, as the script's paths resolve.
        , m_remoteFolder(ResolveRemotePath("/", fs.homeFolder()))
    {
    }

    void run(const ScriptCommand& command)
    {
        const bool remote = command.verb != Verb::Binary && command.verb != Verb::Lcd;
        if (remote && m_stop && m_stop->load()) {
            m_summary.stopped = true;
            m_summary.counts.failures += command.verb == Verb::Put ? 1 : 0;
            return;
        }
        m_output("ftp> " + command.line);
        if (m_lost && remote) {
            // Waiting out the time-out again for every line would keep the author waiting for hours.
            m_output("Not connected.");
            m_summary.counts.failures += command.verb == Verb::Put ? 1 : 0;
            return;
        }
        switch (command.verb) {
        case Verb::Binary:
            m_output("Binary mode: files are sent byte for byte.");
            break;
        case Verb::Lcd:
            changeLocalFolder(command.args[0]);
            break;
        case Verb::Mkdir:
            makeFolder(command.args);
            break;
        case Verb::Cd:
            changeFolder(command.args);
            break;
        case Verb::Put:
            put(command.args);
            break;
        }
    }

private:
    void changeLocalFolder(const std::string& name)
    {
        const std::string folder = ResolveLocalPath(m_localFolder, name);
        if (!IsFolder(folder)) {
            m_output(folder + ": No such folder.");
            return;
        }
        m_localFolder = app::WithTrailingSlash(folder);
        m_output("Local directory now " + m_localFolder);
    }

    void makeFolder(const std::vector<std::string>& args)
    {
        if (args.empty()) {
            m_output("mkdir: no folder given; staying in " + m_remoteFolder);
            return;
        }
        // An existing folder is refused by the server: reported, and harmless.
        const std::string target = ResolveRemotePath(m_remoteFolder, args[0]);
        const Status made = m_fs.makeFolder(target);
        const bool exists = !made.ok() && KindOf(made) == RemoteErrorKind::AlreadyExists;
        report(exists ? Status::OK() : made);
        if (exists && m_shownReply.empty())
            m_output(target + ": the folder exists already.");
    }

    void changeFolder(const std::vector<std::string>& args)
    {
        if (args.empty()) {
            m_output("cd: no folder given; staying in " + m_remoteFolder);
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
        if (m_cdFailed) {
            m_output("Not sent: the remote folder could not be entered.");
            ++m_summary.counts.failures;
            return;
        }
        const std::string local = ResolveLocalPath(m_localFolder, args[0]);
        if (IsSomethingElse(local)) {
            // A link could hand the server any file of the author's; only plain files are sent.
            m_output("Not sent: " + local + " is not a plain file.");
            ++m_summary.counts.failures;
            return;
        }
        const std::string remoteName = args.size() == 2 ? args[1] : app::FileNameOfPath(args[0]);
        const Status sent = m_fs.put(local, ResolveRemotePath(m_remoteFolder, remoteName), m_summary.counts.bytes);
        report(sent);
        if (sent.ok())
            ++m_summary.counts.sent;
        else
            ++m_summary.counts.failures;
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

void RunPlainScript(RemoteFs& fs, const std::vector<ScriptCommand>& commands, const FtpClientOptions& options,
                    const OutputLine& output, FtpRunSummary& summary)
{
    PlainRun run(fs, options, output, summary);
    for (const auto& command : commands)
        run.run(command);
}

} // namespace qle::publish
