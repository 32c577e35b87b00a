#include "publish/client/ScriptJob.h"

#include "app/Paths.h"
#include "publish/script/FtpScript.h"
#include "publish/sync/SyncText.h"

namespace qle::publish {

UploadJob UploadJobFromScript(const std::vector<std::string>& commandLines, const std::string& localFolder,
                              const std::string& homeFolder, const std::function<void(const std::string&)>& report)
{
    UploadJob job;
    std::string local = app::WithTrailingSlash(localFolder);
    std::string remote = homeFolder.empty() ? "/" : homeFolder;
    for (const std::string& line : commandLines) {
        const auto words = SplitScriptLine(line);
        if (words.empty())
            continue;
        const std::string verb = ScriptVerb(words[0]);
        const std::size_t args = words.size() - 1;
        if (verb == "quit" || verb == "bye" || verb == "close")
            break;
        if (verb == "binary") {
            continue;
        } else if (verb == "lcd" && args == 1) {
            local = app::WithTrailingSlash(ResolveLocalPath(local, words[1]));
        } else if (verb == "mkdir" && args == 1) {
            job.folders.push_back(ResolveRemotePath(remote, words[1]));
        } else if (verb == "mkdir" && args == 0) {
            // An empty root setting: nothing to make.
        } else if (verb == "cd" && args <= 1) {
            if (args == 1)
                remote = ResolveRemotePath(remote, words[1]);
        } else if (verb == "put" && (args == 1 || args == 2) && !words[1].empty()) {
            const std::string name = args == 2 ? words[2] : app::FileNameOfPath(words[1]);
            if (job.recordFolder.empty())
                job.recordFolder = app::WithTrailingSlash(remote);
            job.puts.push_back({ResolveLocalPath(local, words[1]), ResolveRemotePath(remote, name)});
        } else {
            report("Not understood, skipped: " + line);
        }
    }
    return job;
}

SyncReport RunScriptAsSync(const std::vector<std::string>& commandLines, const std::string& localFolder,
                           RemoteFs& primary, const RemoteFsFactory& more, const SyncSettings& settings,
                           const std::function<void(const std::string&)>& output)
{
    const UploadJob job = UploadJobFromScript(commandLines, localFolder, primary.homeFolder(), output);
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

} // namespace qle::publish
