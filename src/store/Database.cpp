#include "store/Database.h"

#include "store/RecordSet.h"

#include <sqlite3.h>

#include <cstring>
#include <fstream>
#include <sys/stat.h>

namespace qle::store {

namespace {

// Every SQLite file begins with these 16 bytes.
constexpr char kSqliteHeader[16] = {'S', 'Q', 'L', 'i', 't', 'e', ' ', 'f', 'o', 'r', 'm', 'a', 't', ' ', '3', '\0'};

bool IsBareName(const std::string& source)
{
    if (source.empty())
        return false;
    for (char c : source) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        if (!ok)
            return false;
    }
    return true;
}

Status Bind(sqlite3_stmt* stmt, const Params& params)
{
    for (std::size_t i = 0; i < params.size(); ++i) {
        const int index = static_cast<int>(i) + 1;
        const int rc = params[i] ? sqlite3_bind_text(stmt, index, params[i]->data(),
                                                     static_cast<int>(params[i]->size()), SQLITE_TRANSIENT)
                                 : sqlite3_bind_null(stmt, index);
        if (rc != SQLITE_OK)
            return Status::DatabaseError("cannot bind value " + std::to_string(index) + ": " + sqlite3_errstr(rc));
    }
    return Status::OK();
}

} // namespace

Status DatabaseFailure(sqlite3* db, const std::string& path, const std::string& what)
{
    // Another program holding the file is the common case; it needs words an author can act on.
    const int code = sqlite3_errcode(db) & 0xFF;
    if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
        return Status::DatabaseError(path + " is in use by another program; close it there and try again");
    return Status::DatabaseError(what + ": " + sqlite3_errmsg(db));
}

std::string QuoteIdentifier(const std::string& name)
{
    std::string quoted = "\"";
    for (char c : name) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    quoted += '"';
    return quoted;
}

void Database::Closer::operator()(sqlite3* db) const
{
    sqlite3_close_v2(db);
}

Database::Database(std::unique_ptr<sqlite3, Closer> db, std::string path)
    : m_db(std::move(db))
    , m_path(std::move(path))
{
}

Database::Database(Database&&) noexcept = default;
Database& Database::operator=(Database&&) noexcept = default;
Database::~Database() = default;

Result<Database> Database::open(const std::string& path, int busyTimeoutMs)
{
    struct stat info
    {
    };
    if (path.empty())
        return Status::NotFound("No database file was named");
    if (::stat(path.c_str(), &info) != 0)
        return Status::NotFound("The database file " + path + " does not exist");
    if (!S_ISREG(info.st_mode))
        return Status::InvalidArgument(path + " is not a database file");

    // SQLite would take an empty or foreign file for a new database; check the header first.
    char header[sizeof kSqliteHeader] = {};
    {
        std::ifstream in(path, std::ios::binary);
        if (!in)
            return Status::IoError("The database file " + path + " cannot be read");
        in.read(header, sizeof header);
        if (in.gcount() != sizeof header || std::memcmp(header, kSqliteHeader, sizeof header) != 0)
            return Status::InvalidArgument(path + " is not a Quillon database file");
    }

    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    std::unique_ptr<sqlite3, Closer> db(raw); // owned before the result is checked, so a failed open is closed
    if (rc != SQLITE_OK)
        return Status::DatabaseError("Cannot open " + path + ": " + (raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)));
    sqlite3_busy_timeout(db.get(), busyTimeoutMs);
    sqlite3_extended_result_codes(db.get(), 1);

    // Reading the schema proves the file is a readable database.
    const int check = sqlite3_exec(db.get(), "SELECT count(*) FROM sqlite_schema", nullptr, nullptr, nullptr);
    if ((check & 0xFF) == SQLITE_BUSY || (check & 0xFF) == SQLITE_LOCKED)
        return DatabaseFailure(db.get(), path, "");
    if (check != SQLITE_OK)
        return Status::InvalidArgument(path + " is not a usable database: " + sqlite3_errmsg(db.get()));
    return Database(std::move(db), path);
}

Status Database::error(const std::string& what) const
{
    return DatabaseFailure(m_db.get(), m_path, what + " in " + m_path);
}

Status Database::execute(const std::string& sql, const Params& params)
{
    return run(sql, params).status();
}

Result<RecordSet> Database::query(const std::string& source, const Params& params)
{
    return run(IsBareName(source) ? "SELECT * FROM " + QuoteIdentifier(source) : source, params);
}

Result<RecordSet> Database::run(const std::string& sql, const Params& params)
{
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v2(m_db.get(), sql.c_str(), static_cast<int>(sql.size()), &raw, nullptr);
    std::unique_ptr<sqlite3_stmt, RecordSet::Finalizer> stmt(raw);
    if (rc != SQLITE_OK)
        return error("Cannot run \"" + sql + "\"");
    if (Status s = Bind(stmt.get(), params); !s.ok())
        return s.withContext(sql);
    RecordSet rs(std::move(stmt), sql);
    if (Status s = rs.step(); !s.ok())
        return error("Cannot run \"" + sql + "\"");
    return rs;
}

Result<std::int64_t> Database::insert(const std::string& table, const Fields& fields)
{
    std::string sql = "INSERT INTO " + QuoteIdentifier(table);
    if (fields.empty()) {
        sql += " DEFAULT VALUES";
    } else {
        std::string names, marks;
        for (const auto& f : fields) {
            names += (names.empty() ? "" : ", ") + QuoteIdentifier(f.name);
            marks += marks.empty() ? "?" : ", ?";
        }
        sql += " (" + names + ") VALUES (" + marks + ")";
    }
    Params params;
    for (const auto& f : fields)
        params.push_back(f.value);
    if (Status s = execute(sql, params); !s.ok())
        return s.withContext("Adding a row to " + table);
    return lastInsertId();
}

Status Database::update(const std::string& table, std::int64_t rowid, const Fields& fields)
{
    if (fields.empty())
        return Status::OK();
    std::string sets;
    Params params;
    for (const auto& f : fields) {
        sets += (sets.empty() ? "" : ", ") + QuoteIdentifier(f.name) + " = ?";
        params.push_back(f.value);
    }
    params.push_back(std::to_string(rowid));
    return execute("UPDATE " + QuoteIdentifier(table) + " SET " + sets + " WHERE rowid = ?", params)
        .withContext("Saving row " + std::to_string(rowid) + " of " + table);
}

Status Database::remove(const std::string& table, std::int64_t rowid)
{
    return execute("DELETE FROM " + QuoteIdentifier(table) + " WHERE rowid = ?", {std::to_string(rowid)})
        .withContext("Deleting row " + std::to_string(rowid) + " of " + table);
}

std::int64_t Database::lastInsertId() const
{
    return sqlite3_last_insert_rowid(m_db.get());
}

Database::Transaction::Transaction(Database& db)
    : m_db(db)
{
}

Database::Transaction::~Transaction()
{
    // Never throw from a destructor: a failed rollback leaves nothing more to do.
    if (m_open)
        sqlite3_exec(m_db.m_db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
}

Status Database::Transaction::begin()
{
    Status s = m_db.execute("BEGIN");
    m_open = s.ok();
    return s;
}

Status Database::Transaction::commit()
{
    Status s = m_db.execute("COMMIT");
    if (s.ok())
        m_open = false;
    return s;
}

} // namespace qle::store
