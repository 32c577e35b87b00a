// The fixture site of the whole-build tests, and what they share.
#pragma once

#include "generator/CreateWebSite.h"
#include "generator/StoredSiteEditor.h"
#include "store/Database.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace qle::generator::test_support {

namespace fs = std::filesystem;
using store::Value;

struct Article
{
    Value category, section, title, para, body, image, strap;
};

// Every file below a folder, by path relative to it; the folder routines' marker files are left out.
inline std::map<std::string, std::string> Tree(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file() && entry.path().filename() != "temp.fle")
            files[fs::relative(entry.path(), folder).string()] = test::ReadFile(entry.path().string());
    return files;
}

// Checks that every address in every page of the web folder's tree reaches a file in the web
// folder, escaped so that no quote, '#' or '?' cuts it short; returns how many were checked.
// Addresses naming `missing` (a picture that does not exist) are left out.
inline int ExpectEveryLinkResolves(const std::string& web, const std::map<std::string, std::string>& tree,
                                   const std::string& missing = "missing.jpg")
{
    const std::regex address(R"((?:HREF='([^']*)')|(?:href=([^>]*)>)|(?:SRC='([^']*)'))");
    int checked = 0;
    for (const auto& [name, bytes] : tree) {
        if (name.size() < 4 || name.substr(name.size() - 4) != ".htm")
            continue;
        const std::string folder = fs::path(name).parent_path().string();
        for (std::sregex_iterator it(bytes.begin(), bytes.end(), address), end; it != end; ++it) {
            const std::string target = (*it)[1].matched   ? (*it)[1].str()
                                       : (*it)[2].matched ? (*it)[2].str()
                                                          : (*it)[3].str();
            if (target.find(missing) != std::string::npos)
                continue;
            const std::string resolved =
                fs::path(web + folder + "/" + test::PercentDecoded(target)).lexically_normal().string();
            EXPECT_EQ(resolved.rfind(web, 0), 0u) << target << " in " << name;
            EXPECT_TRUE(fs::is_regular_file(resolved)) << target << " in " << name;
            EXPECT_EQ(target.find_first_of("'\"#?"), std::string::npos) << "unescaped: " << target << " in " << name;
            ++checked;
        }
    }
    return checked;
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
    void showBuildWarnings(const std::vector<std::string>& shown) override { warnings = shown; }

    std::vector<std::string> calls;
    std::string homepage;
    std::vector<std::string> warnings;
};

// Runs a build in a child process that is killed at a chosen moment; true when it was killed.
inline bool BuildKilled(const std::function<void()>& build, const std::function<void()>& arrange)
{
    const pid_t child = ::fork();
    if (child == 0) {
        rlimit noCore {0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        arrange();
        build();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFSIGNALED(status);
}

class SiteBuildTest : public ::testing::Test
{
protected:
    // A new site in the Classic style, whose bytes these tests hold.
    std::string newSite(const std::string& name)
    {
        const std::string site = test::CopyBlankSite(m_dir / name);
        sql(site, "UPDATE Options SET Page_Style = 'Classic'");
        return site;
    }

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
                       picture("p" + n + ".gif", "GIF89a" + n), "Strap " + n});
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
            {picture("banner.gif", "GIF89a BANNER")});
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

} // namespace qle::generator::test_support
