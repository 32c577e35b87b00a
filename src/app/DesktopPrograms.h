// Finding and starting the desktop programs the windows hand work to: the system-information
// tool and a picture editor.
#pragma once

#include "app/UserInterface.h"

#include <string>
#include <vector>

namespace qle::app {

// The full path of an executable file named `name` in a folder of the search path (PATH), or
// empty text. A name with a '/' is taken as a path.
std::string FindProgram(const std::string& name);

// The first command line whose program is installed, with the program's full path; empty when
// none is.
std::vector<std::string> FirstInstalled(const std::vector<std::vector<std::string>>& candidates);

// The system-information tool: the common desktops' own first, then stand-alone ones.
std::vector<std::string> FindSysInfoTool();

// A picture editor for a new banner: simple paint programs first, then the larger editors. The
// picture's path is appended to the command line.
std::vector<std::string> FindImageEditor();

// Starts the system-information tool without waiting; when none is installed or it cannot be
// started, shows "System Information Is Unavailable At This Time".
void StartSysInfo(UserInterface& ui);

} // namespace qle::app
