#include "app/PageStyle.h"
#include "app/Paths.h"

#include "app/SiteSchema.h"
#include "store/Database.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace qle::app {
namespace {

TEST(PageStyle, OnlyModernInAnyLetterCaseIsModern)
{
    const std::pair<const char*, PageStyle> cases[] = {
        {"Modern", PageStyle::Modern},   {"modern", PageStyle::Modern},    {" MODERN\t", PageStyle::Modern},
        {"Classic", PageStyle::Classic}, {"", PageStyle::Classic},         {"Modernist", PageStyle::Classic},
        {"Mod ern", PageStyle::Classic}, {"anything", PageStyle::Classic},
    };
    for (const auto& [text, style] : cases)
        EXPECT_EQ(PageStyleOf(text), style) << "[" << text << "]";
}

TEST(PageStyle, SiteNameIsTheFileNameWithoutItsExtension)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/sites/Garden Club.qls", "Garden Club"},
        {"/sites/My.Shop.QLS", "My.Shop"},
        {"plain", "plain"},
        {"/sites/.hidden", ".hidden"},
        {"C:\\old\\Club.qls", "Club"},
    };
    for (const auto& [path, name] : cases)
        EXPECT_EQ(SiteName(path), name) << path;
}

TEST(PageStyle, TheTemplateIsClassicAndAnOlderSiteFileWithoutTheFieldsReadsAsClassic)
{
    test::TempDir dir;
    auto shipped = store::Database::open(TemplateSitePath(test::ProgramFolder()));
    ASSERT_TRUE(shipped.ok());
    auto style = ReadSiteStyle(*shipped);
    ASSERT_TRUE(style.ok());
    EXPECT_EQ(style->style, PageStyle::Classic);

    const std::string site = test::CopyBlankSite(dir / "Old.qls");
    {
        auto db = store::Database::open(site);
        ASSERT_TRUE(db.ok());
        ASSERT_TRUE(db->execute("UPDATE Options SET Page_Style = 'modern', Your_Homepage = '  example.org  '").ok());
        style = ReadSiteStyle(*db);
        ASSERT_TRUE(style.ok());
        EXPECT_EQ(style->style, PageStyle::Modern);
        EXPECT_EQ(style->homepage, "example.org");

        // A file of an earlier version has neither field.
        ASSERT_TRUE(db->execute("ALTER TABLE Options DROP COLUMN Page_Style").ok());
        ASSERT_TRUE(db->execute("ALTER TABLE Options DROP COLUMN Your_Homepage").ok());
        style = ReadSiteStyle(*db);
        ASSERT_TRUE(style.ok());
        EXPECT_EQ(style->style, PageStyle::Classic);
        EXPECT_EQ(style->homepage, "");
    }
    // Brought up to date, it gets the field, left empty, and stays Classic.
    ASSERT_TRUE(UpgradeSiteFile(site, TemplateSitePath(test::ProgramFolder())).ok());
    auto db = store::Database::open(site);
    ASSERT_TRUE(db.ok());
    ASSERT_TRUE(db->execute("SELECT Page_Style FROM Options").ok());
    EXPECT_EQ(ReadSiteStyle(*db)->style, PageStyle::Classic);
}

} // namespace
} // namespace qle::app
