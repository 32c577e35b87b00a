#include "publish/FtpClient.h"

#include "app/Paths.h"

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

std::string Lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The state of one run between commands.
class ScriptRun
{
public:
    ScriptRun(FtpSession& session, const FtpClientOptions& options, const OutputLine& output, FtpRunSummary& summary)
        : m_session(session)
        , m_output(output)
        , m_summary(summary)
        , m_localFolder(app::WithTrailingSlash(options.localFolder))
        , m_remoteFolder(session.entryPath())
    {
    }

    // Carries out one command line; false when the script ends here.
    bool run(const std::string& line)
    {
        const auto words = SplitScriptLine(line);
        if (words.empty())
            return true;
        m_output("ftp> " + line);
        const std::string verb = Lower(words[0]);
        const std::vector<std::string> args(words.begin() + 1, words.end());
        if (verb == "quit" || verb == "bye" || verb == "close")
            return false;
        if (m_lost && (verb == "mkdir" || verb == "cd" || verb == "put")) {
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
        report(m_session.command("MKD " + ResolveRemotePath(m_remoteFolder, args[0])));
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
        const std::string target = ResolveRemotePath(m_remoteFolder, args[0]);
        const auto reply = m_session.command("CWD " + target);
        report(reply);
        m_cdFailed = !reply.ok;
        if (reply.ok)
            m_remoteFolder = target;
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
        const auto reply = m_session.put(local, ResolveRemotePath(m_remoteFolder, remoteName), m_summary.bytes);
        report(reply);
        if (reply.ok)
            ++m_summary.filesSent;
        else
            ++m_summary.failures;
    }

    void report(const FtpSession::Reply& reply)
    {
        if (reply.timedOut)
            m_lost = true;
        const std::string last = reply.lastLine();
        if (!last.empty())
            m_output(last);
        if (!reply.ok && reply.error != last)
            m_output("Failed: " + reply.error);
    }

    FtpSession& m_session;
    const OutputLine& m_output;
    FtpRunSummary& m_summary;
    std::string m_localFolder;
    std::string m_remoteFolder;
    bool m_cdFailed = false;
    bool m_lost = false; // the server stopped answering: nothing more is sent
};

} // namespace

std::string SummaryLine(const FtpRunSummary& summary)
{
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f", summary.seconds);
    return std::to_string(summary.filesSent) + (summary.filesSent == 1 ? " file" : " files") + " sent, " +
           std::to_string(summary.failures) + (summary.failures == 1 ? " failure" : " failures") + ", " +
           std::to_string(summary.bytes) + " bytes in " + seconds + " seconds.";
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
        output(SummaryLine(summary));
        return summary;
    };

    const auto lines = ScriptLines(scriptText);
    if (lines.size() < 2 || lines[0].empty()) {
        output("The script does not start with a user name and a password.");
        return finish();
    }
    auto address = ParseServer(server);
    if (!address) {
        output(address.status().message());
        return finish();
    }
    auto session = FtpSession::create(address.value(), lines[0], lines[1], options.timeouts);
    if (!session) {
        output(session.status().message());
        return finish();
    }

    // The password line is never shown; the user name is.
    output("Connecting to " + server + " as " + lines[0] + " ...");
    const auto login = session->login();
    for (const auto& line : login.lines)
        output(line);
    summary.connections = session->connectionsMade();
    if (!login.ok) {
        output("Cannot log in to " + server + ": " + login.error);
        return finish();
    }
    summary.loggedIn = true;

    ScriptRun run(session.value(), options, output, summary);
    for (std::size_t i = 2; i < lines.size(); ++i)
        if (!run.run(lines[i]))
            break;
    summary.connections = session->connectionsMade();
    return finish();
}

} // namespace qle::publish
