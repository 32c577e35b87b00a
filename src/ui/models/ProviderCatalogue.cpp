#include "ui/models/ProviderCatalogue.h"

#include "store/Database.h"
#include "store/RecordSet.h"

namespace qle::ui {

Result<std::vector<ProviderRecord>> FindProviders(const std::string& appDatabasePath, const std::string& name)
{
    auto db = store::Database::open(appDatabasePath);
    if (!db)
        return db.status();
    auto rs = db->query("select * from providers where provider=?", {name});
    if (!rs)
        return rs.status();
    std::vector<ProviderRecord> rows;
    while (!rs->eof()) {
        ProviderRecord row;
        row.provider = store::TextOf(rs->field("provider"));
        row.ftpServer = store::TextOf(rs->field("ftp_server"));
        row.root = store::TextOf(rs->field("Root"));
        row.yourpage = store::TextOf(rs->field("Yourpage"));
        row.description = store::TextOf(rs->field("Description"));
        row.homepage = store::TextOf(rs->field("Homepage"));
        row.joiningPage = store::TextOf(rs->field("Joining_Page"));
        row.protocol = store::TextOf(rs->field("Protocol"));
        row.branch = store::TextOf(rs->field("Branch"));
        rows.push_back(std::move(row));
        if (Status s = rs->next(); !s.ok())
            return s;
    }
    return rows;
}

} // namespace qle::ui
