#include "ui/SiteActions.h"

#include "app/Folders.h"
#include "app/Paths.h"
#include "app/StartUp.h"
#include "app/UserInterface.h"
#include "generator/SiteEditor.h"

namespace qle::ui {

Status BuildSite(generator::SiteEditor&, app::AppState&)
{
    return Status::NotFound("The site builder is not part of this build");
}

Status PublishCurrentSite(const FtpFields&, generator::SiteEditor&, app::AppState&, app::UserInterface&)
{
    return Status::NotFound("The publisher is not part of this build");
}

std::vector<std::string> ConsoleCommand(const std::string& programFolder, const std::string& batchFile)
{
    return {app::JoinPath(programFolder, "quillon-engine"), "--console", batchFile};
}

} // namespace qle::ui
