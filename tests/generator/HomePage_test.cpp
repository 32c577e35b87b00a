#include "generator/HomePage.h"
#include "generator/StoredSiteEditor.h"
#include "store/Database.h"
#include "store/RecordSet.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace qle::generator {
namespace {

TEST(HomePage, StoredArticleOrTheLowestIdWhichIsThenSaved)
{
    struct Case
    {
        const char* name;
        std::vector<int> ids;
        store::Value homepage; // as stored before the editor opens
        const char* expectedPage;
        const char* expectedText;
        store::Value expectedStored;
        const char* expectedTitle; // the stored homepage title, "stale" before
    };
    const Case cases[] = {
        {"stored article", {3, 5}, "5", "articles/art-5.htm", "5", "5", "stale"},
        {"empty", {3, 8, 9}, "", "articles/art-3.htm", "3", "3", "page 3"},
        {"deleted article", {3, 8, 9}, "4", "articles/art-3.htm", "3", "3", "page 3"},
        {"no articles: nothing is saved", {}, std::nullopt, "articles/art-.htm", "99999", std::nullopt, "stale"},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        const std::string site = test::CopyBlankSite(dir / "site.qls");
        {
            auto db = store::Database::open(site);
            ASSERT_TRUE(db.ok());
            for (int id : c.ids)
                ASSERT_TRUE(db->execute("INSERT INTO Articles (ArtID, Title) VALUES (?, ?)",
                                        {std::to_string(id), "page " + std::to_string(id)})
                                .ok());
            ASSERT_TRUE(db->execute("UPDATE Options SET homepage = ?, homepage_title = 'stale'", {c.homepage}).ok());
        }
        auto editor = StoredSiteEditor::open(site, nullptr);
        ASSERT_TRUE(editor.ok()) << c.name;
        EXPECT_EQ(HomePagePath(false, *editor, site, "/web/").value(), c.expectedPage) << c.name;
        EXPECT_EQ(HomePagePath(true, *editor, site, "/web/").value(), std::string("/web/") + c.expectedPage) << c.name;
        EXPECT_EQ(editor->homepageText(), c.expectedText) << c.name;
        EXPECT_EQ(store::Database::open(site)->query("select homepage from Options")->field("homepage"),
                  c.expectedStored)
            << c.name;
        EXPECT_EQ(store::TextOf(store::Database::open(site)->query("select homepage_title from Options")->field(0)),
                  c.expectedTitle)
            << c.name;
        EXPECT_FALSE(HomePagePath(false, *editor, dir / "missing.qls", "/web/").ok()) << c.name;
    }
}

} // namespace
} // namespace qle::generator
