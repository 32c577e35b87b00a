// Whole builds of fixture sites: the exact pages, the tree they leave, and failures.
#include "generator/CreateWebSite.h"
#include "generator/OutputSink.h"
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

namespace fs = std::filesystem;
using store::Value;

struct Article
{
    Value category, section, title, para, body, image, strap;
};

// Every file below a folder, by path relative to it; the folder routines' marker files are left out.
std::map<std::string, std::string> Tree(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file() && entry.path().filename() != "temp.fle")
            files[fs::relative(entry.path(), folder).string()] = test::ReadFile(entry.path().string());
    return files;
}

// Keeps what the driver asks of the editor, in order.
class RecordingEditor : public SiteEditor
{
public:
    void setProgressText(const std::string& text) override { calls.push_back("progress " + text); }
    void startClearProgressTimer(int ms) override { calls.push_back("timer " + std::to_string(ms)); }
    void commitEdits(DataSource source) override
    {
        calls.push_back(source == DataSource::Pages ? "commit pages" : "commit options");
    }
    std::string homepageText() const override { return homepage; }
    void setHomepageText(const std::string& text) override { homepage = text; }
    void setHomepageTitle(const std::string& title) override { calls.push_back("title " + title); }
    void navigateBrowser(const std::string& address) override { calls.push_back("browse " + address); }
    void processEvents() override { calls.push_back("events"); }

    std::vector<std::string> calls;
    std::string homepage;
};

class SiteBuildTest : public ::testing::Test
{
protected:
    std::string newSite(const std::string& name) { return test::CopyBlankSite(m_dir / name); }

    void add(const std::string& site, const Article& a)
    {
        auto db = store::Database::open(site);
        ASSERT_TRUE(db.ok());
        auto id = db->insert("Articles", {{"Category", a.category},
                                          {"Section", a.section},
                                          {"Title", a.title},
                                          {"Para", a.para},
                                          {"Body", a.body},
                                          {"Image", a.image},
                                          {"Image_Strap", a.strap}});
        ASSERT_TRUE(id.ok()) << id.status().message();
    }

    void sql(const std::string& site, const std::string& statement, const store::Params& params = {})
    {
        auto db = store::Database::open(site);
        ASSERT_TRUE(db.ok());
        ASSERT_TRUE(db->execute(statement, params).ok()) << statement;
    }

    std::string picture(const std::string& relative, const std::string& bytes)
    {
        const std::string path = m_dir / ("pics/" + relative);
        fs::create_directories(fs::path(path).parent_path());
        test::WriteFile(path, bytes);
        return path;
    }

    // The fixture: every builder and the odd inputs the pages must carry as they stand.
    std::string fixtureSite()
    {
        const std::string site = newSite("fixture.qls");
        for (int i = 1; i <= 16; ++i) {
            const std::string n = std::to_string(i);
            add(site, {"TV", i <= 8 ? "Sport" : "News", "Story " + n, "Para " + n, "Body " + n,
                       picture("p" + n + ".gif", "GIF" + n), "Strap " + n});
        }
        add(site, {"Sport", "Football", "Cup final", "Short", "First paragraph.\r\n\r\nSecond paragraph.", {}, {}});
        add(site, {"Games", "Football", "Table football", "Spin", "Fun", m_dir / "pics/p1.gif", {}});
        add(site, {});
        add(site, {"Empty Shelf", {}, "Lonely", "p", "lone LF\nand lone CR\rend", "", ""});
        add(site, {"Home Garden", "Roses & <b>", "Tom's \"best\" <i>roses</i> & \xC3\xBC", "<p>para</p>", "",
                   "/nonexistent/missing.jpg", "gone"});
        sql(site,
            "UPDATE Options SET CatPanel0 = 'Blue', CatPanel1 = 'White', CatPanel2 = 'Blue', SectPanel0 = '', "
            "SectPanel1 = '', SectPanel2 = NULL, Banner = ?",
            {picture("banner.gif", "BANNER")});
        return site;
    }

    Status build(const std::string& site, const std::string& base, RecordingEditor* recorder = nullptr)
    {
        if (recorder)
            return UpdateSite(*recorder, site, base + "TempInternetFiles/");
        auto editor = StoredSiteEditor::open(site, nullptr);
        if (!editor)
            return editor.status();
        return UpdateSite(*editor, site, base + "TempInternetFiles/");
    }

    test::TempDir m_dir;
};

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
                           "sections/sect-roses-&-<b>.htm"};
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
                                      "sections/sect-roses-&-<b>.htm",  "sections/sect-sport.htm"};
    for (int i = 1; i <= 21; ++i)
        expected.insert("articles/art-" + std::to_string(i) + ".htm");
    for (int i = 1; i <= 16; ++i)
        expected.insert("images/p" + std::to_string(i) + ".gif");
    std::set<std::string> names;
    for (const auto& [name, bytes] : tree)
        names.insert(name);
    EXPECT_EQ(names, expected);
    EXPECT_EQ(tree.at("images/banner.gif"), "BANNER");
    EXPECT_EQ(tree.at("images/p16.gif"), "GIF16") << "article 16's own page shows it";
}

TEST_F(SiteBuildTest, OddNamesStayInTheirFoldersAndEveryLinkAndPictureResolves)
{
    const std::string site = fixtureSite();
    add(site, {"Slash/Back\\slash", "x/y", "t", "p", "b", {}, {}});
    add(site, {" O'Brien's #1? 100% ", "  spaced  ", "t", "p", "b", picture("Tom's #1? 100%.gif", "odd"), {}});
    const std::string big(1 << 20, 'x');
    add(site, {"../../escape", "..\\..\\up", "t", "p", big, {}, {}});
    add(site, {"", "\"Quoted\"", "", "", "", "", ""});
    ASSERT_TRUE(build(site, m_dir / "base/").ok());
    const std::string web = m_dir / "base/TempInternetFiles/";
    const auto tree = Tree(web);
    for (const char* name : {"categories/cat-..-..-escape.htm", "sections/sect-..-..-up.htm", "categories/cat-.htm",
                             "sections/sect-\"quoted\".htm", "categories/cat--o'brien's-#1?-100%-.htm"})
        EXPECT_EQ(tree.count(name), 1u) << name;
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir / "base"), {}), 1) << "nothing outside the web folder";
    EXPECT_NE(tree.at("articles/art-24.htm").find(big), std::string::npos);
    const std::regex address(R"((?:HREF='([^']*)')|(?:href=([^>]*)>)|(?:SRC='([^']*)'))");
    auto decode = [](const std::string& text) {
        std::string out;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '%' && i + 2 < text.size()) {
                out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                out += text[i];
            }
        }
        return out;
    };
    int checked = 0;
    for (const auto& [name, bytes] : tree) {
        if (name.size() < 4 || name.substr(name.size() - 4) != ".htm")
            continue;
        const std::string folder = fs::path(name).parent_path().string();
        for (std::sregex_iterator it(bytes.begin(), bytes.end(), address), end; it != end; ++it) {
            const std::string target = (*it)[1].matched   ? (*it)[1].str()
                                       : (*it)[2].matched ? (*it)[2].str()
                                                          : (*it)[3].str();
            if (target.find("missing.jpg") != std::string::npos)
                continue; // its source picture does not exist
            const std::string resolved = fs::path(web + folder + "/" + decode(target)).lexically_normal().string();
            EXPECT_EQ(resolved.rfind(web, 0), 0u) << target << " in " << name;
            EXPECT_TRUE(fs::is_regular_file(resolved)) << target << " in " << name;
            EXPECT_EQ(target.find_first_of("'\"#?"), std::string::npos) << "unescaped: " << target << " in " << name;
            ++checked;
        }
    }
    EXPECT_GT(checked, 400);
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
    add(b, {"Cars", "Vans", "Van", "p", "b", picture("van.gif", "VAN"), "s"});
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
    add(site, {"C", "S", "t", "p", "b", picture("other/banner.gif", "ARTICLE"), {}});
    const std::pair<std::string, std::string> cases[] = {
        {picture("banner.gif", "BANNER"), "BANNER"},
        {m_dir / "pics/gone/banner.gif", "ARTICLE"},
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

TEST_F(SiteBuildTest, AFailedWriteStopsTheBuildNamingTheFileAndKeepsEarlierPages)
{
    const std::string site = fixtureSite();
    const std::string web = m_dir / "base/TempInternetFiles/";
    fs::create_directories(web + "articles/art-3.htm"); // a folder where a page must go
    RecordingEditor recorder;
    const Status status = build(site, m_dir / "base/", &recorder);
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.message().find(web + "articles/art-3.htm"), std::string::npos) << status.message();
    EXPECT_TRUE(test::PathExists(web + "articles/art-2.htm"));
    EXPECT_TRUE(test::PathExists(web + "images/p1.gif")) << "pages written keep their pictures";
    EXPECT_FALSE(test::PathExists(web + "articles/art-4.htm"));
    for (const auto& call : recorder.calls)
        EXPECT_EQ(call.rfind("browse", 0), std::string::npos);
    EXPECT_EQ(recorder.calls.back(), "progress " + std::string(kUpdateFailedText));

    // A page folder that cannot be made.
    fs::remove_all(web + "sections");
    test::WriteFile(web + "sections", "a file");
    const Status folder = build(site, m_dir / "base/");
    EXPECT_NE(folder.message().find(web + "sections"), std::string::npos) << folder.message();
}

TEST_F(SiteBuildTest, AMissingSavedQueryNamesItselfAndTheFile)
{
    const std::string site = fixtureSite();
    sql(site, "DROP VIEW Mini_Articles");
    const Status status = build(site, m_dir / "base/");
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.message().find("Mini_Articles"), std::string::npos) << status.message();
    EXPECT_NE(status.message().find(site), std::string::npos) << status.message();
    EXPECT_TRUE(test::PathExists(m_dir / "base/TempInternetFiles/articles/art-21.htm"));
}

} // namespace
} // namespace qle::generator
