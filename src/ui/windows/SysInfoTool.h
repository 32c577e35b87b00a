// Starting the desktop's system-information tool from the About window.
#pragma once

#include <string>
#include <vector>

namespace qle::app {
class UserInterface;
}

namespace qle::ui {

// The command line of the first system-information tool found on the search path, or empty when
// none is installed. Tools of the common desktops come first, then stand-alone ones.
std::vector<std::string> FindSysInfoTool();

// Starts the tool without waiting; when none is installed or it cannot be started, shows
// "System Information Is Unavailable At This Time".
void StartSysInfo(app::UserInterface& ui);

} // namespace qle::ui
