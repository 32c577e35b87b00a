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

// The per-user copy of the application database, for a program installed where its user cannot
// write: $HOME/.local/share/quillon-engine/Quillon Engine.mdb.
std::string UserAppDatabasePath();

// Which application database the program works on: the shipped one in the program folder while
// that folder and file can be written (a program run from its build or unpacked folder), else the
// per-user copy, made from the shipped one when there is none yet (its folder too). The error names
// the copy that could not be made.
Result<std::string> AppDatabaseInUse(const std::string& programFolder, const std::string& userCopy,
                                     bool programFolderWritable);

// True when the program folder and its application database can both be written.
bool ProgramFolderWritable(const std::string& programFolder);

// Steps 1 and 2 of start-up: the application database in use (AppDatabaseInUse) and its Options
// record. A record that cannot be read leaves the options empty (the base folder then takes its
// default) and `optionsStatus` says why, for the caller to report. A given `appDatabase` is used
// as it is instead.
AppState LoadAppState(const std::string& programFolder, const std::string& appDatabase = {});

// Makes the base folder and the tree below it, parents first. Running it again changes nothing.
// The error names the folder that could not be made and why.
Status MakeFolderTree(AppOptions& options);

// LoadAppState then MakeFolderTree.
Status StartUp(AppState& state, const std::string& programFolder, const std::string& appDatabase = {});

} // namespace qle::app
