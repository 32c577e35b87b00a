// The one place the windows call into the site build and the publisher.
#pragma once

#include "publish/FtpSettings.h"
#include "store/Status.h"

#include <string>
#include <vector>

namespace qle::app {
struct AppState;
class UserInterface;
} // namespace qle::app
namespace qle::generator {
class SiteEditor;
}

namespace qle::ui {

// Runs the whole build of the current site through the editor (UpdateSite): saves both sources,
// writes every page into the web folder and points the editor's browser at the homepage.
Status BuildSite(generator::SiteEditor& editor, app::AppState& state);

// Writes the upload files of the current site and starts the console window of the upload
// (`quillon-engine --console [OPTIONS] BATCHFILE`, the options those of the upload client for
// `ftp`) without waiting for it. The author has been told when the
// publish is abandoned; the Status says the same.
Status PublishCurrentSite(const publish::FtpSettings& ftp, generator::SiteEditor& editor, app::AppState& state,
                          app::UserInterface& ui);

// The command line of the console window for a batch file, passing the client options on.
std::vector<std::string> ConsoleCommand(const std::string& programFolder, const std::string& batchFile,
                                        const std::vector<std::string>& clientOptions = {});

} // namespace qle::ui
