#include "ui/SiteActions.h"

#include "app/Folders.h"
#include "app/Paths.h"
#include "app/StartUp.h"
#include "app/UserInterface.h"
#include "generator/CreateWebSite.h"
#include "generator/SiteEditor.h"
#include "publish/Publisher.h"

namespace qle::ui {

Status BuildSite(generator::SiteEditor& editor, app::AppState& state)
{
    const std::string webFolder = app::WebFolder(app::BaseFolder(state.options));
    return generator::UpdateSite(editor, state.currentSitePath, webFolder);
}

Status PublishCurrentSite(const publish::FtpSettings& ftp, generator::SiteEditor& editor, app::AppState& state,
                          app::UserInterface& ui)
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
    return publish::PublishSite(job, editor, ui, [&ui, executableFolder, clientOptions](const std::string& batchFile) {
        return ui.startProgram(ConsoleCommand(executableFolder, batchFile, clientOptions));
    });
}

std::vector<std::string> ConsoleCommand(const std::string& programFolder, const std::string& batchFile,
                                        const std::vector<std::string>& clientOptions)
{
    std::vector<std::string> command = {app::JoinPath(programFolder, "quillon-engine"), "--console"};
    command.insert(command.end(), clientOptions.begin(), clientOptions.end());
    command.push_back(batchFile);
    return command;
}

} // namespace qle::ui
