#include "app/SiteSchema.h"

#include "store/Database.h"
#include "store/RecordSet.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace qle::app {
namespace {

std::string ViewSql(store::Database& db, const std::string& view)
{
    auto rows = db.query("SELECT sql FROM sqlite_master WHERE name = ?", {std::string(view)});
    return rows && !rows->eof() ? std::string(rows->text(0)) : std::string();
}

// What a file of a version before the change log lacks.
void DropChangeLog(store::Database& db)
{
    for (const auto& trigger : kChangeLogTriggers)
        ASSERT_TRUE(db.execute("DROP TRIGGER " + std::string(trigger.name)).ok());
    ASSERT_TRUE(db.execute("DROP TABLE Article_Changes").ok());
}

TEST(UpgradeSiteFile, OlderViewsAndMissingFieldsAreBroughtUpToDateAndTheRestKept)
{
    test::TempDir dir;
    const auto shipped = TemplateSitePath(test::ProgramFolder());
    const auto site = test::CopyBlankSite(dir / "Old.qls");
    {
        auto db = store::Database::open(site);
        ASSERT_TRUE(db);
        // An earlier version's file: an older link rule and an Options record without a later field.
        ASSERT_TRUE(db->execute("DROP VIEW List_Sections").ok());
        ASSERT_TRUE(db->execute("CREATE VIEW List_Sections AS SELECT Category AS category, Section AS Text, "
                                "'old' AS link FROM Articles")
                        .ok());
        ASSERT_TRUE(db->execute("ALTER TABLE Options DROP COLUMN Your_Homepage").ok());
        ASSERT_TRUE(db->execute("UPDATE Options SET Ftp_Username = 'kept'").ok());
        ASSERT_TRUE(db->insert("Articles", {{"Title", std::string("Page")}}));
    }

    ASSERT_TRUE(UpgradeSiteFile(site, shipped).ok());

    auto db = store::Database::open(site);
    auto model = store::Database::open(shipped);
    ASSERT_TRUE(db && model);
    EXPECT_EQ(ViewSql(*db, "List_Sections"), ViewSql(*model, "List_Sections"));
    auto options = db->query("SELECT Ftp_Username, Your_Homepage FROM Options");
    ASSERT_TRUE(options && !options->eof());
    EXPECT_EQ(options->text(0), "kept");
    EXPECT_TRUE(options->isNull(1));
    auto pages = db->query("SELECT count(*) FROM Articles");
    EXPECT_EQ(pages->text(0), "1");
}

// A file of an earlier version gains the change log, which then logs every change; a trigger
// changed by hand is made ours again; a file whose articles have no ArtID is left as it is.
TEST(UpgradeSiteFile, TheChangeLogIsAddedToOlderFilesAndLogsEveryChange)
{
    test::TempDir dir;
    const auto shipped = TemplateSitePath(test::ProgramFolder());
    const auto site = test::CopyBlankSite(dir / "Old.qls");
    {
        auto db = store::Database::open(site);
        ASSERT_TRUE(db);
        DropChangeLog(*db);
        ASSERT_TRUE(db->execute("DROP INDEX Articles_Category_Section").ok());
        ASSERT_TRUE(db->insert("Articles", {{"Title", std::string("Kept")}}));
    }
    ASSERT_TRUE(UpgradeSiteFile(site, shipped).ok());
    {
        auto db = store::Database::open(site);
        EXPECT_EQ(ViewSql(*db, "Article_Changes"), kChangeLogTable);
        EXPECT_EQ(ViewSql(*db, "Articles_Category_Section"), kArticlesIndex);
        ASSERT_TRUE(db->execute("DROP TRIGGER Article_Changes_Delete").ok());
        ASSERT_TRUE(
            db->execute("CREATE TRIGGER Article_Changes_Delete AFTER DELETE ON Articles BEGIN SELECT 1; END").ok());
    }
    ASSERT_TRUE(UpgradeSiteFile(site, shipped).ok());

    auto db = store::Database::open(site);
    for (const auto& trigger : kChangeLogTriggers)
        EXPECT_EQ(ViewSql(*db, std::string(trigger.name)), trigger.sql);
    EXPECT_EQ(db->query("SELECT Title FROM Articles")->text(0), "Kept");
    auto second = db->insert("Articles", {{"Title", std::string("Second")}});
    ASSERT_TRUE(second);
    ASSERT_TRUE(db->execute("UPDATE Articles SET ArtID = 50 WHERE Title = 'Kept'").ok());
    ASSERT_TRUE(db->execute("UPDATE Articles SET Body = 'b' WHERE ArtID = 50").ok());
    ASSERT_TRUE(db->execute("DELETE FROM Articles WHERE ArtID = 50").ok());
    std::string logged;
    auto rows = db->query("SELECT ifnull(ArtID, '-'), length(Token) FROM Article_Changes ORDER BY Seq");
    for (; !rows->eof(); (void)rows->next())
        logged += std::string(rows->text(0)) + "/" + std::string(rows->text(1)) + " ";
    EXPECT_EQ(logged, "-/8 " + std::to_string(*second) + "/8 1/8 50/8 50/8 50/8 ");

    const auto foreign = test::CopyBlankSite(dir / "Foreign.qls");
    {
        auto other = store::Database::open(foreign);
        ASSERT_TRUE(other->execute("DROP TABLE Article_Changes").ok());
        ASSERT_TRUE(other->execute("DROP TABLE Articles").ok());
        ASSERT_TRUE(other->execute("CREATE TABLE Articles (Title TEXT, Category TEXT, Section TEXT)").ok());
    }
    EXPECT_TRUE(UpgradeSiteFile(foreign, shipped).ok());
    EXPECT_EQ(ViewSql(*store::Database::open(foreign), "Article_Changes"), "");
}

// The log spares rebuilds work, nothing more: a file that cannot take it now (here another program
// holds its write lock to the end of the wait) still counts as brought up to date, and gets it later.
TEST(UpgradeSiteFile, AFileThatCannotTakeTheChangeLogStillOpens)
{
    test::TempDir dir;
    const auto shipped = TemplateSitePath(test::ProgramFolder());
    const auto site = test::CopyBlankSite(dir / "Held.qls");
    {
        auto db = store::Database::open(site);
        ASSERT_TRUE(db);
        DropChangeLog(*db);
    }
    {
        auto holder = store::Database::open(site);
        ASSERT_TRUE(holder && holder->execute("BEGIN IMMEDIATE").ok());
        EXPECT_TRUE(UpgradeSiteFile(site, shipped).ok());
        ASSERT_TRUE(holder->execute("COMMIT").ok());
    }
    EXPECT_EQ(ViewSql(*store::Database::open(site), "Article_Changes"), "");
    ASSERT_TRUE(UpgradeSiteFile(site, shipped).ok());
    EXPECT_EQ(ViewSql(*store::Database::open(site), "Article_Changes"), kChangeLogTable);
}

TEST(UpgradeSiteFile, ACurrentFileIsNotWrittenAndAForeignOneIsNamed)
{
    test::TempDir dir;
    const auto shipped = TemplateSitePath(test::ProgramFolder());
    const auto site = test::CopyBlankSite(dir / "Current.qls");
    const auto before = test::ReadFile(site);
    EXPECT_TRUE(UpgradeSiteFile(site, shipped).ok());
    EXPECT_EQ(test::ReadFile(site), before);

    const auto foreign = test::CopyBlankSite(dir / "Foreign.qls");
    {
        auto db = store::Database::open(foreign);
        ASSERT_TRUE(db->execute("DROP TABLE Options").ok());
    }
    const auto status = UpgradeSiteFile(foreign, shipped);
    EXPECT_NE(status.message().find("is not a Quillon Engine site (no Options table)"), std::string::npos)
        << status.message();
}

} // namespace
} // namespace qle::app
