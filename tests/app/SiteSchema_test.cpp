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
