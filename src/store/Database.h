// An open SQLite database file: the site database or the application database.
#pragma once

#include "store/Status.h"
#include "store/Value.h"

#include <cstdint>
#include <memory>
#include <string>

struct sqlite3;

namespace qle::store {

class RecordSet;

class Database
{
public:
    // How long a statement waits for a lock held by another connection (the editor and a build
    // share the file) before it fails with "... is in use by another program".
    static constexpr int kBusyTimeoutMs = 5000;

    // Opens an existing database file for reading and writing, shared with other connections.
    // Never creates or changes a file: a missing path, a folder or a file that is not a
    // database gives an error that names the path.
    static Result<Database> open(const std::string& path, int busyTimeoutMs = kBusyTimeoutMs);

    // A copy of the whole database file in memory, consistent while other connections use the
    // file, which it never changes. Changes to the copy stay in memory and go with it; its path()
    // is the file's, for the names and messages that derive from it. Checks as open() does.
    static Result<Database> copyIntoMemory(const std::string& path);

    Database(Database&&) noexcept;
    Database& operator=(Database&&) noexcept;
    ~Database();

    const std::string& path() const { return m_path; }

    // Runs a statement that returns no rows.
    Status execute(const std::string& sql, const Params& params = {});

    // Opens a record set, positioned on its first row. `source` is either a select statement
    // or the bare name of a table or view, which reads all its rows.
    Result<RecordSet> query(const std::string& source, const Params& params = {});

    // Adds a row; the database assigns counter fields. Returns the new row's id.
    Result<std::int64_t> insert(const std::string& table, const Fields& fields);

    // Changes fields of the row with the given rowid (for `Articles` the rowid is `ArtID`).
    Status update(const std::string& table, std::int64_t rowid, const Fields& fields);

    // Deletes the row with the given rowid.
    Status remove(const std::string& table, std::int64_t rowid);

    // Copies the whole database, consistent while other connections use it, into a new file at
    // `destination` (which must not exist) readable and writable by its owner only: the file's own
    // bytes under a read lock, or for a database in WAL mode SQLite's online backup. A failed copy
    // leaves no file behind. The error names both files.
    Status backupTo(const std::string& destination);

    // The first 100 bytes of the database file (its header), read without opening the file again
    // (which would drop this program's locks on it); empty when they cannot be read.
    std::string fileHeader() const;

    // Replaces the whole content of this database with that of the database file `source`, in one
    // step that other connections see complete or not at all. The error names both files.
    Status restoreFrom(const std::string& source);

    // Id of the row last added on this connection.
    std::int64_t lastInsertId() const;

    // Groups writes into one transaction; the guard rolls back unless commit() was called.
    class Transaction
    {
    public:
        explicit Transaction(Database& db);
        ~Transaction();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;
        Status begin();
        Status commit();

    private:
        Database& m_db;
        bool m_open = false;
    };

private:
    struct Closer
    {
        void operator()(sqlite3* db) const;
    };

    // The program's own descriptor of a database file, to copy it within the kernel. Closing any
    // descriptor of a file drops every POSIX lock the program holds on it, its SQLite connections'
    // included; so the descriptor, opened once per file, is closed only when no connection of the
    // program has that file open any more.
    class FileUse
    {
    public:
        FileUse() = default;
        explicit FileUse(const std::string& path);
        FileUse(FileUse&& other) noexcept;
        FileUse& operator=(FileUse&& other) noexcept;
        FileUse(const FileUse&) = delete;
        FileUse& operator=(const FileUse&) = delete;
        ~FileUse();

        // -1 when it cannot be opened, or `path` now names another file.
        int descriptor(const std::string& path);

    private:
        void release();

        bool m_registered = false;
        std::uint64_t m_device = 0;
        std::uint64_t m_inode = 0;
    };

    Database(std::unique_ptr<sqlite3, Closer> db, std::string path);
    Status error(const std::string& what) const;
    Result<RecordSet> run(const std::string& sql, const Params& params);

    FileUse m_use; // before m_db: released after the connection is closed
    std::unique_ptr<sqlite3, Closer> m_db;
    std::string m_path;
};

// The error of a failed call on `db`, after `what`; a file locked by another program is said so.
Status DatabaseFailure(sqlite3* db, const std::string& path, const std::string& what);

// SQL text for an identifier: the name in double quotes, inner quotes doubled.
std::string QuoteIdentifier(const std::string& name);

} // namespace qle::store
