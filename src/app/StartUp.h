// Program-wide state and the part of start-up that needs no window.
#pragma once

#include "app/AppOptions.h"
#include "store/Status.h"

#include <string>

namespace qle::app {

struct AppState
{
    std::string programFolder;   // folder of the program and its shipped files, ending in '/'
    std::string appDatabasePath; // AppDatabasePath
    AppOptions options;          // in-memory copy of the application Options record
    Status optionsStatus;        // why the record could not be read, when it could not
    std::string currentSitePath; // CurrentSitePath: empty until a site is opened
};

// Steps 1 and 2 of start-up: the application database path and its Options record. A record that
// cannot be read leaves the options empty (the base folder then takes its default).
AppState LoadAppState(const std::string& programFolder);

// Makes the base folder and the tree below it, parents first. Running it again changes nothing.
// The error names the folder that could not be made and why.
Status MakeFolderTree(AppOptions& options);

// LoadAppState then MakeFolderTree.
Status StartUp(AppState& state, const std::string& programFolder);

} // namespace qle::app
