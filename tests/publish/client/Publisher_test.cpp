#include "publish/client/Publisher.h"
#include "publish/script/PublishPlan.h"

#include "SiteFixture.h"
#include "app/BaseFolderLock.h"
#include "generator/BuildRecord.h"
#include "generator/StoredSiteEditor.h"
#include "support/RecordingUi.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace qle::publish {
namespace {

constexpr auto npos = std::string::npos;

class Publisher : public ::testing::Test
{
protected:
    // Publishes with a launcher that records the batch file instead of starting anything, or with
    // the default launcher.
    Status publish(const PublishJob& job, bool defaultLauncher = false)
    {
        auto editor = generator::StoredSiteEditor::open(m_site.site, nullptr);
        EXPECT_TRUE(editor.ok());
        if (defaultLauncher)
            return PublishSite(job, editor.value(), m_ui);
        return PublishSite(job, editor.value(), m_ui, [this](const std::string& batch) {
            m_launched.push_back(batch);
            return true;
        });
    }

    // Fills "{base}" and "{web}" in an expected text.
    std::string filled(std::string text) const
    {
        for (const auto& [key, value] : {std::pair {std::string("{base}"), m_site.base}, {"{web}", m_site.web}})
            for (auto at = text.find(key); at != npos; at = text.find(key, at + value.size()))
                text.replace(at, key.size(), value);
        return text;
    }

    test::SiteFixture m_site;
    std::optional<app::BaseFolderLock> m_heldLock;
    test::RecordingUi m_ui;
    std::vector<std::string> m_launched;
};

TEST_F(Publisher, WritesForwardingPageScriptAndBatchFileThenStartsTheConsole)
{
    // Left by an earlier publish: replaced, and the script made private again.
    const std::string batch = m_site.base + kBatchFileName;
    const std::string script = m_site.base + kScriptFileName;
    test::WriteFile(script, std::string(5000, 'x'));
    std::filesystem::permissions(script, std::filesystem::perms::others_read, std::filesystem::perm_options::add);
    test::WriteFile(m_site.web + "Index.htm", std::string(5000, 'x'));

    ASSERT_TRUE(publish(m_site.job()).ok());
    EXPECT_EQ(m_launched, std::vector<std::string> {batch});
    EXPECT_TRUE(m_ui.messages.empty());
    EXPECT_EQ(test::ReadFile(m_site.web + "Index.htm"), ForwardingPageText("articles/art-7.htm"));
    EXPECT_EQ(test::ReadFile(batch), BatchFileText(m_site.base, script, m_site.ftp));
    const std::string expected =
        filled("jo\r\nSecret-Pa55word\r\nbinary\r\nlcd \"{base}\"\r\n"
               "mkdir /www/\r\ncd /www/\r\nmkdir site \r\ncd site \r\nput \"{web}Index.htm\" index.htm\r\n"
               "mkdir /www/site/categories\r\ncd /www/site/categories\r\n\r\nput \"{web}categories/cat-news.htm\"\r\n"
               "mkdir /www/site/sections\r\ncd /www/site/sections\r\n\r\nput \"{web}sections/sect-news-local.htm\"\r\n"
               "mkdir /www/site/articles\r\ncd /www/site/articles\r\n\r\n"
               "put \"{web}articles/art-2.htm\"\r\nput \"{web}articles/art-7.htm\"\r\n"
               "mkdir /www/site/images\r\ncd /www/site/images\r\n\r\n"
               "put \"{web}images/My Photo.JPG\"\r\nput \"{web}images/qle_logo.bmp\"\r\n"
               "quit\r\n\r\n\r\n");
    EXPECT_EQ(test::ReadFile(script), expected);
    using std::filesystem::perms;
    EXPECT_EQ(std::filesystem::status(script).permissions(), perms::owner_read | perms::owner_write);

    ASSERT_TRUE(publish(m_site.job()).ok());
    EXPECT_EQ(test::ReadFile(script), expected);
    for (const auto& entry : std::filesystem::directory_iterator(m_site.base)) // no temporary file is left
        EXPECT_EQ(entry.path().filename().string().find(kScriptFileName + std::string(".")), npos) << entry.path();
}

TEST_F(Publisher, TheForwardingPagesLogoIsAddedToTheImagesWhenMissing)
{
    const std::string logo = m_site.web + "images/qle_logo.bmp";
    test::WriteFile(logo, "the author's own picture of that name");
    ASSERT_TRUE(publish(m_site.job()).ok());
    EXPECT_EQ(test::ReadFile(logo), "the author's own picture of that name") << "an existing file is kept";

    std::filesystem::remove(logo);
    ASSERT_TRUE(publish(m_site.job()).ok());
    EXPECT_EQ(test::ReadFile(logo), test::ReadFile(test::ProgramFolder() + "qle_logo.bmp"));
    EXPECT_NE(test::ReadFile(m_site.base + kScriptFileName).find("images/qle_logo.bmp"), npos)
        << "and uploaded with the site";
}

TEST_F(Publisher, AModernSiteWithAnAddressSendsItsSitemapAndFeedAfterTheForwardingPage)
{
    // Left by earlier builds whatever the style is now.
    test::WriteFile(m_site.web + "sitemap.xml", "<urlset/>");
    test::WriteFile(m_site.web + "feed.xml", "<feed/>");
    const std::string index = filled("put \"{web}Index.htm\" index.htm\r\n");
    const std::string both = filled("put \"{web}sitemap.xml\" sitemap.xml\r\nput \"{web}feed.xml\" feed.xml\r\n");
    const std::pair<const char*, bool> cases[] = {
        {"Page_Style = 'Classic', Your_Homepage = 'https://example.org/'", false},
        {"Page_Style = NULL, Your_Homepage = 'https://example.org/'", false},
        {"Page_Style = 'Modern', Your_Homepage = ''", false},
        {"Page_Style = 'modern', Your_Homepage = 'https://example.org/'", true},
    };
    for (const auto& [options, sent] : cases) {
        {
            auto db = store::Database::open(m_site.site);
            ASSERT_TRUE(db.ok() && db->execute(std::string("UPDATE Options SET ") + options).ok()) << options;
        }
        m_site.build();
        ASSERT_TRUE(publish(m_site.job()).ok()) << options;
        const std::string script = test::ReadFile(m_site.base + kScriptFileName);
        EXPECT_NE(script.find(sent ? index + both : index + "mkdir"), npos) << options << "\n" << script;
    }
    // Only what the last build wrote.
    std::filesystem::remove(m_site.web + "sitemap.xml");
    ASSERT_TRUE(publish(m_site.job()).ok());
    EXPECT_NE(
        test::ReadFile(m_site.base + kScriptFileName).find(index + filled("put \"{web}feed.xml\" feed.xml\r\nmkdir")),
        npos);
}

TEST_F(Publisher, AbandonedPublishTellsTheAuthorAndStartsNothing)
{
    struct Row
    {
        const char* why;
        std::function<void(PublishJob&)> breakIt;
        const char* advice;
    };
    const Row rows[] = {
        {"no site open", [](PublishJob& job) { job.sitePath.clear(); }, "Open a site"},
        {"another site was built", [](PublishJob& job) { job.sitePath += ".other"; },
         "The web folder holds the site site.qls; build this site first (View Updated Web Site Now!), then publish."},
        {"the build did not complete",
         [this](PublishJob&) {
             (void)generator::WriteBuildRecord(m_site.web, {m_site.site, false, {}});
         },
         "The last build did not complete; build this site first"},
        {"a build is under way",
         [this](PublishJob&) {
             m_heldLock.emplace(
                 app::BaseFolderLock::acquire(m_site.base, app::BaseFolderLock::Mode::Build, "b.qls").value());
         },
         "The site b.qls is being built"},
        {"base folder not writable", [](PublishJob& job) { job.baseFolder = "/proc/no-such/"; }, "/proc/no-such/"},
        {"not built", [this](PublishJob&) { std::filesystem::remove_all(m_site.web + "images"); },
         "Build the site first"},
    };
    for (const auto& row : rows) {
        m_heldLock.reset();
        m_site.build();
        PublishJob job = m_site.job();
        row.breakIt(job);
        m_ui.messages.clear();
        EXPECT_FALSE(publish(job).ok()) << row.why;
        EXPECT_TRUE(m_launched.empty()) << row.why;
        ASSERT_EQ(m_ui.messages.size(), 1u) << row.why;
        EXPECT_NE(m_ui.messages[0].text.find(row.advice), npos) << row.why << ": " << m_ui.messages[0].text;
        EXPECT_EQ(m_ui.messages[0].title, "Quillon Engine");
        EXPECT_FALSE(test::PathExists(m_site.base + kBatchFileName)) << row.why;
        EXPECT_FALSE(test::PathExists(m_site.base + kScriptFileName)) << row.why;
    }
}

TEST_F(Publisher, StartsTheProgramFoldersConsoleByDefaultAndReportsAFailedStart)
{
    ASSERT_TRUE(publish(m_site.job(), true).ok());
    ASSERT_EQ(m_ui.started.size(), 1u);
    ASSERT_EQ(m_ui.started[0].size(), 2u);
    EXPECT_TRUE(m_ui.started[0][0].ends_with("/quillon-console"));
    EXPECT_EQ(m_ui.started[0][1], m_site.base + kBatchFileName);

    m_ui.startSucceeds = false;
    EXPECT_FALSE(publish(m_site.job(), true).ok());
    ASSERT_EQ(m_ui.messages.size(), 1u);
    EXPECT_NE(m_ui.messages[0].text.find("could not be started"), npos);
}

TEST_F(Publisher, OnlyPlainFilesAreListedDotFilesIncludedAndTheRestIsReported)
{
    const std::string images = m_site.web + "images/";
    test::WriteFile(images + ".hidden.gif", "GIF89a");
    test::WriteFile(images + "temp.fle", "");
    test::WriteFile(m_site.dir / "private.key", "secret");
    std::filesystem::create_symlink(m_site.dir / "private.key", images + "linked.gif");
    std::filesystem::create_directory(images + "old");
    test::WriteFile(images + "tab\tname.gif", "GIF89a");
    std::vector<std::string> skipped;
    EXPECT_EQ(PutLinesForFolder(images, &skipped).value(),
              "\r\nput \"" + images + ".hidden.gif\"\r\nput \"" + images + "My Photo.JPG\"");
    std::sort(skipped.begin(), skipped.end());
    EXPECT_EQ(skipped, (std::vector<std::string> {images + "linked.gif", images + "old", images + "tab\tname.gif"}));

    ASSERT_TRUE(publish(m_site.job()).ok()) << "what cannot be sent is reported, the rest is published";
    ASSERT_EQ(m_ui.messages.size(), 1u);
    EXPECT_NE(m_ui.messages[0].text.find(images + "linked.gif"), npos) << m_ui.messages[0].text;
}

TEST_F(Publisher, PutLinesForAnEmptyAndAMissingFolder)
{
    std::filesystem::create_directories(m_site.web + "empty");
    EXPECT_EQ(PutLinesForFolder(m_site.web + "empty").value(), "");
    auto missing = PutLinesForFolder(m_site.web + "missing");
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.status().message().find(m_site.web + "missing"), npos);
}

} // namespace
} // namespace qle::publish
