// The one place the windows call into the site build and the publisher.
#pragma once

#include "publish/script/FtpSettings.h"
#include "store/Status.h"

#include <functional>
#include <optional>
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

// What publishing runs first: builds the current site through the editor when the web folder does
// not hold a build of it as it is stored now (BuildIfChanged); `saveEdits` as for UpdateSite.
Status BuildBeforePublishing(generator::SiteEditor& editor, app::AppState& state, bool saveEdits);

// Asks for a password or passphrase the site does not store: empty text when none is needed,
// nothing when the author cancelled.
using SecretPrompt = std::function<std::optional<std::string>()>;

// Writes the upload files of the current site and starts the console window of the upload
// (`quillon-engine --console BATCHFILE [--secret-fd N] [OPTIONS]`, the options those of the upload
// client for `ftp`) without waiting for it. Once the files are written,
// `askSecret` (when given) is asked, and its answer handed to the console by descriptor; if the
// author cancels there nothing is started. The author has been told when the publish is abandoned;
// the Status says the same.
// `over` ("x,y,width,height") is the main window's place, which the console opens centred over.
Status PublishCurrentSite(const publish::FtpSettings& ftp, generator::SiteEditor& editor, app::AppState& state,
                          app::UserInterface& ui, const SecretPrompt& askSecret = {}, const std::string& over = {});

// The command line of the console window for a batch file; with `secretFd` it reads a secret there.
// The client options are passed on to the upload client. With `over` the console opens centred over
// that place of the screen ("--over x,y,width,height").
std::vector<std::string> ConsoleCommand(const std::string& programFolder, const std::string& batchFile,
                                        bool secretFd = false, const std::vector<std::string>& clientOptions = {},
                                        const std::string& over = {});

} // namespace qle::ui
