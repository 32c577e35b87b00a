// The commands of the command-line front end; main.cpp only dispatches to them.
#pragma once

namespace qle::cli {

// quillon publish SITE.qls [--base DIR]: writes the forwarding page, the upload script and the
// batch file from the site's stored settings, carries out the batch file in the foreground and
// returns the upload client's exit status (1 when the publish is abandoned, 2 on bad arguments).
int PublishCommand(int argc, char** argv);

} // namespace qle::cli
