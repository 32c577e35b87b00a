#include "app/PageStyle.h"

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

TEST(PageStyle, TheTemplateIsModernAndAnOlderSiteFileWithoutTheFieldsReadsAsClassic)
{
    test::TempDir dir;
    auto shipped = store::Database::open(TemplateSitePath(test::ProgramFolder()));
    ASSERT_TRUE(shipped.ok());
    auto style = ReadSiteStyle(*shipped);
    ASSERT_TRUE(style.ok());
    EXPECT_EQ(style->style, PageStyle::Modern) << "a new site is Modern";

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
}

} // namespace
} // namespace qle::app
