// The database layer, and the saved queries of the blank template site and the application database.
#include "store/Database.h"
#include "store/RecordSet.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace qle::store {
namespace {

using test::TempDir;

TEST(Database, MissingOrForeignFilesAreNeitherOpenedNorCreated)
{
    TempDir dir;
    const std::string missing = dir / "missing.qls";
    auto db = Database::open(missing);
    ASSERT_FALSE(db.ok());
    EXPECT_NE(db.status().message().find(missing), std::string::npos);
    EXPECT_FALSE(test::PathExists(missing));

    struct Case
    {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {{"empty.qls", ""}, {"text.qls", "just some text, not a database\n"}, {"short.qls", "SQLite"}};
    for (const auto& c : cases) {
        const std::string path = dir / c.name;
        test::WriteFile(path, c.bytes);
        auto foreign = Database::open(path);
        EXPECT_FALSE(foreign.ok()) << c.name;
        EXPECT_NE(foreign.status().message().find(path), std::string::npos) << c.name;
        EXPECT_EQ(test::ReadFile(path), c.bytes) << c.name << " was changed";
    }
    EXPECT_FALSE(Database::open(dir.path()).ok()) << "a folder is not a database";
}

TEST(Database, AFileLockedByAnotherProgramIsSaidToBeInUse)
{
    TempDir dir;
    const std::string path = test::CopyBlankSite(dir / "site.qls");
    auto other = Database::open(path);
    ASSERT_TRUE(other.ok());
    ASSERT_TRUE(other->execute("BEGIN EXCLUSIVE").ok()); // another program in the middle of a write
    const std::string expected = path + " is in use by another program; close it there and try again";
    auto opened = Database::open(path, 10);
    EXPECT_EQ(opened.status().message(), expected);

    ASSERT_TRUE(other->execute("COMMIT").ok());
    auto reader = Database::open(path, 10);
    ASSERT_TRUE(reader.ok());
    ASSERT_TRUE(other->execute("BEGIN EXCLUSIVE").ok());
    EXPECT_EQ(reader->query("Articles").status().message(), expected);
    EXPECT_EQ(reader->execute("UPDATE Options SET Banner = ''").message(), expected);
}

TEST(Database, AnInMemoryCopyChangesNothingOnDisk)
{
    TempDir dir;
    const std::string path = test::CopyBlankSite(dir / "site.qls");
    auto writer = Database::open(path);
    ASSERT_TRUE(writer->execute("INSERT INTO Articles (Title) VALUES ('stored')").ok());
    const std::string before = test::ReadFile(path);
    auto copy = Database::copyIntoMemory(path);
    ASSERT_TRUE(copy.ok()) << copy.status().message();
    EXPECT_EQ(copy->path(), path);
    ASSERT_TRUE(copy->execute("UPDATE Articles SET Title = 'edited'").ok());
    ASSERT_TRUE(copy->insert("Articles", {{"Title", std::string("new")}}).ok());
    EXPECT_EQ(copy->query("select count(*) from Articles")->text(0), "2");
    EXPECT_EQ(test::ReadFile(path), before);
    EXPECT_EQ(writer->query("select Title from Articles")->text(0), "stored");
    EXPECT_FALSE(Database::copyIntoMemory(dir / "missing.qls").ok());
}

// A copy that passes SQLite's check, as `text` of its first query answer, or why not.
std::string CopyCheck(const std::string& copy, const std::string& sql)
{
    auto db = Database::open(copy);
    if (!db)
        return db.status().message();
    if (auto check = db->query("PRAGMA integrity_check"); !check || check->text(0) != "ok")
        return "damaged";
    auto answer = db->query(sql);
    return answer ? std::string(answer->text(0)) : answer.status().message();
}

TEST(Database, ACopyHoldsOneCommittedStateWhileAnotherConnectionWrites)
{
    // In WAL mode the committed state is partly in the log, not in the file.
    for (const char* mode : {"DELETE", "WAL"}) {
        SCOPED_TRACE(mode);
        TempDir dir;
        const std::string path = test::CopyBlankSite(dir / "site.qls");
        auto keeper = Database::open(path);
        ASSERT_TRUE(keeper->query(std::string("PRAGMA journal_mode = ") + mode).ok());
        ASSERT_TRUE(keeper->query("PRAGMA wal_autocheckpoint = 0").ok());
        ASSERT_TRUE(keeper->execute("INSERT INTO Articles (Title) VALUES ('committed')").ok());
        std::atomic<int> commits = 0;
        // Pages are added two at a time: a copy holding an odd number caught a write half done.
        std::jthread writer([&](std::stop_token stop) {
            auto db = Database::open(path);
            while (!stop.stop_requested()) {
                Database::Transaction pair(*db);
                if (pair.begin().ok() && db->execute("INSERT INTO Articles (Title) VALUES ('a')").ok() &&
                    db->execute("INSERT INTO Articles (Title) VALUES ('b')").ok() && pair.commit().ok())
                    ++commits;
                // As an editor saves: with a pause, or no reader would ever get its turn.
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
        for (int i = 0; i < 12; ++i) {
            const std::string copy = dir / ("copy" + std::to_string(i) + ".qls");
            ASSERT_TRUE(Database::open(path)->backupTo(copy).ok());
            const std::string rows = CopyCheck(copy, "select count(*) from Articles where Title <> 'committed'");
            ASSERT_TRUE(rows.find_first_not_of("0123456789") == std::string::npos) << rows;
            EXPECT_EQ(std::stoi(rows) % 2, 0) << "a copy holds half a write";
            EXPECT_EQ(CopyCheck(copy, "select count(*) from Articles where Title = 'committed'"), "1");
        }
        writer.request_stop();
        writer.join();
        EXPECT_GT(commits.load(), 0);
    }
}

TEST(Database, OpeningOrCopyingKeepsTheLocksOfItsProgramAndACutCopyLeavesNoFile)
{
    TempDir dir;
    const std::string path = test::CopyBlankSite(dir / "site.qls");
    auto reading = Database::open(path);
    ASSERT_TRUE(reading->execute("BEGIN").ok());
    ASSERT_TRUE(reading->query("select count(*) from Articles").ok());
    ASSERT_TRUE(Database::open(path)->backupTo(dir / "copy.qls").ok());
    // Another program may not write while this one still reads (POSIX locks are the process's:
    // a copy closing a descriptor of its own would have dropped them). A forked child would share
    // SQLite's own record of this process's locks, so the writer is another program.
    const std::string write = "/usr/bin/python3 -c \"import sqlite3, sys; c = sqlite3.connect(sys.argv[1], timeout=0); "
                              "c.execute('INSERT INTO Articles (Title) VALUES (1)'); c.commit()\" '" +
                              path + "' 2>/dev/null";
    EXPECT_NE(std::system(write.c_str()), 0) << "another program wrote during a read";
    ASSERT_TRUE(reading->execute("ROLLBACK").ok());
    ASSERT_EQ(std::system(write.c_str()), 0) << "the other program cannot write at all";

    // A copy the disk cannot hold whole fails and leaves nothing under its name.
    ASSERT_TRUE(
        Database::open(path)->execute("INSERT INTO Articles (Title) VALUES (?)", {std::string(200000, 'x')}).ok());
    const std::string cut = dir / "cut.qls";
    const pid_t copier = ::fork();
    if (copier == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limited {64 * 1024, RLIM_INFINITY};
        ::setrlimit(RLIMIT_FSIZE, &limited);
        const Status copied = Database::open(path)->backupTo(cut);
        ::_exit(!copied.ok() && copied.message().find(cut) != std::string::npos && !test::PathExists(cut) ? 0 : 1);
    }
    int status = 0;
    ::waitpid(copier, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a cut copy was reported whole or left behind";
}

// How many descriptors of the file at `path` the program holds.
int DescriptorsOf(const std::string& path)
{
    struct stat file
    {
    };
    if (::stat(path.c_str(), &file) != 0)
        return -1;
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        struct stat info
        {
        };
        if (::stat(entry.path().c_str(), &info) == 0 && info.st_dev == file.st_dev && info.st_ino == file.st_ino)
            ++count;
    }
    return count;
}

// A copy is made from a descriptor of the program's own, which stays open while any connection of
// the program has the file open (closing it earlier would drop their locks) and no longer.
TEST(Database, ACopysOwnDescriptorOfTheFileLivesAsLongAsTheProgramsConnections)
{
    TempDir dir;
    const std::string path = test::CopyBlankSite(dir / "site.qls");
    {
        auto first = Database::open(path);
        const int connection = DescriptorsOf(path);
        {
            auto second = Database::open(path);
            ASSERT_TRUE(second->backupTo(dir / "a.qls").ok());
            ASSERT_TRUE(second->backupTo(dir / "b.qls").ok());
            EXPECT_EQ(DescriptorsOf(path), 2 * connection + 1) << "one descriptor of its own, however many copies";
        }
        EXPECT_EQ(DescriptorsOf(path), connection + 1) << "kept while a connection remains";
        auto moved = std::move(first);
        EXPECT_EQ(DescriptorsOf(path), connection + 1);
    }
    EXPECT_EQ(DescriptorsOf(path), 0) << "closed with the last connection";
    std::ifstream a(dir / "a.qls", std::ios::binary), site(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(a), {}),
              std::string(std::istreambuf_iterator<char>(site), {}));
}

// The number of rows a query or saved query returns.
std::size_t Count(Database& db, const std::string& source, const Params& params = {})
{
    auto rs = db.query(source, params);
    EXPECT_TRUE(rs.ok()) << source << ": " << rs.status().message();
    std::size_t n = 0;
    for (; rs.ok() && !rs->eof(); (void)rs->next())
        ++n;
    return n;
}

// A fresh copy of the blank template site.
class SiteDatabase : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto opened = Database::open(test::CopyBlankSite(m_dir / "site.qls"));
        ASSERT_TRUE(opened.ok()) << opened.status().message();
        m_db.emplace(std::move(opened.value()));
    }

    std::int64_t add(const Value& category, const Value& section, const Value& title = "t")
    {
        auto id = m_db->insert("Articles", {{"Category", category}, {"Section", section}, {"Title", title}});
        EXPECT_TRUE(id.ok()) << id.status().message();
        return id.ok() ? *id : 0;
    }

    std::size_t count(const std::string& source, const Params& params = {}) { return Count(*m_db, source, params); }

    TempDir m_dir;
    std::optional<Database> m_db;
};

TEST_F(SiteDatabase, FieldsByNameInAnyCaseWithNulls)
{
    auto id = m_db->insert("Articles", {{"Category", "TV"}, {"Title", std::nullopt}, {"Body", "a\r\nb"}});
    ASSERT_TRUE(id.ok()) << id.status().message();
    auto rs = m_db->query("Articles");
    ASSERT_TRUE(rs.ok() && !rs->eof());
    EXPECT_EQ(rs->field("category"), "TV");
    EXPECT_EQ(rs->field("CATEGORY"), "TV");
    EXPECT_EQ(rs->field("artid"), std::to_string(*id));
    EXPECT_EQ(rs->field("Title"), std::nullopt);
    EXPECT_EQ(rs->field("body"), "a\r\nb");
    EXPECT_EQ(rs->field("NoSuchField"), std::nullopt);
    EXPECT_FALSE(rs->requireFields({"Title", "NoSuchField"}).ok());
    ASSERT_TRUE(rs->next().ok());
    EXPECT_TRUE(rs->eof());
}

TEST_F(SiteDatabase, CounterIsNeverReusedAfterDeleteAndUpdatesStick)
{
    const auto first = add("a", "b", "one");
    const auto second = add("a", "b", "two");
    EXPECT_EQ(m_db->lastInsertId(), second);
    ASSERT_TRUE(m_db->remove("Articles", second).ok());
    EXPECT_GT(add("a", "b", "three"), second);

    ASSERT_TRUE(m_db->update("Articles", first, {{"Title", "changed"}}).ok());
    auto rs = m_db->query("select Title from Articles where ArtID = ?", {std::to_string(first)});
    ASSERT_TRUE(rs.ok() && !rs->eof());
    EXPECT_EQ(rs->field("title"), "changed");
}

TEST_F(SiteDatabase, QuotesInValuesAndNamesAreBound)
{
    const std::string name = "O'Brien's \"best\"; DROP TABLE Articles; --";
    add(name, "it's");
    auto rs = m_db->query("select * from Mini_Articles where Category=? and section=?", {name, "it's"});
    ASSERT_TRUE(rs.ok() && !rs->eof()) << rs.status().message();
    EXPECT_EQ(rs->field("Category"), name);
    EXPECT_FALSE(m_db->query("select * from NoSuchView").ok());
}

TEST_F(SiteDatabase, TransactionRollsBackUnlessCommitted)
{
    {
        Database::Transaction t(*m_db);
        ASSERT_TRUE(t.begin().ok());
        add("lost", "x");
    }
    {
        Database::Transaction t(*m_db);
        ASSERT_TRUE(t.begin().ok());
        add("kept", "x");
        ASSERT_TRUE(t.commit().ok());
    }
    EXPECT_EQ(count("Articles"), 1u);
    EXPECT_EQ(count("select * from Articles where Category = 'kept'"), 1u);
}

TEST_F(SiteDatabase, NamesDifferingOnlyInCaseAreOneCategoryAndSection)
{
    add("Sport", "Football");
    add("sport", "FOOTBALL");
    add("Sport", "Tennis");
    add(std::nullopt, std::nullopt);
    EXPECT_EQ(count("Category_Pages"), 1u);
    EXPECT_EQ(count("List_Categories"), 1u);
    EXPECT_EQ(count("Section_Pages"), 2u);
    EXPECT_EQ(count("select * from List_Sections where category=?", {"SPORT"}), 2u);
    EXPECT_EQ(count("select * from Mini_Articles where Category=? and section=?", {"SPORT", "football"}), 2u);
    EXPECT_EQ(count("Article_Pages"), 4u) << "an article without a category still gets its page";
}

TEST(ApplicationDatabase, ShipsSettingsRecentListAndProviders)
{
    auto db = Database::open(test::ProgramFolder() + "Quillon Engine.mdb");
    ASSERT_TRUE(db.ok()) << db.status().message();
    auto options = db->query("select * from [Options]");
    ASSERT_TRUE(options.ok() && !options->eof());
    EXPECT_EQ(options->field("localbasedir"), "");
    EXPECT_EQ(Count(*db, "last_5_sites"), 0u);
    const std::size_t free = Count(*db, "select * from providers where free=true");
    EXPECT_GT(free, 0u);
    EXPECT_LT(free, Count(*db, "providers"));
    auto rs = db->query("providers");
    ASSERT_TRUE(rs.ok());
    for (; !rs->eof(); (void)rs->next()) {
        for (const auto& name : rs->columnNames())
            EXPECT_TRUE(rs->field(name).has_value()) << name << " empty for " << *rs->field("provider");
        // Real hosts: each names its protocol and where the author signs up.
        const std::string protocol = *rs->field("Protocol");
        EXPECT_TRUE(protocol == "FTP" || protocol == "FTPS" || protocol == "SFTP" || protocol == "GIT" ||
                    protocol == "WEBDAV")
            << protocol;
        EXPECT_TRUE(rs->field("Joining_Page")->starts_with("https://")) << *rs->field("provider");
    }
}

} // namespace
} // namespace qle::store
