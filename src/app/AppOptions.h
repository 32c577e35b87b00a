// The program's own settings record (the application database's `Options` row), held in memory.
#pragma once

#include "store/Status.h"

#include <string>

namespace qle::app {

struct AppOptions
{
    std::string Company;
    std::string Username;
    std::string FirstUsed;
    std::string LastSite;
    bool AutoLoad = false;
    std::string LocalBaseDir;
};

// Reads the first `Options` record of the application database; a table without rows gives empty values.
Result<AppOptions> LoadAppOptions(const std::string& appDatabasePath);

// Writes the values into the first `Options` record (adding one when the table is empty).
Status SaveAppOptions(const std::string& appDatabasePath, const AppOptions& options);

} // namespace qle::app
