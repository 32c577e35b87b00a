#include "publish/client/ScriptJob.h"

#include "app/Paths.h"
#include "publish/script/FtpScript.h"
#include "publish/sync/GitSync.h"
#include "publish/sync/SyncText.h"

namespace qle::publish {

UploadJob UploadJobFromScript(const std::vector<ScriptCommand>& commands, const std::string& localFolder,
                              const std::string& homeFolder)
{
    using Verb = ScriptCommand::Verb;
    UploadJob job;
    std::string local = app::WithTrailingSlash(localFolder);
    std::string remote = homeFolder.empty() ? "/" : homeFolder;
    for (const ScriptCommand& command : commands) {
        const auto& args = command.args;
        switch (command.verb) {
        case Verb::Binary:
            break;
        case Verb::Lcd:
            local = app::WithTrailingSlash(ResolveLocalPath(local, args[0]));
            break;
        case Verb::Mkdir:
            if (!args.empty()) // an empty setting: nothing to make
                job.folders.push_back(ResolveRemotePath(remote, args[0]));
            break;
        case Verb::Cd:
            if (!args.empty())
                remote = ResolveRemotePath(remote, args[0]);
            break;
        case Verb::Put: {
            const std::string name = args.size() == 2 ? args[1] : app::FileNameOfPath(args[0]);
            if (job.recordFolder.empty())
                job.recordFolder = app::WithTrailingSlash(remote);
            job.puts.push_back({ResolveLocalPath(local, args[0]), ResolveRemotePath(remote, name)});
            break;
        }
        }
    }
    return job;
}

SyncReport RunScriptAsSync(const std::vector<ScriptCommand>& commands, const std::string& localFolder,
                           RemoteFs& primary, const RemoteFsFactory& more, const SyncSettings& settings,
                           const std::function<void(const std::string&)>& output)
{
    const UploadJob job = UploadJobFromScript(commands, localFolder, primary.homeFolder());
    if (job.puts.empty()) {
        output("The script puts no file: nothing to publish.");
        return {};
    }
    output("Publishing to " + job.recordFolder + " (" + std::to_string(job.puts.size()) + " files in the script, " +
           std::to_string(settings.connections) + (settings.connections == 1 ? " connection" : " connections") + ")");
    SyncCallbacks callbacks;
    callbacks.output = output;
    callbacks.progress = [&output](const SyncProgress& progress) { output(ProgressLine(progress)); };
    return RunSync(job, primary, more, settings, callbacks);
}

SyncReport RunScriptOnGit(const std::vector<ScriptCommand>& commands, const std::string& localFolder, GitBranch& branch,
                          const SyncSettings& settings, const std::function<void(const std::string&)>& output)
{
    const UploadJob job = UploadJobFromScript(commands, localFolder, "/");
    if (job.puts.empty()) {
        output("The script puts no file: nothing to publish.");
        return {};
    }
    output("Publishing to " + job.recordFolder + " of the branch (" + std::to_string(job.puts.size()) +
           " files in the script)");
    SyncCallbacks callbacks;
    callbacks.output = output;
    return RunGitSync(job, branch, settings, callbacks);
}

} // namespace qle::publish
