// Bringing a site file made by an earlier version up to date with the shipped template site.
#pragma once

#include "store/Status.h"

#include <string>
#include <string_view>

namespace qle::store {
class Database;
}

namespace qle::app {

// Fails, naming the file, when the database has no `Options` table: a database of another kind.
Status CheckSiteFile(store::Database& db);

// The log of changes to `Articles` that the site file keeps itself, so that every writer (this
// program, an earlier version, any SQLite tool) is caught: each row added, changed or deleted adds
// a row naming its ArtID (an ArtID changed: both) with a random token. A rebuild reads only the
// rows logged since the last build, and the site's state is the log's last row.
inline constexpr std::string_view kChangeLogTable =
    "CREATE TABLE Article_Changes (Seq INTEGER PRIMARY KEY AUTOINCREMENT, ArtID INTEGER, Token BLOB)";
struct ChangeLogTrigger
{
    std::string_view name;
    std::string_view sql;
};
inline constexpr ChangeLogTrigger kChangeLogTriggers[] = {
    {"Article_Changes_Insert", "CREATE TRIGGER Article_Changes_Insert AFTER INSERT ON Articles BEGIN "
                               "INSERT INTO Article_Changes (ArtID, Token) VALUES (NEW.ArtID, randomblob(8)); END"},
    {"Article_Changes_Update",
     "CREATE TRIGGER Article_Changes_Update AFTER UPDATE ON Articles BEGIN "
     "INSERT INTO Article_Changes (ArtID, Token) SELECT OLD.ArtID, randomblob(8) WHERE OLD.ArtID IS NOT NEW.ArtID; "
     "INSERT INTO Article_Changes (ArtID, Token) VALUES (NEW.ArtID, randomblob(8)); END"},
    {"Article_Changes_Delete", "CREATE TRIGGER Article_Changes_Delete AFTER DELETE ON Articles BEGIN "
                               "INSERT INTO Article_Changes (ArtID, Token) VALUES (OLD.ArtID, randomblob(8)); END"},
};
// The first row of a new log, so that a log is never empty: a build records the last row it saw.
inline constexpr std::string_view kChangeLogStart =
    "INSERT INTO Article_Changes (ArtID, Token) VALUES (NULL, randomblob(8))";
// The lists read a category's or a section's articles, and their grouping, from this index.
inline constexpr std::string_view kArticlesIndex =
    "CREATE INDEX Articles_Category_Section ON Articles (Category, Section)";

// Makes the site file's saved queries (views) those of the template, and adds to its `Options`
// table every field the template has and the site lacks (left empty, which each field reads as
// its default). Adds the change log (table, first row, triggers) and the index of `Articles` where
// missing, and makes a trigger that differs from ours ours again; a file that cannot be written
// keeps working without them. Nothing else in the file changes, and a file that is already current
// is not written at all. The error names the site file.
Status UpgradeSiteFile(const std::string& sitePath, const std::string& templatePath);

// The template site shipped in the given program folder.
std::string TemplateSitePath(const std::string& programFolder);

} // namespace qle::app
