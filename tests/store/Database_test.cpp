#include "store/Database.h"
#include "store/RecordSet.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

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

TEST(Database, FieldsByNameInAnyCaseWithNulls)
{
    TempDir dir;
    auto db = Database::open(test::CopyBlankSite(dir / "site.qls"));
    ASSERT_TRUE(db.ok()) << db.status().message();
    auto id = db->insert("Articles", {{"Category", "TV"}, {"Title", std::nullopt}, {"Body", "a\r\nb"}});
    ASSERT_TRUE(id.ok()) << id.status().message();

    auto rs = db->query("Articles");
    ASSERT_TRUE(rs.ok());
    ASSERT_FALSE(rs->eof());
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

TEST(Database, CounterIsNeverReusedAfterDelete)
{
    TempDir dir;
    auto db = Database::open(test::CopyBlankSite(dir / "site.qls"));
    ASSERT_TRUE(db.ok());
    auto first = db->insert("Articles", {{"Title", "one"}});
    auto second = db->insert("Articles", {{"Title", "two"}});
    ASSERT_TRUE(first.ok() && second.ok());
    EXPECT_EQ(db->lastInsertId(), *second);
    ASSERT_TRUE(db->remove("Articles", *second).ok());
    auto third = db->insert("Articles", {{"Title", "three"}});
    ASSERT_TRUE(third.ok());
    EXPECT_GT(*third, *second);

    ASSERT_TRUE(db->update("Articles", *first, {{"Title", "changed"}}).ok());
    auto rs = db->query("select Title from Articles where ArtID = ?", {std::to_string(*first)});
    ASSERT_TRUE(rs.ok() && !rs->eof());
    EXPECT_EQ(rs->field("title"), "changed");
}

TEST(Database, QuotesInValuesAndNamesAreBound)
{
    TempDir dir;
    auto db = Database::open(test::CopyBlankSite(dir / "site.qls"));
    ASSERT_TRUE(db.ok());
    const std::string name = "O'Brien's \"best\"; DROP TABLE Articles; --";
    ASSERT_TRUE(db->insert("Articles", {{"Category", name}, {"Section", "it's"}}).ok());
    auto rs = db->query("select * from Mini_Articles where Category=? and section=?", {name, "it's"});
    ASSERT_TRUE(rs.ok()) << rs.status().message();
    ASSERT_FALSE(rs->eof());
    EXPECT_EQ(rs->field("Category"), name);
    EXPECT_FALSE(db->query("select * from NoSuchView").ok());
}

TEST(Database, TransactionRollsBackUnlessCommitted)
{
    TempDir dir;
    auto db = Database::open(test::CopyBlankSite(dir / "site.qls"));
    ASSERT_TRUE(db.ok());
    {
        Database::Transaction t(*db);
        ASSERT_TRUE(t.begin().ok());
        ASSERT_TRUE(db->insert("Articles", {{"Title", "lost"}}).ok());
    }
    {
        Database::Transaction t(*db);
        ASSERT_TRUE(t.begin().ok());
        ASSERT_TRUE(db->insert("Articles", {{"Title", "kept"}}).ok());
        ASSERT_TRUE(t.commit().ok());
    }
    auto rs = db->query("select Title from Articles");
    ASSERT_TRUE(rs.ok() && !rs->eof());
    EXPECT_EQ(rs->field("Title"), "kept");
    ASSERT_TRUE(rs->next().ok());
    EXPECT_TRUE(rs->eof());
}

} // namespace
} // namespace qle::store
