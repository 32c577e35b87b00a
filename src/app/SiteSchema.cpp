#include "app/SiteSchema.h"

#include "app/Paths.h"
#include "store/Database.h"
#include "store/RecordSet.h"

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

namespace qle::app {

namespace {

using Fields = std::vector<std::pair<std::string, std::string>>; // name, declared type

Result<std::map<std::string, std::string>> Views(store::Database& db)
{
    auto rows = db.query("SELECT name, sql FROM sqlite_master WHERE type = 'view'");
    if (!rows)
        return rows.status();
    std::map<std::string, std::string> views;
    for (; !rows->eof(); (void)rows->next())
        views[std::string(rows->text(0))] = std::string(rows->text(1));
    return views;
}

Result<Fields> OptionsFields(store::Database& db)
{
    auto rows = db.query("SELECT name, type FROM pragma_table_info('Options')");
    if (!rows)
        return rows.status();
    Fields fields;
    for (; !rows->eof(); (void)rows->next())
        fields.emplace_back(std::string(rows->text(0)), std::string(rows->text(1)));
    return fields;
}

// Field names are matched without regard to ASCII letter case, as SQLite does.
bool SameName(const std::string& a, const std::string& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

bool HasField(const Fields& fields, const std::string& name)
{
    return std::any_of(fields.begin(), fields.end(), [&](const auto& field) { return SameName(field.first, name); });
}

// What the change log needs that the file lacks; nothing for a file whose `Articles` has no ArtID.
Result<std::vector<std::string>> ChangeLogChanges(store::Database& db)
{
    auto articles = db.query("SELECT 1 FROM pragma_table_info('Articles') WHERE name = 'ArtID' COLLATE NOCASE");
    if (!articles)
        return articles.status();
    std::vector<std::string> changes;
    if (articles->eof())
        return changes;
    auto rows = db.query("SELECT name, sql FROM sqlite_master WHERE type IN ('table', 'trigger', 'index')");
    if (!rows)
        return rows.status();
    std::map<std::string, std::string> have;
    for (; !rows->eof(); (void)rows->next())
        have[std::string(rows->text(0))] = std::string(rows->text(1));
    if (!have.contains("Article_Changes")) {
        changes.emplace_back(kChangeLogTable);
        changes.emplace_back(kChangeLogStart);
    }
    for (const ChangeLogTrigger& trigger : kChangeLogTriggers) {
        const auto it = have.find(std::string(trigger.name));
        if (it != have.end() && it->second == trigger.sql)
            continue;
        if (it != have.end())
            changes.push_back("DROP TRIGGER " + store::QuoteIdentifier(std::string(trigger.name)));
        changes.emplace_back(trigger.sql);
    }
    if (!have.contains("Articles_Category_Section"))
        changes.emplace_back(kArticlesIndex);
    return changes;
}

// Runs the statements in one transaction; none of them is kept unless all succeed.
Status ApplyAll(store::Database& db, const std::vector<std::string>& statements)
{
    if (statements.empty())
        return Status::OK();
    store::Database::Transaction transaction(db);
    Status status = transaction.begin();
    for (const auto& sql : statements)
        if (status.ok())
            status = db.execute(sql);
    if (status.ok())
        status = transaction.commit();
    return status;
}

} // namespace

Status CheckSiteFile(store::Database& db)
{
    auto rows = db.query("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'Options' COLLATE NOCASE");
    if (!rows)
        return rows.status();
    if (rows->eof())
        return Status::InvalidArgument(db.path() + " is not a Quillon Engine site (no Options table)");
    return Status::OK();
}

std::string TemplateSitePath(const std::string& programFolder)
{
    return JoinPath(programFolder, "Blank Site.qls");
}

Status UpgradeSiteFile(const std::string& sitePath, const std::string& templatePath)
{
    auto shipped = store::Database::open(templatePath);
    if (!shipped)
        return shipped.status();
    auto site = store::Database::open(sitePath);
    if (!site)
        return site.status();

    const auto context = "Bringing " + sitePath + " up to date";
    auto wantedViews = Views(*shipped);
    auto haveViews = Views(*site);
    auto wantedFields = OptionsFields(*shipped);
    auto haveFields = OptionsFields(*site);
    auto logChanges = ChangeLogChanges(*site);
    for (const Status& status :
         {wantedViews.status(), haveViews.status(), wantedFields.status(), haveFields.status(), logChanges.status()})
        if (!status.ok())
            return status.withContext(context);
    if (haveFields->empty())
        return CheckSiteFile(*site);

    std::vector<std::string> changes;
    for (const auto& [name, type] : *wantedFields)
        if (!HasField(*haveFields, name))
            changes.push_back("ALTER TABLE Options ADD COLUMN " + store::QuoteIdentifier(name) + " " + type);
    for (const auto& [name, sql] : *wantedViews) {
        auto have = haveViews->find(name);
        if (have != haveViews->end() && have->second == sql)
            continue;
        if (have != haveViews->end())
            changes.push_back("DROP VIEW " + store::QuoteIdentifier(name));
        changes.push_back(sql);
    }
    // All or nothing: a site file is never left with some views dropped and not made again.
    if (Status s = ApplyAll(*site, changes); !s.ok())
        return s.withContext(context);
    // The log only spares rebuilds reading every article: a file that cannot take it (read-only,
    // held by another program) still opens and builds, reading everything, and gets it next time.
    (void)ApplyAll(*site, *logChanges);
    return Status::OK();
}

} // namespace qle::app
