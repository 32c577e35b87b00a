#include "app/AppQueries.h"

#include "store/Database.h"
#include "store/RecordSet.h"

#include <algorithm>

namespace qle::app {

namespace {

Result<std::vector<std::string>> Column(const std::string& appDatabasePath, const std::string& sql, const char* column)
{
    auto db = store::Database::open(appDatabasePath);
    if (!db)
        return db.status();
    auto rs = db->query(sql);
    if (!rs)
        return rs.status();
    if (Status s = rs->requireFields({column}); !s.ok())
        return s;
    std::vector<std::string> values;
    const int index = rs->columnIndex(column);
    while (!rs->eof()) {
        values.emplace_back(rs->text(index));
        if (Status s = rs->next(); !s.ok())
            return s;
    }
    return values;
}

} // namespace

Result<std::vector<std::string>> FillListFromQuery(const std::string& appDatabasePath, const std::string& sql)
{
    return Column(appDatabasePath, sql, "field1");
}

Result<std::vector<std::string>> RecentSites(const std::string& appDatabasePath)
{
    return Column(appDatabasePath, "select * from last_5_sites", "filename");
}

Status RecordRecentSite(const std::string& appDatabasePath, const std::string& sitePath)
{
    auto recent = RecentSites(appDatabasePath);
    if (!recent)
        return recent.status();
    std::vector<std::string> sites {sitePath};
    for (const std::string& site : recent.value())
        if (sites.size() < kRecentSites && std::find(sites.begin(), sites.end(), site) == sites.end())
            sites.push_back(site);
    auto db = store::Database::open(appDatabasePath);
    if (!db)
        return db.status();
    // The table has no order of its own: rows are rewritten in list order, read back in rowid order.
    store::Database::Transaction transaction(*db);
    if (Status s = transaction.begin(); !s.ok())
        return s;
    if (Status s = db->execute("DELETE FROM last_5_sites"); !s.ok())
        return s;
    for (const std::string& site : sites)
        if (Status s = db->execute("INSERT INTO last_5_sites (filename) VALUES (?)", {site}); !s.ok())
            return s;
    return transaction.commit();
}

Result<std::string> ReadSetting(const std::string& appDatabasePath, const std::string& name)
{
    auto db = store::Database::open(appDatabasePath);
    if (!db)
        return db.status();
    auto table = db->query("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'Settings'");
    if (!table)
        return table.status();
    if (table->eof())
        return Status::NotFound("No setting " + name + " is kept");
    auto rs = db->query("SELECT Value FROM Settings WHERE Name = ?", {name});
    if (!rs)
        return rs.status();
    if (rs->eof())
        return Status::NotFound("No setting " + name + " is kept");
    return std::string(rs->text(0));
}

Status WriteSetting(const std::string& appDatabasePath, const std::string& name, const std::string& value)
{
    auto db = store::Database::open(appDatabasePath);
    if (!db)
        return db.status();
    if (Status s = db->execute("CREATE TABLE IF NOT EXISTS Settings (Name TEXT PRIMARY KEY, Value TEXT)"); !s.ok())
        return s;
    return db->execute("INSERT OR REPLACE INTO Settings (Name, Value) VALUES (?, ?)", {name, value});
}

} // namespace qle::app
