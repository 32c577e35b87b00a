// Snapshots of a site file: when they are taken, what they hold, how long they are kept, and restoring one.
#include "app/Backups.h"
#include "store/Database.h"
#include "store/RecordSet.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qle::app {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

std::time_t At(int year, int month, int day, int hour = 12, int minute = 0, int second = 0)
{
    std::tm local {};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

std::vector<std::string> Titles(const std::string& site)
{
    std::vector<std::string> titles;
    auto db = store::Database::open(site);
    auto rs = db->query("select Title from Articles order by ArtID");
    for (; !rs->eof(); (void)rs->next())
        titles.push_back(store::TextOf(rs->field(0)));
    return titles;
}

void AddPage(const std::string& site, const std::string& title)
{
    ASSERT_TRUE(store::Database::open(site)->execute("INSERT INTO Articles (Title) VALUES (?)", {title}).ok());
}

class BackupsTest : public ::testing::Test
{
protected:
    TempDir dir;
    std::string base = dir / "base/";
    std::string site = test::CopyBlankSite(dir / "Shop.QLS");
    std::string folder = base + "Backups/Shop/";
};

TEST_F(BackupsTest, TakenOwnerOnlyAndSkippedWhileNothingChanged)
{
    AddPage(site, "one");
    const std::time_t now = At(2026, 12, 6, 14, 5, 9);
    auto first = TakeSnapshot(site, base, now);
    ASSERT_TRUE(first.ok()) << first.status().message();
    EXPECT_EQ(first.value(), folder + "2026-12-06_14-05-09.qls");
    EXPECT_EQ(fs::status(first.value()).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all);
    EXPECT_EQ(Titles(first.value()), std::vector<std::string>({"one"}));

    // Unchanged: none is taken, however often asked.
    EXPECT_EQ(TakeSnapshot(site, base, now + 60).value(), "");
    // Changed in the same second: a second name.
    AddPage(site, "two");
    EXPECT_EQ(TakeSnapshot(site, base, now).value(), folder + "2026-12-06_14-05-09-2.qls");
    // The last backup removed by hand: the next one is taken even without a change.
    fs::remove(folder + "2026-12-06_14-05-09-2.qls");
    EXPECT_EQ(TakeSnapshot(site, base, now + 1).value(), folder + "2026-12-06_14-05-10.qls");

    auto listed = ListBackups(site, base);
    ASSERT_TRUE(listed.ok());
    ASSERT_EQ(listed->size(), 2u);
    EXPECT_EQ(listed->at(0).when, "2026-12-06 14:05:10");
    EXPECT_EQ(listed->at(0).pages, 2);
    EXPECT_EQ(listed->at(1).name, "2026-12-06_14-05-09.qls");
    EXPECT_EQ(listed->at(1).pages, 1);

    // A missing site file is an error naming it; no backup folder means no backups.
    EXPECT_FALSE(TakeSnapshot(dir / "missing.qls", base, now).ok());
    EXPECT_TRUE(ListBackups(dir / "Other.qls", base)->empty());
}

TEST_F(BackupsTest, ConsistentWhileAnotherProgramIsWriting)
{
    AddPage(site, "stored");
    auto writer = store::Database::open(site);
    ASSERT_TRUE(writer->execute("BEGIN").ok());
    ASSERT_TRUE(writer->execute("INSERT INTO Articles (Title) VALUES ('half written')").ok());
    auto snapshot = TakeSnapshot(site, base, At(2026, 12, 6));
    ASSERT_TRUE(snapshot.ok()) << snapshot.status().message();
    EXPECT_EQ(Titles(snapshot.value()), std::vector<std::string>({"stored"}));
    ASSERT_TRUE(writer->execute("ROLLBACK").ok());
}

TEST(Backups, PruningKeepsTheLastTwentyAndOnePerDayForThirtyDays)
{
    const std::time_t now = At(2026, 12, 31, 18);
    const auto name = [](int month, int day, int hour) {
        char text[40];
        std::snprintf(text, sizeof text, "2026-%02d-%02d_%02d-00-00.qls", month, day, hour);
        return std::string(text);
    };
    struct Case
    {
        const char* what;
        std::vector<std::string> names;
        std::vector<std::string> pruned;
    };
    std::vector<std::string> today;
    for (int hour = 0; hour < 22; ++hour)
        today.push_back(name(12, 31, hour));
    std::vector<std::string> withOlder = today;
    for (const auto& extra : {name(12, 30, 9), name(12, 30, 8), name(12, 2, 9), name(12, 1, 9), name(11, 20, 9)})
        withOlder.push_back(extra);
    withOlder.push_back("notes.txt");
    withOlder.push_back("last-snapshot");
    const std::vector<Case> cases = {
        {"twenty or fewer", {name(1, 1, 1), name(2, 2, 2)}, {}},
        // Today's two oldest beyond twenty: today already has its newest kept.
        {"same day beyond twenty", today, {name(12, 31, 1), name(12, 31, 0)}},
        // Older days keep their newest while within thirty days (2 December is the first kept day).
        {"older days", withOlder, {name(12, 31, 1), name(12, 31, 0), name(12, 30, 8), name(12, 1, 9), name(11, 20, 9)}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BackupsToPrune(c.names, now), c.pruned) << c.what;

    TempDir dir;
    const std::string base = dir / "base/";
    const std::string site = test::CopyBlankSite(dir / "Shop.QLS");
    for (int i = 0; i < 23; ++i) {
        AddPage(site, "page " + std::to_string(i));
        ASSERT_TRUE(TakeSnapshot(site, base, now + i).ok());
    }
    // Twenty kept; none older is the newest of its day.
    EXPECT_EQ(ListBackups(site, base)->size(), 20u);
}

TEST_F(BackupsTest, RestoreKeepsTheCurrentStateFirst)
{
    AddPage(site, "one");
    const std::time_t now = At(2026, 12, 6, 9);
    const std::string early = TakeSnapshot(site, base, now).value();
    AddPage(site, "two");

    // The editor holds the file open meanwhile.
    auto editor = store::Database::open(site);
    ASSERT_TRUE(RestoreBackup(site, "2026-12-06_09-00-00.qls", base, now + 10).ok());
    EXPECT_EQ(Titles(site), std::vector<std::string>({"one"}));
    EXPECT_EQ(store::TextOf(editor->query("select count(*) from Articles")->field(0)), "1");
    // The state replaced was backed up first, and can be restored in turn.
    const std::string replaced = BackupFolder(base, site) + "2026-12-06_09-00-10.qls";
    EXPECT_EQ(Titles(replaced), std::vector<std::string>({"one", "two"}));
    ASSERT_TRUE(RestoreBackup(site, replaced, base, now + 20).ok());
    EXPECT_EQ(Titles(site), std::vector<std::string>({"one", "two"}));

    // A missing backup or one that is not a database changes nothing.
    EXPECT_FALSE(RestoreBackup(site, "2020-01-01_00-00-00.qls", base, now + 30).ok());
    test::WriteFile(dir / "junk.qls", std::string(4096, 'j'));
    EXPECT_FALSE(RestoreBackup(site, dir / "junk.qls", base, now + 40).ok());
    EXPECT_EQ(Titles(site), std::vector<std::string>({"one", "two"}));
    (void)early;
}

// The backup folder's files that carry a backup's name.
std::vector<std::string> BackupNames(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.ends_with(".qls") && name[0] != '.')
            names.push_back(name);
    }
    return names;
}

// Takes a snapshot in a child process killed by the file size limit's signal while the copy is
// being written; true when it was killed so.
bool SnapshotKilledMidCopy(const std::string& site, const std::string& base, std::time_t now)
{
    const pid_t child = ::fork();
    if (child == 0) {
        rlimit noCore {0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        rlimit limited {100 * 1024, RLIM_INFINITY};
        ::setrlimit(RLIMIT_FSIZE, &limited);
        (void)TakeSnapshot(site, base, now);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFSIGNALED(status);
}

TEST_F(BackupsTest, AKilledSnapshotLeavesNoFileUnderABackupName)
{
    AddPage(site, std::string(400 * 1024, 'x'));
    const std::time_t now = At(2026, 12, 6, 9);
    ASSERT_TRUE(SnapshotKilledMidCopy(site, base, now)) << "the copy was not cut";
    EXPECT_TRUE(BackupNames(folder).empty());
    EXPECT_TRUE(ListBackups(site, base)->empty());

    auto next = TakeSnapshot(site, base, now + 1);
    ASSERT_TRUE(next.ok()) << next.status().message();
    EXPECT_EQ(ListBackups(site, base)->size(), 1u);
    EXPECT_EQ(ListBackups(site, base)->front().damage, "");
}

// Room is made before the copy is written: a copy that fails costs the one backup it would have
// pushed out, however often it fails, and the next whole one brings the count back.
TEST_F(BackupsTest, FailedSnapshotsCostAtMostTheBackupTheyWouldHavePushedOut)
{
    const std::time_t now = At(2026, 12, 31, 18);
    for (std::size_t i = 0; i < kKeptBackups; ++i) {
        AddPage(site, "page " + std::to_string(i));
        ASSERT_TRUE(TakeSnapshot(site, base, now + static_cast<std::time_t>(i)).ok());
    }
    AddPage(site, std::string(400 * 1024, 'x'));
    for (int attempt = 0; attempt < 3; ++attempt) {
        ASSERT_TRUE(SnapshotKilledMidCopy(site, base, now + 60 + attempt)) << "the copy was not cut";
        EXPECT_EQ(BackupNames(folder).size(), kKeptBackups - 1) << "attempt " << attempt;
    }
    ASSERT_TRUE(TakeSnapshot(site, base, now + 120).ok());
    auto listed = ListBackups(site, base);
    ASSERT_TRUE(listed.ok());
    ASSERT_EQ(listed->size(), kKeptBackups);
    EXPECT_EQ(listed->front().name, "2026-12-31_18-02-00.qls");
    EXPECT_EQ(listed->back().name, "2026-12-31_18-00-01.qls") << "only the oldest went";
    for (const BackupInfo& backup : *listed)
        EXPECT_EQ(backup.damage, "") << backup.name;
}

// What a killed copy, a damaged disk or a stray file leaves under backup names.
void PlantDamagedBackups(const std::string& site, const std::string& folder, const std::string& stamp)
{
    fs::create_directories(folder);
    test::WriteFile(folder + stamp + "-2.qls", "");
    test::WriteFile(folder + stamp + "-3.qls", std::string(4096, 'j'));
    // A whole copy whose table of pages is overwritten.
    const std::string corrupt = folder + stamp + "-4.qls";
    ASSERT_TRUE(store::Database::open(site)->backupTo(corrupt).ok());
    int page = 0, pageSize = 0;
    {
        auto db = store::Database::open(corrupt);
        page =
            std::stoi(store::TextOf(db->query("select rootpage from sqlite_master where name = 'Articles'")->field(0)));
        pageSize = std::stoi(store::TextOf(db->query("PRAGMA page_size")->field(0)));
    }
    std::string bytes = test::ReadFile(corrupt);
    bytes.replace(static_cast<std::size_t>((page - 1) * pageSize), 64, std::string(64, '\xFF'));
    test::WriteFile(corrupt, bytes);
    // A database, but not of a site.
    const std::string foreign = folder + stamp + "-5.qls";
    ASSERT_TRUE(store::Database::open(site)->backupTo(foreign).ok());
    ASSERT_TRUE(store::Database::open(foreign)->execute("DROP TABLE Articles").ok());
}

TEST_F(BackupsTest, DamagedBackupsAreListedAsDamagedAndNeverRestored)
{
    AddPage(site, "one");
    const std::time_t now = At(2026, 12, 6, 9);
    ASSERT_TRUE(TakeSnapshot(site, base, now).ok());
    PlantDamagedBackups(site, folder, "2026-12-06_09-00-00");
    AddPage(site, "two");

    auto listed = ListBackups(site, base);
    ASSERT_TRUE(listed.ok());
    ASSERT_EQ(listed->size(), 5u);
    for (const BackupInfo& backup : *listed) {
        const bool whole = backup.name == "2026-12-06_09-00-00.qls";
        EXPECT_EQ(backup.damage.empty(), whole) << backup.name << ": " << backup.damage;
        EXPECT_EQ(BackupContents(backup).starts_with("damaged: "), !whole) << backup.name;
        if (whole)
            continue;
        EXPECT_EQ(backup.pages, -1) << backup.name;
        const Status refused = RestoreBackup(site, backup.name, base, now + 10);
        EXPECT_NE(refused.message().find("cannot be restored"), std::string::npos) << refused.message();
        EXPECT_EQ(Titles(site), std::vector<std::string>({"one", "two"})) << backup.name << " was restored";
    }
    EXPECT_EQ(listed->back().name, "2026-12-06_09-00-00.qls") << "newest first";
    EXPECT_TRUE(RestoreBackup(site, "2026-12-06_09-00-00.qls", base, now + 20).ok());
    EXPECT_EQ(Titles(site), std::vector<std::string>({"one"}));

    // A backup found whole once is checked again once anything wrote it.
    const std::string whole = folder + "2026-12-06_09-00-00.qls";
    std::string bytes = test::ReadFile(whole);
    std::fill(bytes.begin() + 100, bytes.end(), '\xFF');
    test::WriteFile(whole, bytes);
    EXPECT_NE(ListBackups(site, base)->back().damage, "");
}

TEST_F(BackupsTest, DamagedBackupsDoNotCountAmongTheTwentyKept)
{
    const std::time_t now = At(2026, 12, 31, 18);
    for (int i = 0; i < 20; ++i) {
        AddPage(site, "page " + std::to_string(i));
        ASSERT_TRUE(TakeSnapshot(site, base, now + i).ok());
    }
    PlantDamagedBackups(site, folder, "2026-12-31_19-00-00");
    AddPage(site, "one more");
    ASSERT_TRUE(TakeSnapshot(site, base, now + 60).ok());

    auto listed = ListBackups(site, base);
    ASSERT_TRUE(listed.ok());
    std::size_t whole = 0;
    for (const BackupInfo& backup : *listed)
        whole += backup.damage.empty() ? 1 : 0;
    EXPECT_EQ(whole, kKeptBackups);
}

} // namespace
} // namespace qle::app
