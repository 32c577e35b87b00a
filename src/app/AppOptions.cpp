#include "app/AppOptions.h"

#include "store/Database.h"
#include "store/RecordSet.h"

namespace qle::app {

using store::Database;
using store::TextOf;

Result<AppOptions> LoadAppOptions(const std::string& appDatabasePath)
{
    auto db = Database::open(appDatabasePath);
    if (!db)
        return db.status();
    auto rs = db->query("select * from [Options]");
    if (!rs)
        return rs.status();
    AppOptions options;
    if (rs->eof())
        return options;
    options.Company = TextOf(rs->field("Company"));
    options.Username = TextOf(rs->field("Username"));
    options.FirstUsed = TextOf(rs->field("FirstUsed"));
    options.LastSite = TextOf(rs->field("LastSite"));
    const std::string autoLoad = TextOf(rs->field("AutoLoad"));
    options.AutoLoad = !autoLoad.empty() && autoLoad != "0";
    options.LocalBaseDir = TextOf(rs->field("LocalBaseDir"));
    return options;
}

Status SaveAppOptions(const std::string& appDatabasePath, const AppOptions& options)
{
    auto db = Database::open(appDatabasePath);
    if (!db)
        return db.status();
    const store::Fields fields = {
        {"Company", options.Company},
        {"Username", options.Username},
        {"FirstUsed", options.FirstUsed},
        {"LastSite", options.LastSite},
        {"AutoLoad", options.AutoLoad ? "1" : "0"},
        {"LocalBaseDir", options.LocalBaseDir},
    };
    auto rs = db->query("SELECT rowid FROM Options ORDER BY rowid LIMIT 1");
    if (!rs)
        return rs.status();
    if (rs->eof())
        return db->insert("Options", fields).status();
    const std::int64_t rowid = std::stoll(TextOf(rs->field(0)));
    return db->update("Options", rowid, fields);
}

} // namespace qle::app
