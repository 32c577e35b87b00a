#include "app/AppQueries.h"

#include "store/Database.h"
#include "store/RecordSet.h"

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

} // namespace qle::app
