#include "publish/client/BatchRunner.h"

#include "app/BaseFolderLock.h"
#include "app/Desktop.h"
#include "app/Paths.h"
#include "generator/BuildRecord.h"
#include "publish/client/UploadOutcome.h"
#include "publish/script/FtpScript.h"
#include "publish/sync/SyncText.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qle::publish {

namespace {

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

bool StartsWithWord(std::string_view line, std::string_view word, std::string_view& rest)
{
    if (line.size() < word.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(line[i])) != word[i])
            return false;
    if (line.size() > word.size() && line[word.size()] != ' ' && line[word.size()] != '\t')
        return false;
    rest = line.substr(word.size());
    if (!rest.empty())
        rest.remove_prefix(1);
    return true;
}

std::string Unquoted(std::string_view text)
{
    text = Trim(text);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = text.substr(1, text.size() - 2);
    return std::string(text);
}

bool IsFolder(const std::string& path)
{
    struct stat info
    {
    };
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The prompt shown before an echoed line: the current folder, as a shell shows it.
std::string Prompt(const std::string& folder)
{
    return (folder.size() > 1 && folder.back() == '/' ? folder.substr(0, folder.size() - 1) : folder) + ">";
}

} // namespace

BatchCommand ParseBatchLine(std::string_view line)
{
    using Kind = BatchCommand::Kind;
    // Only the line end is dropped here: "echo" keeps the trailing blanks it was given.
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    const std::string_view trimmed = Trim(line);
    std::string_view rest;
    if (trimmed.empty())
        return {Kind::Blank, {}, {}};
    if (StartsWithWord(trimmed, "cd", rest))
        return {Kind::Cd, Unquoted(rest), {}};
    if (StartsWithWord(trimmed, "ftp", rest)) {
        rest = Trim(rest);
        if (rest.size() < 3 || (rest.substr(0, 3) != "-s:" && rest.substr(0, 3) != "-S:"))
            return {Kind::Unknown, std::string(trimmed), {}};
        rest.remove_prefix(3);
        // A line ending in a blank has an empty server setting; the script path may hold blanks.
        const bool noServer = line.back() == ' ' || line.back() == '\t';
        const std::size_t split = rest.find_last_of(" \t");
        if (noServer || split == std::string_view::npos)
            return {Kind::Ftp, Unquoted(rest), {}};
        BatchCommand command {Kind::Ftp, {}, std::string(rest.substr(split + 1))};
        std::string_view script = rest.substr(0, split);
        // The options follow the script path: the first " -k:", " -i:" or " -b:" ends it.
        std::size_t options = std::string_view::npos;
        for (const char* option : {" -k:", " -i:", " -b:"})
            options = std::min(options, script.find(option));
        if (options != std::string_view::npos) {
            for (const auto& word : SplitScriptLine(script.substr(options))) {
                if (word.starts_with("-k:"))
                    command.trustedKey = word.substr(3);
                else if (word.starts_with("-i:"))
                    command.keyFile = word.substr(3);
                else if (word.starts_with("-b:"))
                    command.branch = word.substr(3);
            }
            script = script.substr(0, options);
        }
        command.argument = Unquoted(script);
        return command;
    }
    if (StartsWithWord(trimmed, "echo", rest)) {
        const std::string_view word = Trim(rest);
        if (word.size() == 3 && StartsWithWord(word, "off", rest))
            return {Kind::EchoOff, {}, {}};
        if (word.size() == 2 && StartsWithWord(word, "on", rest))
            return {Kind::EchoOn, {}, {}};
        // The text keeps its trailing blanks: "echo Please close this window " shows them.
        const auto at = line.find_first_not_of(" \t");
        std::string_view text = line.substr(at + 4);
        if (!text.empty())
            text.remove_prefix(1);
        return {Kind::Echo, std::string(text), {}};
    }
    if (StartsWithWord(trimmed, "pause", rest))
        return {Kind::Pause, {}, {}};
    if (StartsWithWord(trimmed, "exit", rest))
        return {Kind::Exit, {}, {}};
    return {Kind::Unknown, std::string(trimmed), {}};
}

std::string DefaultFtpProgram()
{
    return app::JoinPath(app::ExecutableFolder(), "quillon-ftp");
}

int RunStreaming(const std::vector<std::string>& argv, const std::string& folder,
                 const std::function<void(const std::string&)>& output, const std::string& secret,
                 const std::function<void(int pid)>& running)
{
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    if (argv.empty())
        return 127;
    const std::string cannotEnter = "Cannot enter the folder " + folder + ".\n";
    const std::string cannotStart = "Cannot start " + argv[0] + ": the program is missing or not executable.\n";
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return 127;
    const int secretFd = secret.empty() ? -1 : app::SecretPipe(secret);
    if (!secret.empty() && secretFd < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return 127;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        if (secretFd >= 0)
            ::close(secretFd);
        return 127;
    }
    if (child == 0) {
        // Only async-signal-safe calls from here on: the messages were made before the fork.
        ::dup2(pipeFds[1], STDOUT_FILENO);
        ::dup2(pipeFds[1], STDERR_FILENO);
        // The child has no keyboard: the console keeps it for "pause".
        const int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (devNull >= 0)
            ::dup2(devNull, STDIN_FILENO);
        if (secretFd >= 0)
            app::InheritDescriptor(secretFd, kSecretDescriptor);
        if (!folder.empty() && ::chdir(folder.c_str()) != 0) {
            [[maybe_unused]] ssize_t n = ::write(STDOUT_FILENO, cannotEnter.data(), cannotEnter.size());
            ::_exit(127);
        }
        ::execv(args[0], args.data());
        [[maybe_unused]] ssize_t n = ::write(STDOUT_FILENO, cannotStart.data(), cannotStart.size());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    if (secretFd >= 0)
        ::close(secretFd);
    if (running)
        running(static_cast<int>(child));
    std::string pending;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        pending.append(buffer, static_cast<std::size_t>(n));
        std::size_t end;
        while ((end = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, end);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            output(line);
            pending.erase(0, end + 1);
        }
    }
    ::close(pipeFds[0]);
    if (!pending.empty())
        output(pending);
    if (running)
        running(0);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0)
        if (errno != EINTR)
            return 127;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : 127;
}

namespace {

// A build that finished after the script was written, or one that did not complete, has changed
// the web folder the script lists: uploading it would send pages the author did not publish.
Status ScriptIsCurrent(const std::string& baseFolder, const std::string& scriptPath)
{
    const std::string webFolder = app::WithTrailingSlash(baseFolder) + "TempInternetFiles/";
    struct stat record
    {
    }, written {};
    if (::stat(generator::BuildRecordPath(webFolder).c_str(), &record) != 0)
        return Status::OK(); // no build recorded here: a batch file of the author's own
    auto built = generator::ReadBuildRecord(webFolder);
    if (built && !built->complete)
        return Status::Cancelled("a build of the site is under way or did not complete; build the site, then "
                                 "publish again.");
    const std::string script = scriptPath.empty() || scriptPath[0] == '/' ? scriptPath : baseFolder + scriptPath;
    if (::stat(script.c_str(), &written) == 0 &&
        (record.st_mtim.tv_sec > written.st_mtim.tv_sec ||
         (record.st_mtim.tv_sec == written.st_mtim.tv_sec && record.st_mtim.tv_nsec > written.st_mtim.tv_nsec)))
        return Status::Cancelled("the site was built again after this upload was prepared; publish again.");
    return Status::OK();
}

// The upload's record for the editor: its outcome, the site whose build the web folder holds, and
// where the script sends it.
UploadRecord OutcomeRecord(const std::string& baseFolder, const BatchCommand& command, const std::string& outcome)
{
    UploadRecord record {outcome, {}, {}};
    if (auto built = generator::ReadBuildRecord(app::WithTrailingSlash(baseFolder) + "TempInternetFiles/"))
        record.sitePath = built->sitePath;
    const std::string& script = command.argument;
    std::ifstream in(script.empty() || script[0] == '/' ? script : baseFolder + script, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
    }
    lines.erase(lines.begin(), lines.begin() + std::min<std::size_t>(2, lines.size())); // user name, password
    record.destination = UploadDestination(command.server, lines);
    return record;
}

// The upload client's command line for the batch file's upload line.
std::vector<std::string> ClientArguments(const BatchCommand& command, const BatchOptions& options)
{
    std::vector<std::string> argv = {options.ftpProgram};
    argv.insert(argv.end(), options.ftpArguments.begin(), options.ftpArguments.end());
    if (options.ftpTimeoutSeconds > 0)
        argv.push_back("-t:" + std::to_string(options.ftpTimeoutSeconds));
    argv.push_back("-s:" + command.argument);
    if (!command.trustedKey.empty())
        argv.push_back("-k:" + command.trustedKey);
    if (!command.keyFile.empty())
        argv.push_back("-i:" + command.keyFile);
    if (!command.branch.empty())
        argv.push_back("-b:" + command.branch);
    if (!options.secret.empty())
        argv.push_back("-p:" + std::to_string(kSecretDescriptor));
    argv.push_back(command.server);
    return argv;
}

// Carries out the batch file's upload line in `folder` and writes the outcome for the editor;
// returns the client's exit status.
int RunUploadLine(const BatchCommand& command, const std::string& folder, const BatchOptions& options,
                  const BatchCallbacks& callbacks)
{
    // What the upload showed, for the outcome the editor's Publish tab reports.
    std::vector<std::string> lines;
    const auto output = [&](const std::string& line) {
        lines.push_back(line);
        callbacks.output(line);
    };
    // Uploads share the base folder's lock; a build waits until they are done.
    auto lock = app::BaseFolderLock::acquire(folder, app::BaseFolderLock::Mode::Upload);
    Status ready = lock ? ScriptIsCurrent(folder, command.argument) : lock.status();
    if (!ready.ok()) {
        output("THE UPLOAD DID NOT START: " + ready.message());
        (void)WriteUploadOutcome(folder, OutcomeRecord(folder, command, UploadOutcome(lines, 1)));
        return 1;
    }
    const int status =
        RunStreaming(ClientArguments(command, options), folder, output, options.secret, callbacks.clientRunning);
    // Written as soon as the upload ends: the editor reports it while the window waits.
    const std::string outcome = UploadOutcome(lines, status);
    (void)WriteUploadOutcome(folder, OutcomeRecord(folder, command, outcome));
    if (status == 0)
        return 0;
    callbacks.output(outcome.starts_with("Upload not finished")
                         ? "THE UPLOAD DID NOT FINISH: every file was sent, but stale files were kept on the server. "
                           "See the messages above."
                         : "THE UPLOAD FAILED (status " + std::to_string(status) +
                               "): the site was not fully published. See the messages above.");
    return status;
}

} // namespace

Result<int> RunBatchFile(const std::string& batchPath, const BatchOptions& options, const BatchCallbacks& callbacks)
{
    std::ifstream in(batchPath, std::ios::binary);
    if (!in)
        return Status::NotFound("Cannot read the batch file " + batchPath + ": " + std::strerror(errno));
    std::ostringstream text;
    text << in.rdbuf();

    using Kind = BatchCommand::Kind;
    // The batch file starts in its own folder, as the desktop opens it there.
    std::error_code ec;
    std::string folder = app::WithTrailingSlash(std::filesystem::absolute(batchPath, ec).parent_path().string());
    bool echo = true;
    bool failed = false;
    int lastStatus = 0;
    std::istringstream lines(text.str());
    std::string line;
    while (std::getline(lines, line)) {
        const BatchCommand command = ParseBatchLine(line);
        if (command.kind == Kind::Blank)
            continue;
        if (echo) {
            std::string shown = line;
            while (!shown.empty() && shown.back() == '\r')
                shown.pop_back();
            callbacks.output(Prompt(folder) + shown);
        }
        switch (command.kind) {
        case Kind::Blank:
            break;
        case Kind::Cd:
            if (command.argument.empty())
                callbacks.output(folder);
            else if (IsFolder(command.argument))
                folder = app::WithTrailingSlash(command.argument);
            else
                callbacks.output("The system cannot find the path specified: " + command.argument);
            break;
        case Kind::Ftp:
            lastStatus = RunUploadLine(command, folder, options, callbacks);
            failed = failed || lastStatus != 0;
            break;
        case Kind::EchoOff:
            echo = false;
            break;
        case Kind::EchoOn:
            echo = true;
            break;
        case Kind::Echo:
            // After a failed upload the batch file's closing lines would announce a published site.
            if (!failed)
                callbacks.output(command.argument);
            break;
        case Kind::Pause:
            if (callbacks.pause)
                callbacks.pause();
            if (failed)
                return lastStatus; // as "exit" would: nothing after the pause runs
            break;
        case Kind::Exit:
            return lastStatus;
        case Kind::Unknown:
            // Only the publisher's own lines are carried out; anything else is shown, never run.
            callbacks.output("'" + command.argument + "' is not a command this console carries out.");
            break;
        }
    }
    return lastStatus;
}

} // namespace qle::publish
