// Look-ups in the application database.
#pragma once

#include "store/Status.h"

#include <string>
#include <vector>

namespace qle::app {

// The `field1` column of every row that the statement returns from the application database,
// in the order returned; the caller appends them to its list.
Result<std::vector<std::string>> FillListFromQuery(const std::string& appDatabasePath, const std::string& sql);

// The `filename` of every row of `last_5_sites`, first row first, duplicates included.
Result<std::vector<std::string>> RecentSites(const std::string& appDatabasePath);

// The recent list keeps this many sites.
inline constexpr std::size_t kRecentSites = 5;

// Puts the site first in `last_5_sites`: most recent first, each path once, at most kRecentSites.
// The error names the application database.
Status RecordRecentSite(const std::string& appDatabasePath, const std::string& sitePath);

// A value the program remembers between runs (`Settings`), by name; NotFound when none is kept, or
// when the application database is older than the table.
Result<std::string> ReadSetting(const std::string& appDatabasePath, const std::string& name);

// Keeps a value under the name, replacing the one kept before; makes the table when missing.
Status WriteSetting(const std::string& appDatabasePath, const std::string& name, const std::string& value);

} // namespace qle::app
