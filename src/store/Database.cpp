#include "store/Database.h"

#include "store/RecordSet.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

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

// Copies all of `from` into `to` with the online backup; waits for locks held by others.
Status CopyAll(sqlite3* from, sqlite3* to, const std::string& what)
{
    sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
    if (!backup)
        return Status::DatabaseError(what + ": " + sqlite3_errmsg(to));
    int rc = SQLITE_OK;
    // Locks held by others are waited for as long as any other statement waits for them.
    constexpr int kPauseMs = 20;
    for (int waited = 0;; waited += kPauseMs) {
        rc = sqlite3_backup_step(backup, -1);
        if ((rc != SQLITE_BUSY && rc != SQLITE_LOCKED) || waited >= Database::kBusyTimeoutMs)
            break;
        sqlite3_sleep(kPauseMs);
    }
    const int finished = sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE)
        return Status::DatabaseError(what + ": " + sqlite3_errstr(rc));
    if (finished != SQLITE_OK)
        return Status::DatabaseError(what + ": " + sqlite3_errstr(finished));
    return Status::OK();
}

// Reads `size` bytes at `offset` of the main database file through SQLite's own handle of it.
// Opening and closing another descriptor of the file would drop every POSIX lock this process
// holds on it, other connections' included, and let another program write under them.
bool ReadDatabaseFile(sqlite3* db, void* into, int size, sqlite3_int64 offset)
{
    sqlite3_file* file = nullptr;
    return sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) == SQLITE_OK && file && file->pMethods &&
           file->pMethods->xRead(file, into, size, offset) == SQLITE_OK;
}

// Copies all of `from` into the empty file at `destination` with the online backup.
Status CopyWithOnlineBackup(sqlite3* from, const std::string& destination, const std::string& what)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(destination.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> copy(raw, sqlite3_close_v2);
    if (rc != SQLITE_OK)
        return Status::DatabaseError(what + ": " + sqlite3_errstr(rc));
    // A new file nobody reads until the copy is whole: no journal and no waiting for the disk
    // (a copy cut short is removed by the caller).
    sqlite3_exec(copy.get(), "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
    return CopyAll(from, copy.get(), what);
}

Status WriteAll(int fd, const char* bytes, std::size_t size, const std::string& what)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return Status::IoError(what + ": " + std::strerror(written < 0 ? errno : ENOSPC));
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return Status::OK();
}

// The program's own descriptors of database files, with the number of its connections to each.
struct FileUses
{
    struct Use
    {
        int connections = 0;
        int fd = -1;
    };
    std::mutex mutex;
    std::map<std::pair<std::uint64_t, std::uint64_t>, Use> byFile; // device and inode
};

FileUses& Uses()
{
    static FileUses uses;
    return uses;
}

// Copies `size` bytes of the database file, open as `from`, into `to` within the kernel. Nothing
// when the file system cannot: the caller then copies through SQLite's handle.
std::optional<Status> CopyInKernel(int from, int to, sqlite3_int64 size, const std::string& what)
{
    constexpr std::size_t kBlock = 4 << 20;
    loff_t in = 0, out = 0;
    while (in < size) {
        const auto length = static_cast<std::size_t>(std::min<sqlite3_int64>(kBlock, size - in));
        const ssize_t copied = ::copy_file_range(from, &in, to, &out, length, 0);
        if (copied < 0 && errno == EINTR)
            continue;
        if (copied < 0 && in == 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP))
            return std::nullopt;
        if (copied <= 0)
            return Status::IoError(what + ": " + std::strerror(copied < 0 ? errno : EIO));
        // Start the disk writing now, so that the caller's fsync waits only for the last blocks.
        (void)::sync_file_range(to, out - copied, copied, SYNC_FILE_RANGE_WRITE);
    }
    return Status::OK();
}

// Copies the database file of `db` byte for byte into `fd` while a read transaction holds SQLite's
// shared lock, so no connection can write it meanwhile and what is copied is one committed state
// (a crashed writer's journal is rolled back before the lock is granted). Much cheaper than the
// online backup, which rebuilds the file page by page through two page caches. The bytes are copied
// within the kernel from `source`, the program's own descriptor of the file (see FileUse), or read
// through SQLite's own handle when there is none. Returns nothing when this way does not apply (a database in
// WAL mode, whose committed state is partly in its log, or a connection already in a transaction):
// the caller then uses the online backup.
std::optional<Status> CopyFileUnderReadLock(sqlite3* db, int fd, const std::string& what, int source)
{
    if (!sqlite3_get_autocommit(db))
        return std::nullopt;
    if (sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
        return std::nullopt;
    struct EndRead
    {
        sqlite3* db;
        ~EndRead() { sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr); }
    } endRead {db};
    // The first read takes the shared lock, waiting for a writer's commit as any read does.
    if (sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) != SQLITE_OK)
        return DatabaseFailure(db, sqlite3_db_filename(db, "main"), what);
    sqlite3_file* file = nullptr;
    sqlite3_int64 size = 0;
    char header[100] = {};
    if (!ReadDatabaseFile(db, header, sizeof header, 0) ||
        std::memcmp(header, kSqliteHeader, sizeof kSqliteHeader) != 0 ||
        sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK ||
        file->pMethods->xFileSize(file, &size) != SQLITE_OK)
        return std::nullopt;
    // Bytes 18 and 19: the file format versions, 2 in WAL mode.
    if (header[18] != 1 || header[19] != 1)
        return std::nullopt;
    // The copy's room is taken at once: the file system's journal commits then do not wait for the
    // copy's data, so the syncs of a build running beside it stay short; and a disk too full for it
    // fails here.
    if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, size) != 0 && errno == ENOSPC)
        return Status::IoError(what + ": " + std::strerror(ENOSPC));
    // Within the kernel from the program's own descriptor, when it shows the bytes SQLite's shows.
    char sourceHeader[sizeof header] = {};
    if (source >= 0 && ::pread(source, sourceHeader, sizeof sourceHeader, 0) == sizeof sourceHeader &&
        std::memcmp(sourceHeader, header, sizeof header) == 0)
        if (std::optional<Status> copied = CopyInKernel(source, fd, size, what))
            return copied;
    constexpr sqlite3_int64 kBlock = 4 << 20;
    std::unique_ptr<char[]> buffer(new char[kBlock]);
    for (sqlite3_int64 offset = 0; offset < size; offset += kBlock) {
        const int length = static_cast<int>(std::min(kBlock, size - offset));
        if (const int rc = file->pMethods->xRead(file, buffer.get(), length, offset); rc != SQLITE_OK)
            return Status::DatabaseError(what + ": " + sqlite3_errstr(rc));
        if (Status s = WriteAll(fd, buffer.get(), static_cast<std::size_t>(length), what); !s.ok())
            return s;
        // Start the disk writing now, so that the caller's fsync waits only for the last blocks.
        (void)::sync_file_range(fd, offset, length, SYNC_FILE_RANGE_WRITE);
    }
    return Status::OK();
}

} // namespace

Database::FileUse::FileUse(const std::string& path)
{
    struct stat info
    {
    };
    if (::stat(path.c_str(), &info) != 0)
        return;
    m_registered = true;
    m_device = info.st_dev;
    m_inode = info.st_ino;
    std::lock_guard lock(Uses().mutex);
    ++Uses().byFile[{m_device, m_inode}].connections;
}

Database::FileUse::FileUse(FileUse&& other) noexcept
    : m_registered(std::exchange(other.m_registered, false))
    , m_device(other.m_device)
    , m_inode(other.m_inode)
{
}

Database::FileUse& Database::FileUse::operator=(FileUse&& other) noexcept
{
    if (this != &other) {
        release();
        m_registered = std::exchange(other.m_registered, false);
        m_device = other.m_device;
        m_inode = other.m_inode;
    }
    return *this;
}

Database::FileUse::~FileUse()
{
    release();
}

void Database::FileUse::release()
{
    if (!std::exchange(m_registered, false))
        return;
    std::lock_guard lock(Uses().mutex);
    const auto it = Uses().byFile.find({m_device, m_inode});
    if (it == Uses().byFile.end() || --it->second.connections > 0)
        return;
    // No connection of the program has the file open: it holds no lock on it to lose.
    if (it->second.fd >= 0)
        ::close(it->second.fd);
    Uses().byFile.erase(it);
}

int Database::FileUse::descriptor(const std::string& path)
{
    if (!m_registered)
        return -1;
    std::lock_guard lock(Uses().mutex);
    FileUses::Use& use = Uses().byFile[{m_device, m_inode}];
    if (use.fd >= 0)
        return use.fd;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info
    {
    };
    if (fd >= 0 && ::fstat(fd, &info) == 0 && info.st_dev == m_device && info.st_ino == m_inode)
        return use.fd = fd;
    // Another file now has the name: closing this descriptor touches no lock on the database.
    if (fd >= 0)
        ::close(fd);
    return -1;
}

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

Status Database::backupTo(const std::string& destination)
{
    const std::string what = "Cannot back up " + m_path + " to " + destination;
    // Made empty first with the owner's rights only: the copy holds the FTP password.
    const int fd = ::open(destination.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return Status::IoError(what + ": " + std::strerror(errno));
    std::optional<Status> raw = CopyFileUnderReadLock(m_db.get(), fd, what, m_use.descriptor(m_path));
    ::close(fd);
    Status status = raw ? *raw : CopyWithOnlineBackup(m_db.get(), destination, what);
    if (!status.ok())
        ::unlink(destination.c_str());
    return status;
}

std::string Database::fileHeader() const
{
    std::string header(100, '\0');
    if (!ReadDatabaseFile(m_db.get(), header.data(), static_cast<int>(header.size()), 0))
        return {};
    return header;
}

Status Database::restoreFrom(const std::string& source)
{
    const std::string what = "Cannot restore " + m_path + " from " + source;
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(source.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
    std::unique_ptr<sqlite3, Closer> from(raw);
    if (rc != SQLITE_OK)
        return Status::DatabaseError(what + ": " + sqlite3_errstr(rc));
    // A file that is not a database would be read as empty and wipe the site.
    if (sqlite3_exec(from.get(), "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) != SQLITE_OK)
        return Status::DatabaseError(what + ": " + sqlite3_errmsg(from.get()));
    return CopyAll(from.get(), m_db.get(), what);
}

void Database::Closer::operator()(sqlite3* db) const
{
    sqlite3_close_v2(db);
}

Database::Database(std::unique_ptr<sqlite3, Closer> db, std::string path)
    : m_use(path)
    , m_db(std::move(db))
    , m_path(std::move(path))
{
}

Database::Database(Database&&) noexcept = default;

Database& Database::operator=(Database&& other) noexcept
{
    // The connection is closed before its file's use is released (see FileUse).
    m_db = std::move(other.m_db);
    m_use = std::move(other.m_use);
    m_path = std::move(other.m_path);
    return *this;
}
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

    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    std::unique_ptr<sqlite3, Closer> db(raw); // owned before the result is checked, so a failed open is closed
    if (rc != SQLITE_OK)
        return Status::DatabaseError("Cannot open " + path + ": " + (raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)));
    // SQLite would take an empty or foreign file for a new database; the header is checked first.
    char header[sizeof kSqliteHeader] = {};
    if (!ReadDatabaseFile(db.get(), header, sizeof header, 0) || std::memcmp(header, kSqliteHeader, sizeof header) != 0)
        return Status::InvalidArgument(path + " is not a Quillon database file");
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

Result<Database> Database::copyIntoMemory(const std::string& path)
{
    auto file = open(path);
    if (!file)
        return file.status();
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    std::unique_ptr<sqlite3, Closer> memory(raw);
    if (rc != SQLITE_OK)
        return Status::DatabaseError("Cannot copy " + path + " into memory: " + sqlite3_errstr(rc));
    sqlite3_extended_result_codes(memory.get(), 1);
    if (Status s = CopyAll(file->m_db.get(), memory.get(), "Cannot copy " + path + " into memory"); !s.ok())
        return s;
    return Database(std::move(memory), path);
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
