#include "ui/SiteActions.h"

#include "app/Folders.h"
#include "app/Paths.h"
#include "app/StartUp.h"
#include "app/UserInterface.h"
#include "generator/CreateWebSite.h"
#include "generator/SiteEditor.h"
#include "publish/client/Publisher.h"

namespace qle::ui {

Status BuildSite(generator::SiteEditor& editor, app::AppState& state)
{
    const std::string webFolder = app::WebFolder(app::BaseFolder(state.options));
    return generator::UpdateSite(editor, state.currentSitePath, webFolder);
}

Status BuildBeforePublishing(generator::SiteEditor& editor, app::AppState& state, bool saveEdits)
{
    const std::string webFolder = app::WebFolder(app::BaseFolder(state.options));
    return generator::BuildIfChanged(editor, state.currentSitePath, webFolder, saveEdits);
}

Status PublishCurrentSite(const publish::FtpSettings& ftp, generator::SiteEditor& editor, app::AppState& state,
                          app::UserInterface& ui, const SecretPrompt& askSecret, const std::string& over)
{
    publish::PublishJob job;
    job.ftp = ftp;
    job.baseFolder = app::BaseFolder(state.options);
    job.webFolder = app::WebFolder(job.baseFolder);
    job.sitePath = state.currentSitePath;
    job.programFolder = state.programFolder;
    // The program itself, not the shipped files' folder, which differs once installed.
    const std::string executableFolder = app::ExecutableFolder();
    // The upload runs in a console window of its own; the editor does not wait for it.
    const std::vector<std::string> clientOptions = publish::ClientOptions(ftp);
    return publish::PublishSite(
        job, editor, ui, [&ui, &askSecret, executableFolder, clientOptions, over](const std::string& batchFile) {
            // Asked only now, so that a site that cannot be published never asks for a password.
            const auto secret = askSecret ? askSecret() : std::optional<std::string>(std::string());
            if (!secret)
                return true; // the author cancelled: nothing to start, and nothing went wrong
            if (secret->empty())
                return ui.startProgram(ConsoleCommand(executableFolder, batchFile, false, clientOptions, over));
            return ui.startProgramWithSecret(ConsoleCommand(executableFolder, batchFile, true, clientOptions, over),
                                             *secret);
        });
}

std::vector<std::string> ConsoleCommand(const std::string& programFolder, const std::string& batchFile, bool secretFd,
                                        const std::vector<std::string>& clientOptions, const std::string& over)
{
    std::vector<std::string> command = {app::JoinPath(programFolder, "quillon-engine"), "--console", batchFile};
    if (!over.empty())
        command.insert(command.end(), {"--over", over});
    if (secretFd)
        command.insert(command.end(), {"--secret-fd", "3"});
    command.insert(command.end(), clientOptions.begin(), clientOptions.end());
    return command;
}

} // namespace qle::ui
