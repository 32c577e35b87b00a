// The application database the program works on, and the recent list kept in it.
#include "app/AppQueries.h"
#include "app/Paths.h"
#include "app/StartUp.h"
#include "store/Database.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qle::app {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

std::string ShippedCopy(const TempDir& dir)
{
    const std::string program = dir / "program/";
    fs::create_directories(program);
    fs::copy_file(AppDatabasePath(test::ProgramFolder()), AppDatabasePath(program));
    return program;
}

TEST(AppDatabase, AReadOnlyProgramFolderWorksOnAPerUserCopy)
{
    TempDir dir;
    const std::string program = ShippedCopy(dir);
    const std::string userCopy = dir / "home/.local/share/quillon-engine/Quillon Engine.mdb";

    // A folder the program can write keeps the shipped file, as ever.
    EXPECT_EQ(AppDatabaseInUse(program, userCopy, true).value(), AppDatabasePath(program));
    EXPECT_FALSE(test::PathExists(userCopy));

    // Installed where the user cannot write: a copy is made once, writable by its owner, and kept.
    fs::permissions(AppDatabasePath(program), fs::perms::owner_read | fs::perms::group_read);
    ASSERT_EQ(AppDatabaseInUse(program, userCopy, false).value(), userCopy);
    EXPECT_NE(fs::status(userCopy).permissions() & fs::perms::owner_write, fs::perms::none);
    ASSERT_TRUE(RecordRecentSite(userCopy, "/sites/a.qls").ok());
    EXPECT_EQ(AppDatabaseInUse(program, userCopy, false).value(), userCopy);
    EXPECT_EQ(RecentSites(userCopy).value(), std::vector<std::string>({"/sites/a.qls"}));
    EXPECT_TRUE(RecentSites(AppDatabasePath(program)).value().empty());

    // A copy that cannot be made is an error naming it; a program without its shipped file is
    // reported where that file was looked for, and nothing is made.
    test::WriteFile(dir / "file", "");
    auto blocked = AppDatabaseInUse(program, dir / "file/quillon-engine/Quillon Engine.mdb", false);
    ASSERT_FALSE(blocked.ok());
    EXPECT_NE(blocked.status().message().find(dir / "file/quillon-engine"), std::string::npos);
    EXPECT_EQ(AppDatabaseInUse(dir / "nothing/", dir / "other/copy.mdb", false).value(),
              AppDatabasePath(dir / "nothing/"));
    EXPECT_FALSE(test::PathExists(dir / "other"));
}

TEST(AppDatabase, RecentListIsMostRecentFirstEachOnceAtMostFive)
{
    struct Case
    {
        const char* what;
        std::vector<std::string> opened; // in the order opened
        std::vector<std::string> listed;
    };
    const std::vector<Case> cases = {
        {"one", {"a"}, {"a"}},
        {"newest first", {"a", "b", "c"}, {"c", "b", "a"}},
        {"reopened moves up", {"a", "b", "c", "a"}, {"a", "c", "b"}},
        {"same twice", {"a", "a"}, {"a"}},
        {"at most five", {"1", "2", "3", "4", "5", "6", "7"}, {"7", "6", "5", "4", "3"}},
        {"an old one back", {"1", "2", "3", "4", "5", "6", "2"}, {"2", "6", "5", "4", "3"}},
        {"odd names", {"/s/O'Neil.qls", "/s/x \"y\".QLS"}, {"/s/x \"y\".QLS", "/s/O'Neil.qls"}},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string db = AppDatabasePath(ShippedCopy(dir));
        for (const std::string& site : c.opened)
            ASSERT_TRUE(RecordRecentSite(db, site).ok()) << c.what;
        EXPECT_EQ(RecentSites(db).value(), c.listed) << c.what;
    }
    TempDir dir;
    EXPECT_FALSE(RecordRecentSite(dir / "missing.mdb", "a").ok());
}

TEST(AppDatabase, SettingsAreKeptByNameAlsoInAnOlderDatabase)
{
    TempDir dir;
    const std::string db = AppDatabasePath(ShippedCopy(dir));
    EXPECT_EQ(ReadSetting(db, "Preview").status().code(), Status::Code::NotFound);
    ASSERT_TRUE(WriteSetting(db, "Preview", "1").ok());
    ASSERT_TRUE(WriteSetting(db, "Preview", "0").ok());
    EXPECT_EQ(ReadSetting(db, "Preview").value(), "0");

    // A database made before the table existed gets it when a value is first kept.
    ASSERT_TRUE(store::Database::open(db)->execute("DROP TABLE Settings").ok());
    EXPECT_EQ(ReadSetting(db, "Preview").status().code(), Status::Code::NotFound);
    ASSERT_TRUE(WriteSetting(db, "Window", std::string("bytes\0 'quoted'")).ok());
    EXPECT_EQ(ReadSetting(db, "Window").value(), "bytes\0 'quoted'");
    EXPECT_FALSE(WriteSetting(dir / "missing.mdb", "a", "b").ok());
}

} // namespace
} // namespace qle::app
