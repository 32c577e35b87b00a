// Reading the log of changes to `Articles` that the site file keeps (app::kChangeLogTable): where it
// stands now, and which articles changed since a build recorded where it stood.
#pragma once

#include "store/Status.h"

#include <optional>
#include <string>
#include <vector>

namespace qle::store {
class Database;
}

namespace qle::generator {

// Where the log stood when a build read the site file.
struct LogPosition
{
    long long seq = 0;     // the last row's Seq
    std::string token;     // that row's Token, in hex
    long long schema = -1; // the file's schema version: any table, view or trigger made or dropped changes it

    bool operator==(const LogPosition&) const = default;
};

// The log's last row, when the file keeps the log exactly as this program makes it (the table, its
// triggers and the index of `Articles`) and no row was removed from its end; nullopt otherwise
// (then nothing can be known from the log). Read it in the transaction the site is read in.
Result<std::optional<LogPosition>> ReadLogPosition(store::Database& db);

// The ArtIDs logged after `since`, in ascending order, each once, when the log `now` (ReadLogPosition)
// still holds `since` in its history: its row with its token, every row after it, the same schema.
// nullopt otherwise (a file restored from a backup, a log emptied by hand, another file): then
// any article may have changed.
Result<std::optional<std::vector<long long>>> ArticlesChangedSince(store::Database& db, const LogPosition& since,
                                                                   const LogPosition& now);

} // namespace qle::generator
