// Publishing the last site built: the forwarding page, the upload script and the batch file, and
// handing the batch file to a console that carries it out.
#pragma once

#include "publish/script/FtpSettings.h"
#include "store/Status.h"

#include <functional>
#include <string>
#include <vector>

namespace qle::app {
class UserInterface;
}
namespace qle::generator {
class SiteEditor;
}

namespace qle::publish {

// Starts something that carries out the batch file; false when it cannot be started.
using ConsoleLauncher = std::function<bool(const std::string& batchFile)>;

// The launcher used when none is given: starts `consoleProgram BATCHFILE` through
// `ui.startProgram`, without waiting. `ui` must outlive the launcher.
ConsoleLauncher DetachedConsole(app::UserInterface& ui, const std::string& consoleProgram);

// The folder's put block (see PutBlock): its regular files sorted by name, dot files included, the
// folder routines' marker file left out. Links, sub-folders and names the script cannot carry
// (control characters, '"') are left out and their paths added to `skipped` when given. Fails
// when the folder cannot be listed; the error names the folder.
Result<std::string> PutLinesForFolder(const std::string& folder, std::vector<std::string>* skipped = nullptr);

// Writes the forwarding page `Index.htm` into the web folder, replacing any earlier one, and
// returns its full path. An empty address writes nothing and returns the empty text.
Result<std::string> WriteForwardingPage(const std::string& address, const std::string& webFolder);

// Writes the forwarding page (of a Classic site: a Modern build wrote its own), the upload script
// (readable by its owner only) and the batch file, and returns the batch file's path. Everything
// is checked before the first file is written: no site open, a web folder whose last build did not
// complete or was of another site (see CheckBuiltSite), a build under way and a homepage that
// cannot be looked up write nothing.
// Holds the base folder's lock while the web folder is read. Files left out of the upload are
// added to `skipped` (see PutLinesForFolder). May save a corrected homepage through the editor
// (see HomePagePath).
Result<std::string> WriteFtpFiles(const PublishJob& job, generator::SiteEditor& editor,
                                  std::vector<std::string>* skipped = nullptr);

// WriteFtpFiles (telling the author of any file left out), then starts the console on the batch file through `launch`
// (DetachedConsole with the `quillon-console` beside the running program when empty). Does not wait for the upload.
// When the publish is abandoned the author is told why and what to do, nothing is started, and the returned Status says
// the same.
Status PublishSite(const PublishJob& job, generator::SiteEditor& editor, app::UserInterface& ui,
                   const ConsoleLauncher& launch = {});

} // namespace qle::publish
