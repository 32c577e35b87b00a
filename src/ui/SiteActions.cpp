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

Status PublishCurrentSite(const FtpFields& ftp, generator::SiteEditor& editor, app::AppState& state,
                          app::UserInterface& ui)
{
    publish::PublishJob job;
    job.ftp.server = ftp.server;
    job.ftp.userName = ftp.userName;
    job.ftp.password = ftp.password;
    job.ftp.root = ftp.root;
    job.ftp.dir = ftp.dir;
    job.baseFolder = app::BaseFolder(state.options);
    job.webFolder = app::WebFolder(job.baseFolder);
    job.sitePath = state.currentSitePath;
    // The program itself, not the shipped files' folder, which differs once installed.
    const std::string executableFolder = app::ExecutableFolder();
    // The upload runs in a console window of its own; the editor does not wait for it.
    return publish::PublishSite(job, editor, ui, [&ui, executableFolder](const std::string& batchFile) {
        return ui.startProgram(ConsoleCommand(executableFolder, batchFile));
    });
}

std::vector<std::string> ConsoleCommand(const std::string& programFolder, const std::string& batchFile)
{
    return {app::JoinPath(programFolder, "quillon-engine"), "--console", batchFile};
}

} // namespace qle::ui
