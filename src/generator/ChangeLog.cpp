#include "generator/ChangeLog.h"

#include "app/SiteSchema.h"
#include "store/Database.h"
#include "store/RecordSet.h"

#include <charconv>
#include <map>

namespace qle::generator {

namespace {

std::optional<long long> NumberOf(std::string_view text)
{
    long long number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return number;
}

Result<std::optional<long long>> ReadNumber(store::Database& db, const std::string& sql,
                                            const store::Params& params = {})
{
    auto rows = db.query(sql, params);
    if (!rows)
        return rows.status();
    if (rows->eof() || rows->isNull(0))
        return std::optional<long long>();
    return NumberOf(rows->text(0));
}

// The log's table, its triggers and the index are exactly ours: anything else may log less.
Result<bool> KeptAsWeMakeIt(store::Database& db)
{
    auto rows = db.query("SELECT name, sql FROM sqlite_master WHERE name IN ('Article_Changes', "
                         "'Article_Changes_Insert', 'Article_Changes_Update', 'Article_Changes_Delete', "
                         "'Articles_Category_Section')");
    if (!rows)
        return rows.status();
    std::map<std::string, std::string, std::less<>> have;
    for (; !rows->eof(); (void)rows->next())
        have[std::string(rows->text(0))] = std::string(rows->text(1));
    const auto is = [&have](std::string_view name, std::string_view sql) {
        const auto it = have.find(name);
        return it != have.end() && it->second == sql;
    };
    bool ours = is("Article_Changes", app::kChangeLogTable) && is("Articles_Category_Section", app::kArticlesIndex);
    for (const app::ChangeLogTrigger& trigger : app::kChangeLogTriggers)
        ours = ours && is(trigger.name, trigger.sql);
    return ours;
}

} // namespace

Result<std::optional<LogPosition>> ReadLogPosition(store::Database& db)
{
    auto ours = KeptAsWeMakeIt(db);
    if (!ours)
        return ours.status();
    if (!*ours)
        return std::optional<LogPosition>();
    auto last = db.query("SELECT Seq, hex(Token) FROM Article_Changes ORDER BY Seq DESC LIMIT 1");
    if (!last)
        return last.status();
    if (last->eof())
        return std::optional<LogPosition>();
    LogPosition position;
    const auto seq = NumberOf(last->text(0));
    position.token = std::string(last->text(1));
    // Rows removed from the log's end leave the sequence past its last row.
    auto issued = ReadNumber(db, "SELECT seq FROM sqlite_sequence WHERE name = 'Article_Changes'");
    if (!issued)
        return issued.status();
    if (!seq || !*issued || **issued != *seq || position.token.empty())
        return std::optional<LogPosition>();
    position.seq = *seq;
    auto schema = ReadNumber(db, "PRAGMA schema_version");
    if (!schema)
        return schema.status();
    if (!*schema)
        return std::optional<LogPosition>();
    position.schema = **schema;
    return std::optional<LogPosition>(position);
}

Result<std::optional<std::vector<long long>>> ArticlesChangedSince(store::Database& db, const LogPosition& since,
                                                                   const LogPosition& now)
{
    using Changed = std::optional<std::vector<long long>>;
    if (since.seq <= 0 || since.schema != now.schema || since.seq > now.seq)
        return Changed();
    auto token = db.query("SELECT hex(Token) FROM Article_Changes WHERE Seq = ?", {std::to_string(since.seq)});
    if (!token)
        return token.status();
    if (token->eof() || token->text(0) != since.token)
        return Changed();
    // Seq values are issued one after another; a row removed after `since` leaves a gap.
    auto count = ReadNumber(db, "SELECT count(*) FROM Article_Changes WHERE Seq > ?", {std::to_string(since.seq)});
    if (!count)
        return count.status();
    if (!*count || **count != now.seq - since.seq)
        return Changed();
    auto rows =
        db.query("SELECT DISTINCT ArtID FROM Article_Changes WHERE Seq > ? AND ArtID IS NOT NULL ORDER BY ArtID",
                 {std::to_string(since.seq)});
    if (!rows)
        return rows.status();
    std::vector<long long> changed;
    for (; !rows->eof(); (void)rows->next()) {
        const auto id = NumberOf(rows->text(0));
        if (!id)
            return Changed(); // not an ArtID this program can name
        changed.push_back(*id);
    }
    return Changed(std::move(changed));
}

} // namespace qle::generator
