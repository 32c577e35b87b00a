// Bringing a site file made by an earlier version up to date with the shipped template site.
#pragma once

#include "store/Status.h"

#include <string>

namespace qle::store {
class Database;
}

namespace qle::app {

// Fails, naming the file, when the database has no `Options` table: a database of another kind.
Status CheckSiteFile(store::Database& db);

// Makes the site file's saved queries (views) those of the template, and adds to its `Options`
// table every field the template has and the site lacks (left empty, which each field reads as
// its default). Nothing else in the file changes, and a file that is already current is not
// written at all. The error names the site file.
Status UpgradeSiteFile(const std::string& sitePath, const std::string& templatePath);

// The template site shipped in the given program folder.
std::string TemplateSitePath(const std::string& programFolder);

} // namespace qle::app
