// Whole builds of fixture sites: the exact pages, the tree they leave, and failures.
#include "app/Paths.h"
#include "app/SiteSchema.h"
#include "generator/CreateWebSite.h"
#include "generator/OutputSink.h"
#include "generator/SiteBuildFixture.h"
#include "generator/StoredSiteEditor.h"
#include "store/Database.h"
#include "store/RecordSet.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <set>

namespace qle::generator {
namespace {

using namespace test_support;
namespace fs = std::filesystem;
using store::Value;

TEST_F(SiteBuildTest, FixturePagesMatchTheGoldenFiles)
{
    const std::string site = fixtureSite();
    ASSERT_TRUE(build(site, m_dir / "base/").ok());
    const auto tree = Tree(m_dir / "base/TempInternetFiles");

    const std::string golden = QLE_GOLDEN_FOLDER;
    const char* pages[] = {"articles/art-1.htm",
                           "articles/art-17.htm",
                           "articles/art-19.htm",
                           "articles/art-20.htm",
                           "articles/art-21.htm",
                           "categories/cat-tv.htm",
                           "categories/cat-empty-shelf.htm",
                           "sections/sect-football.htm",
                           "sections/sect-roses-&--b-.htm"};
    const bool update = std::getenv("QLE_UPDATE_GOLDEN") != nullptr;
    for (const char* page : pages) {
        ASSERT_EQ(tree.count(page), 1u) << page;
        std::string file = golden + fs::path(page).filename().string();
        for (std::size_t i = golden.size(); i < file.size(); ++i)
            if (!std::isalnum(static_cast<unsigned char>(file[i])) && file[i] != '.' && file[i] != '-')
                file[i] = '_'; // a portable name for the expected file
        if (update)
            test::WriteFile(file, tree.at(page));
        EXPECT_EQ(tree.at(page), test::ReadFile(file)) << page << " differs from " << file;
    }

    // Nothing but the pages and the pictures shown: 21 articles, pictures 1 to 16 and the banner.
    std::set<std::string> expected = {"categories/cat-empty-shelf.htm", "categories/cat-games.htm",
                                      "categories/cat-home-garden.htm", "categories/cat-sport.htm",
                                      "categories/cat-tv.htm",          "images/banner.gif",
                                      "sections/sect-football.htm",     "sections/sect-news.htm",
                                      "sections/sect-roses-&--b-.htm",  "sections/sect-sport.htm"};
    for (int i = 1; i <= 21; ++i)
        expected.insert("articles/art-" + std::to_string(i) + ".htm");
    for (int i = 1; i <= 16; ++i)
        expected.insert("images/p" + std::to_string(i) + ".gif");
    std::set<std::string> names;
    for (const auto& [name, bytes] : tree)
        names.insert(name);
    EXPECT_EQ(names, expected);
    EXPECT_EQ(tree.at("images/banner.gif"), "GIF89a BANNER");
    EXPECT_EQ(tree.at("images/p16.gif"), "GIF89a16") << "article 16's own page shows it";
}

TEST_F(SiteBuildTest, OddNamesStayInTheirFoldersAndEveryLinkAndPictureResolves)
{
    const std::string site = fixtureSite();
    add(site, {"Slash/Back\\slash", "x/y", "t", "p", "b", {}, {}});
    add(site, {" O'Brien's #1? 100% ", "  spaced  ", "t", "p", "b", picture("Tom's #1? 100%.gif", "GIF89a odd"), {}});
    const std::string big(1 << 20, 'x');
    add(site, {"../../escape", "..\\..\\up", "t", "p", big, {}, {}});
    add(site, {"", "\"Quoted\"", "", "", "", "", ""});
    add(site, {"Tab\there|Star*:<x>", "Line\r\nbreak\x7f", "t", "p", "b", picture("new\nline?.gif", "GIF89a"), {}});
    ASSERT_TRUE(build(site, m_dir / "base/").ok());
    const std::string web = m_dir / "base/TempInternetFiles/";
    const auto tree = Tree(web);
    for (const char* name :
         {"categories/cat-..-..-escape.htm", "sections/sect-..-..-up.htm", "categories/cat-.htm",
          "sections/sect--quoted-.htm", "categories/cat--o'brien's-#1--100%-.htm", "images/Tom's #1- 100%.gif",
          "categories/cat-tab-here-star---x-.htm", "sections/sect-line--break-.htm", "images/new-line-.gif"})
        EXPECT_EQ(tree.count(name), 1u) << name;
    std::set<std::string> besideTheWebFolder;
    for (const auto& entry : fs::directory_iterator(m_dir / "base"))
        besideTheWebFolder.insert(entry.path().filename().string());
    EXPECT_EQ(besideTheWebFolder,
              (std::set<std::string> {"QuillonEngine.lock", "QuillonEngine_build.txt", "QuillonEngine_built.txt",
                                      "QuillonEngine_rows.dat", "TempInternetFiles", ".TempInternetFiles.removing"}))
        << "nothing outside the web folder but the build's lock, record, list and summary, and the previous site to "
           "remove";
    EXPECT_NE(tree.at("articles/art-24.htm").find(big), std::string::npos);
    EXPECT_GT(ExpectEveryLinkResolves(web, tree), 400);
}

TEST_F(SiteBuildTest, LongNamesAreShortenedAndEveryLinkStillReachesItsPage)
{
    const std::string site = fixtureSite();
    const std::string longName(300, 'L');
    const std::string accented = "\xC3\x84" + std::string(120, 'a') + std::string(60, ' ') + "\xC3\xA9\xC3\xA9\xC3\xA9";
    add(site, {longName, longName, "t", "p", "b", {}, {}});
    add(site, {longName + "2", longName, "t", "p", "b", {}, {}}); // begins as the first does
    add(site, {accented + std::string(100, 'e'), "S", "t", "p", "b", {}, {}});
    add(site, {"TV", accented + std::string(100, 'e'), "t", "p", "b", {}, {}});
    // An older site file, whose navigation lists know nothing of long names, is brought up to date.
    sql(site, "DROP VIEW List_Categories");
    sql(site, "CREATE VIEW List_Categories AS SELECT Category AS Text, '../categories/cat-' || lower(Category) || "
              "'.htm' AS link FROM Articles WHERE Category IS NOT NULL GROUP BY Category ORDER BY Text");
    ASSERT_TRUE(app::UpgradeSiteFile(site, app::TemplateSitePath(test::ProgramFolder())).ok());

    RecordingEditor recorder;
    ASSERT_TRUE(build(site, m_dir / "base/", &recorder).ok()) << recorder.calls.back();
    const std::string web = m_dir / "base/TempInternetFiles/";
    const auto tree = Tree(web);
    std::size_t longPages = 0;
    for (const auto& [name, bytes] : tree) {
        EXPECT_LE(fs::path(name).filename().string().size(), app::kMaxPageFileNameBytes) << name;
        longPages += name.find("llllllllll") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(longPages, 3u) << "two categories and one section, each a page of its own";
    EXPECT_GT(ExpectEveryLinkResolves(web, tree), 400);
    // One warning for each name shortened, naming the page written.
    EXPECT_EQ(
        std::count_if(recorder.warnings.begin(), recorder.warnings.end(),
                      [](const std::string& w) { return w.find("is too long for a file name") != std::string::npos; }),
        5);
    EXPECT_NE(std::find(recorder.warnings.begin(), recorder.warnings.end(),
                        "The category \"" + longName + "\" is too long for a file name; its page is categories/" +
                            app::PageFileName("cat-", longName) + "."),
              recorder.warnings.end());
}

TEST_F(SiteBuildTest, TwoBuildsWriteIdenticalTrees)
{
    const std::string site = fixtureSite();
    ASSERT_TRUE(build(site, m_dir / "one/").ok());
    ASSERT_TRUE(build(site, m_dir / "two/").ok());
    ASSERT_TRUE(build(site, m_dir / "two/").ok());
    EXPECT_EQ(Tree(m_dir / "one/TempInternetFiles"), Tree(m_dir / "two/TempInternetFiles"));
}

TEST_F(SiteBuildTest, AnUnreadableSiteEmptiesNothingAndAnotherSiteLeavesOnlyItsPagesAndPictures)
{
    const std::string a = fixtureSite();
    const std::string b = newSite("b.qls");
    add(b, {"Cars", "Vans", "Van", "p", "b", picture("van.gif", "GIF89a VAN"), "s"});
    ASSERT_TRUE(build(a, m_dir / "base/").ok());
    test::WriteFile(m_dir / "base/TempInternetFiles/Index.htm", "front page");

    // An unreadable site stops before anything is emptied.
    RecordingEditor recorder;
    const Status status = build(m_dir / "missing.qls", m_dir / "base/", &recorder);
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.message().find(m_dir / "missing.qls"), std::string::npos) << status.message();
    EXPECT_EQ(recorder.calls.back(), "progress " + std::string(kUpdateFailedText));
    EXPECT_TRUE(test::PathExists(m_dir / "base/TempInternetFiles/articles/art-21.htm"));
    test::WriteFile(m_dir / "garbage.qls", "not a database");
    EXPECT_FALSE(build(m_dir / "garbage.qls", m_dir / "base/").ok());

    ASSERT_TRUE(build(b, m_dir / "base/").ok());
    std::string names;
    for (const auto& [name, bytes] : Tree(m_dir / "base/TempInternetFiles"))
        names += name + " ";
    EXPECT_EQ(names, "Index.htm articles/art-1.htm categories/cat-cars.htm images/van.gif sections/sect-vans.htm ");
    const std::string page = test::ReadFile(m_dir / "base/TempInternetFiles/articles/art-1.htm");
    const std::string start = "<HTML>\r\n<HEAD></HEAD>\r\n<BODY BGCOLOR=LIGHTYELLOW>\r\n<TABLE BORDER=2 WIDTH=600>\r\n";
    EXPECT_EQ(page.substr(0, start.size()), start) << "no banner: the table follows the page start";
}

TEST_F(SiteBuildTest, TheBannerWinsAClashOfPictureNamesUnlessItIsMissing)
{
    const std::string site = newSite("clash.qls");
    add(site, {"C", "S", "t", "p", "b", picture("other/banner.gif", "GIF89a ARTICLE"), {}});
    const std::pair<std::string, std::string> cases[] = {
        {picture("banner.gif", "GIF89a BANNER"), "GIF89a BANNER"},
        {m_dir / "pics/gone/banner.gif", "GIF89a ARTICLE"},
    };
    for (const auto& [banner, expected] : cases) {
        sql(site, "UPDATE Options SET Banner = ?", {banner});
        ASSERT_TRUE(build(site, m_dir / "base/").ok());
        EXPECT_EQ(test::ReadFile(m_dir / "base/TempInternetFiles/images/banner.gif"), expected) << banner;
    }
}

TEST_F(SiteBuildTest, UpdateSiteReportsProgressAndStoresTheHomepageFallback)
{
    const std::string site = newSite("home.qls");
    for (int i = 0; i < 3; ++i)
        add(site, {"C", "S", "t", "p", "b", {}, {}});
    sql(site, "DELETE FROM Articles WHERE ArtID = 1");

    auto editor = StoredSiteEditor::open(site, nullptr);
    ASSERT_TRUE(editor.ok());
    const std::string web = m_dir / "base/TempInternetFiles/";
    ASSERT_TRUE(UpdateSite(*editor, site, web).ok());
    EXPECT_EQ(editor->browserAddress(), "file://" + web + "articles/art-2.htm");
    auto db = store::Database::open(site);
    EXPECT_EQ(db->query("select homepage from Options")->field("homepage"), "2");

    RecordingEditor recorder;
    recorder.homepage = "3";
    ASSERT_TRUE(UpdateSite(recorder, site, web).ok());
    EXPECT_EQ(recorder.calls, (std::vector<std::string> {"progress Updating site, please wait ...", "commit pages",
                                                         "commit options", "events", "progress Done", "timer 2000",
                                                         "browse file://" + web + "articles/art-3.htm"}));
}

TEST_F(SiteBuildTest, AMissingSavedQueryNamesItselfAndTheFile)
{
    const std::string site = fixtureSite();
    sql(site, "DROP VIEW Mini_Articles");
    const Status status = build(site, m_dir / "base/");
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.message().find("Mini_Articles"), std::string::npos) << status.message();
    EXPECT_NE(status.message().find(site), std::string::npos) << status.message();
    EXPECT_FALSE(test::PathExists(m_dir / "base/TempInternetFiles/articles/art-21.htm")) << "no half site";
}

} // namespace
} // namespace qle::generator
