#include "generator/HomePage.h"
#include "generator/StoredSiteEditor.h"
#include "store/Database.h"
#include "store/RecordSet.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace qle::generator {
namespace {

class HomePage : public ::testing::Test
{
protected:
    void SetUp() override { test::CopyBlankSite(m_site); }

    store::Database db()
    {
        auto opened = store::Database::open(m_site);
        EXPECT_TRUE(opened.ok());
        return std::move(opened.value());
    }

    void addArticles(std::initializer_list<int> ids)
    {
        auto site = db();
        for (int id : ids)
            ASSERT_TRUE(site.execute("INSERT INTO Articles (ArtID, Title) VALUES (?, 't')", {std::to_string(id)}).ok());
    }

    store::Value storedHomepage()
    {
        auto site = db();
        auto rs = site.query("select homepage from Options");
        return rs->field("homepage");
    }

    test::TempDir m_dir;
    std::string m_site = m_dir / "site.qls";
};

TEST_F(HomePage, StoredArticleIsUsedAsItIs)
{
    addArticles({3, 5});
    ASSERT_TRUE(db().execute("UPDATE Options SET homepage = 5").ok());
    auto editor = StoredSiteEditor::open(m_site, nullptr);
    ASSERT_TRUE(editor.ok());
    EXPECT_EQ(HomePagePath(true, *editor, m_site, "/web/").value(), "/web/articles/art-5.htm");
    EXPECT_EQ(HomePagePath(false, *editor, m_site, "/web/").value(), "articles/art-5.htm");
}

TEST_F(HomePage, EmptyOrDeletedHomepageFallsBackToLowestIdAndIsSaved)
{
    addArticles({3, 8, 9});
    for (const char* stored : {"", "4"}) {
        auto editor = StoredSiteEditor::open(m_site, nullptr);
        ASSERT_TRUE(editor.ok());
        editor->setHomepageText(stored);
        EXPECT_EQ(HomePagePath(false, *editor, m_site, "/web/").value(), "articles/art-3.htm") << stored;
        EXPECT_EQ(editor->homepageText(), "3");
        EXPECT_EQ(storedHomepage(), "3");
        ASSERT_TRUE(db().execute("UPDATE Options SET homepage = NULL").ok());
    }
}

TEST_F(HomePage, SiteWithoutArticlesGivesNoPageName)
{
    auto editor = StoredSiteEditor::open(m_site, nullptr);
    ASSERT_TRUE(editor.ok());
    EXPECT_EQ(HomePagePath(false, *editor, m_site, "/web/").value(), "articles/art-.htm");
    EXPECT_EQ(editor->homepageText(), "99999");
    EXPECT_EQ(storedHomepage(), std::nullopt) << "nothing is saved when there is no fallback";
    EXPECT_FALSE(HomePagePath(false, *editor, m_dir / "missing.qls", "/web/").ok());
}

} // namespace
} // namespace qle::generator
