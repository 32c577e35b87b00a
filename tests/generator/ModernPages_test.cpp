// Whole builds in the Modern style: the exact pages, the same files and links as the Classic
// style, the site-wide files, and the way back to Classic.
#include "generator/CreateWebSite.h"
#include "generator/OutputSink.h"
#include "generator/SiteFeeds.h"
#include "store/Database.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <utime.h>

namespace qle::generator {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;

// A GIF header giving the size; the pixels do not matter to the pages.
std::string Gif(int width, int height)
{
    std::string bytes = "GIF89a";
    for (int v : {width, height}) {
        bytes += static_cast<char>(v & 0xFF);
        bytes += static_cast<char>(v >> 8);
    }
    return bytes + std::string(8, '\0');
}

class ModernBuild : public ::testing::Test
{
protected:
    std::string picture(const std::string& name, const std::string& bytes)
    {
        const std::string path = m_dir / ("pics/" + name);
        fs::create_directories(fs::path(path).parent_path());
        test::WriteFile(path, bytes);
        return path;
    }

    void add(const std::vector<store::Value>& v)
    {
        auto db = store::Database::open(m_site);
        ASSERT_TRUE(db.ok());
        auto id = db->insert("Articles", {{"Category", v[0]},
                                          {"Section", v[1]},
                                          {"Title", v[2]},
                                          {"Para", v[3]},
                                          {"Body", v[4]},
                                          {"Image", v[5]},
                                          {"Image_Strap", v[6]}});
        ASSERT_TRUE(id.ok()) << id.status().message();
    }

    void options(const std::string& assignments, const store::Params& params = {})
    {
        auto db = store::Database::open(m_site);
        ASSERT_TRUE(db.ok());
        ASSERT_TRUE(db->execute("UPDATE Options SET " + assignments, params).ok()) << assignments;
    }

    // Plain-text content (the checker judges only our own markup), every page kind, a list past
    // the picture limit, odd names, and pictures with and without a readable size.
    void fillFixture()
    {
        m_site = test::CopyBlankSite(m_dir / "Garden Club.qls");
        add({"Home Garden", "Roses", "Tom's roses & \"tulips\"", "Roses < tulips, & more.", "Line one\r\nLine two",
             picture("rose.gif", Gif(640, 480)), "Red roses"});
        for (int i = 1; i <= 16; ++i) {
            const std::string n = std::to_string(i);
            add({"TV", i <= 8 ? "Sport" : "News", "Story " + n, "Para " + n, "Body " + n,
                 picture("p" + n + ".gif", Gif(20 + i, 10)), "Strap " + n});
        }
        add({"TV", "Sport", "", "", "", picture("unknown.bin", "not a picture"), ""});
        add({"Sport", "Football", "Cup final", "Short", "First.\r\n\r\nSecond.", "", {}});
        add({"Odd #1? 100%", "A/B Tom's", "Odd", "p", "b", picture("Tom's #1? 100%.gif", Gif(5, 5)), {}});
        add({{}, {}, {}, {}, {}, {}, {}});
        options("CatPanel0 = 'LightOrange', CatPanel1 = 'white', CatPanel2 = 'Blue', SectPanel0 = 'lightbrown', "
                "SectPanel1 = '', SectPanel2 = NULL, DetPanel0 = 'LightBlue', DetPanel1 = 'White', "
                "DetPanel2 = 'x; } body { display: none', Banner = ?, Your_Homepage = 'example.org/club', "
                "Page_Style = 'Modern'",
                {picture("banner.gif", Gif(600, 80))});
        // The feed's time is the site file's last change.
        const ::utimbuf fixed {1773446400, 1773446400}; // 2026-03-14T00:00:00Z
        ASSERT_EQ(::utime(m_site.c_str(), &fixed), 0);
    }

    Files build(std::vector<std::string>* warnings = nullptr)
    {
        auto db = store::Database::open(m_site);
        EXPECT_TRUE(db.ok());
        MemorySink sink;
        std::vector<std::string> found;
        const Status status = BuildPages(*db, sink, warnings ? *warnings : found);
        EXPECT_TRUE(status.ok()) << status.message();
        return sink.files();
    }

    test::TempDir m_dir;
    std::string m_site;
};

TEST_F(ModernBuild, FixturePagesMatchTheGoldenFiles)
{
    fillFixture();
    const Files files = build();
    const std::string golden = std::string(QLE_GOLDEN_FOLDER) + "modern/";
    const bool update = std::getenv("QLE_UPDATE_GOLDEN") != nullptr;
    for (const char* page : {"articles/art-1.htm", "articles/art-18.htm", "articles/art-19.htm", "articles/art-21.htm",
                             "categories/cat-tv.htm", "sections/sect-roses.htm", "images/style.css", "sitemap.xml",
                             "feed.xml", "Index.htm"}) {
        ASSERT_EQ(files.count(page), 1u) << page;
        const std::string file = golden + fs::path(page).filename().string();
        if (update)
            test::WriteFile(file, files.at(page));
        EXPECT_EQ(files.at(page), test::ReadFile(file)) << page << " differs from " << file;
    }
}

// Every address of a page, resolved against the page's folder, with the page's own escapes undone.
std::multiset<std::string> Targets(const std::string& page, const std::string& bytes, bool modern)
{
    static const std::regex classic(R"((?:HREF='([^']*)')|(?:href=([^>]*)>)|(?:SRC='([^']*)'))");
    static const std::regex html5(R"x((?:href|src)="([^"]*)")x");
    std::multiset<std::string> targets;
    const std::string folder = fs::path(page).parent_path().string();
    for (std::sregex_iterator it(bytes.begin(), bytes.end(), modern ? html5 : classic), end; it != end; ++it) {
        std::string raw;
        for (std::size_t i = 1; i < it->size(); ++i)
            if ((*it)[i].matched)
                raw = (*it)[i].str();
        if (raw.rfind("data:", 0) == 0)
            continue; // carried in the address itself
        raw = std::regex_replace(raw, std::regex("&amp;"), "&");
        const std::string resolved = fs::path(folder + "/" + test::PercentDecoded(raw)).lexically_normal().string();
        if (resolved != "images/style.css" && resolved != "feed.xml")
            targets.insert(resolved);
    }
    return targets;
}

TEST_F(ModernBuild, ShowsTheSameFilesLinksAndPicturesAsTheClassicStyle)
{
    fillFixture();
    const Files modern = build();
    options("Page_Style = 'Classic'");
    const Files classic = build();

    std::set<std::string> modernNames, classicNames;
    for (const auto& [name, bytes] : modern)
        modernNames.insert(name);
    for (const auto& [name, bytes] : classic)
        classicNames.insert(name);
    for (const char* extra : {"images/style.css", "sitemap.xml", "feed.xml", "Index.htm"})
        EXPECT_EQ(modernNames.erase(extra), 1u) << extra;
    EXPECT_EQ(modernNames, classicNames);

    int pages = 0;
    for (const auto& [name, bytes] : classic) {
        if (name.rfind(".htm") != name.size() - 4)
            continue;
        ++pages;
        const auto targets = Targets(name, modern.at(name), true);
        const auto classicTargets = Targets(name, bytes, false);
        // The same places, whatever each style escapes.
        EXPECT_EQ(std::set<std::string>(targets.begin(), targets.end()),
                  std::set<std::string>(classicTargets.begin(), classicTargets.end()))
            << name;
        for (const auto& target : targets) {
            if (target.rfind("images/", 0) == 0 && target != "images/unknown.bin") {
                EXPECT_EQ(modern.count(target), 1u) << target << " in " << name;
            }
        }
    }
    EXPECT_EQ(pages, 30);
}

TEST_F(ModernBuild, TheForwardingPageSendsVisitorsToTheHomepageAtOnce)
{
    fillFixture();
    const struct
    {
        const char* settings;
        const char* page;
        const char* canonical; // empty: none
    } cases[] = {
        {"homepage = 3, Your_Homepage = 'example.org/club'", "articles/art-3.htm",
         "https://example.org/club/articles/art-3.htm"},
        {"homepage = 999, Your_Homepage = ''", "articles/art-1.htm", ""}, // names no article: the lowest id
        {"homepage = NULL, Your_Homepage = NULL", "articles/art-1.htm", ""},
    };
    for (const auto& c : cases) {
        options(c.settings);
        const std::string index = build().at("Index.htm");
        const std::string page = c.page;
        EXPECT_NE(index.find("<meta http-equiv=\"refresh\" content=\"0; url=" + page + "\">\r\n"), std::string::npos)
            << index;
        EXPECT_NE(index.find("<p><a href=\"" + page + "\">"), std::string::npos) << index;
        EXPECT_EQ(index.find("rel=\"canonical\"") != std::string::npos, *c.canonical != '\0') << c.settings;
        if (*c.canonical) {
            EXPECT_NE(index.find(std::string("<link rel=\"canonical\" href=\"") + c.canonical + "\">"),
                      std::string::npos);
        }
        EXPECT_EQ(index.find("logo"), std::string::npos) << "no logo, no wait";
    }
    ASSERT_TRUE(store::Database::open(m_site)->execute("DELETE FROM Articles").ok());
    EXPECT_EQ(build().count("Index.htm"), 0u) << "no article to forward to";
}

TEST_F(ModernBuild, SwitchingBackToClassicRestoresTheClassicBytes)
{
    fillFixture();
    options("Page_Style = ''");
    const Files before = build();
    for (const char* style : {"Modern", "MODERN ", "Classic"}) {
        options("Page_Style = ?", {style});
        const Files files = build();
        EXPECT_EQ(files.count("images/style.css"), style[0] == 'C' ? 0u : 1u) << style;
    }
    EXPECT_EQ(build(), before);
}

TEST_F(ModernBuild, SitemapAndFeedNeedTheSitesAddressAndSayWhyWhenMissing)
{
    fillFixture();
    const std::pair<const char*, bool> cases[] = {
        {"''", false}, {"'   '", false}, {"NULL", false}, {"'https://example.org/club/'", true}};
    for (const auto& [address, written] : cases) {
        options(std::string("Your_Homepage = ") + address);
        std::vector<std::string> warnings;
        const Files files = build(&warnings);
        EXPECT_EQ(files.count("sitemap.xml"), written ? 1u : 0u) << address;
        EXPECT_EQ(files.count("feed.xml"), written ? 1u : 0u) << address;
        EXPECT_EQ(files.count("images/style.css"), 1u) << address;
        EXPECT_EQ(std::count(warnings.begin(), warnings.end(), kNoAddressWarning), written ? 0 : 1) << address;
        // Pages link the feed only where there is one.
        EXPECT_EQ(files.at("articles/art-1.htm").find("feed.xml") != std::string::npos, written) << address;
    }
    options("Page_Style = 'Classic', Your_Homepage = ''");
    std::vector<std::string> warnings;
    EXPECT_EQ(build(&warnings).count("sitemap.xml"), 0u);
    EXPECT_EQ(std::count(warnings.begin(), warnings.end(), kNoAddressWarning), 0) << "a Classic site has no sitemap";
}

TEST_F(ModernBuild, FeedListsTheTwentyNewestArticlesAndSitemapEveryPageOnce)
{
    fillFixture();
    add({"Sport", "Football", "Cup final", "Again", "", {}, {}}); // a second page for the same section
    const Files files = build();
    const std::string& feed = files.at("feed.xml");
    std::vector<std::string> entries;
    const std::regex entry(
        "<entry>\r\n<title>[^<]*</title>\r\n<link href=\"https://example.org/club/articles/art-([0-9]+).htm\"/>");
    for (std::sregex_iterator it(feed.begin(), feed.end(), entry), end; it != end; ++it)
        entries.push_back((*it)[1].str());
    ASSERT_EQ(entries.size(), 20u);
    EXPECT_EQ(entries.front(), "22");
    EXPECT_EQ(entries.back(), "3");
    EXPECT_NE(feed.find("<title>Story 2</title>\r\n<link href=\"https://example.org/club/articles/art-3.htm\"/>\r\n"
                        "<id>https://example.org/club/articles/art-3.htm</id>\r\n"),
              std::string::npos)
        << feed;

    const std::string& sitemap = files.at("sitemap.xml");
    std::multiset<std::string> listed;
    const std::regex loc("<loc>https://example.org/club/([^<]*)</loc>");
    for (std::sregex_iterator it(sitemap.begin(), sitemap.end(), loc), end; it != end; ++it)
        listed.insert((*it)[1].str());
    std::multiset<std::string> pages;
    for (const auto& [name, bytes] : files)
        if (name.size() > 4 && name.substr(name.size() - 4) == ".htm" && name != "Index.htm")
            pages.insert(name);
    EXPECT_EQ(listed.size(), pages.size());
    EXPECT_EQ(listed.count("categories/cat-odd-%231--100%25.htm"), 1u);
    EXPECT_EQ(listed.count("sections/sect-football.htm"), 1u);
}

} // namespace
} // namespace qle::generator
