#include "publish/PublishPlan.h"
#include "publish/Publisher.h"

#include "SiteFixture.h"
#include "generator/StoredSiteEditor.h"
#include "support/RecordingUi.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace qle::publish {
namespace {

unsigned ModeOf(const std::string& path)
{
    struct stat info
    {
    };
    ::stat(path.c_str(), &info);
    return info.st_mode & 0777;
}

class Publisher : public ::testing::Test
{
protected:
    generator::StoredSiteEditor editor()
    {
        auto opened = generator::StoredSiteEditor::open(m_site.site, nullptr);
        EXPECT_TRUE(opened.ok());
        return std::move(opened.value());
    }

    // Publishes with a launcher that records the batch file instead of starting anything.
    Status publish(const PublishJob& job)
    {
        auto siteEditor = editor();
        return PublishSite(job, siteEditor, m_ui, [this](const std::string& batch) {
            m_launched.push_back(batch);
            return m_launchWorks;
        });
    }

    test::SiteFixture m_site;
    test::RecordingUi m_ui;
    std::vector<std::string> m_launched;
    bool m_launchWorks = true;
};

TEST_F(Publisher, WritesForwardingPageScriptAndBatchFileThenStartsTheConsole)
{
    ASSERT_TRUE(publish(m_site.job()).ok());
    const std::string batch = m_site.base + kBatchFileName;
    const std::string script = m_site.base + kScriptFileName;
    EXPECT_EQ(m_launched, std::vector<std::string> {batch});
    EXPECT_TRUE(m_ui.messages.empty());

    EXPECT_EQ(test::ReadFile(m_site.web + "Index.htm"), ForwardingPageText("articles/art-7.htm"));
    EXPECT_EQ(test::ReadFile(batch), BatchFileText(m_site.base, script, "127.0.0.1:21"));
    const std::string web = "\"" + m_site.web;
    EXPECT_EQ(test::ReadFile(script), "jo\r\nSecret-Pa55word\r\nbinary\r\n"
                                      "lcd \"" +
                                          m_site.base +
                                          "\"\r\n"
                                          "mkdir /www/\r\ncd /www/\r\nmkdir site \r\ncd site \r\n"
                                          "put " +
                                          web +
                                          "Index.htm\" index.htm\r\n"
                                          "mkdir /www/site/categories\r\ncd /www/site/categories\r\n"
                                          "\r\nput " +
                                          web +
                                          "categories/cat-news.htm\"\r\n"
                                          "mkdir /www/site/sections\r\ncd /www/site/sections\r\n"
                                          "\r\nput " +
                                          web +
                                          "sections/sect-news-local.htm\"\r\n"
                                          "mkdir /www/site/articles\r\ncd /www/site/articles\r\n"
                                          "\r\nput " +
                                          web + "articles/art-2.htm\"\r\nput " + web +
                                          "articles/art-7.htm\"\r\n"
                                          "mkdir /www/site/images\r\ncd /www/site/images\r\n"
                                          "\r\nput " +
                                          web + "images/My Photo.JPG\"\r\nput " + web +
                                          "images/qle_logo.bmp\"\r\n"
                                          "quit\r\n\r\n\r\n");
    EXPECT_EQ(ModeOf(script), 0600u);
}

TEST_F(Publisher, TheForwardingPagesLogoIsAddedToTheImagesWhenMissing)
{
    const std::string logo = m_site.web + "images/qle_logo.bmp";
    test::WriteFile(logo, "the author's own picture of that name");
    PublishJob job = m_site.job();
    job.programFolder = test::ProgramFolder();
    ASSERT_TRUE(publish(job).ok());
    EXPECT_EQ(test::ReadFile(logo), "the author's own picture of that name") << "an existing file is kept";

    std::filesystem::remove(logo);
    ASSERT_TRUE(publish(job).ok());
    EXPECT_EQ(test::ReadFile(logo), test::ReadFile(test::ProgramFolder() + "qle_logo.bmp"));
    EXPECT_NE(test::ReadFile(m_site.base + kScriptFileName).find("images/qle_logo.bmp"), std::string::npos)
        << "and uploaded with the site";
}

TEST_F(Publisher, PublishingAgainReplacesEveryFileAndTightensAnOpenScript)
{
    const std::string script = m_site.base + kScriptFileName;
    test::WriteFile(script, std::string(5000, 'x'));
    ::chmod(script.c_str(), 0644);
    test::WriteFile(m_site.web + "Index.htm", std::string(5000, 'x'));
    ASSERT_TRUE(publish(m_site.job()).ok());
    const std::string first = test::ReadFile(script);
    ASSERT_TRUE(publish(m_site.job()).ok());
    EXPECT_EQ(test::ReadFile(script), first);
    EXPECT_EQ(ModeOf(script), 0600u);
    EXPECT_EQ(test::ReadFile(m_site.web + "Index.htm"), ForwardingPageText("articles/art-7.htm"));
    EXPECT_EQ(test::ReadFile(m_site.base + kBatchFileName).size(),
              BatchFileText(m_site.base, script, "127.0.0.1:21").size());
    // No temporary file is left beside the script.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(m_site.base))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 2);
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
        {"site file gone", [](PublishJob& job) { job.sitePath += ".gone"; }, "homepage"},
        {"base folder not writable", [](PublishJob& job) { job.baseFolder = "/proc/no-such/"; }, "/proc/no-such/"},
        {"not built", [this](PublishJob&) { std::filesystem::remove_all(m_site.web + "images"); },
         "Build the site first"},
    };
    for (const auto& row : rows) {
        PublishJob job = m_site.job();
        row.breakIt(job);
        m_ui.messages.clear();
        const Status status = publish(job);
        EXPECT_FALSE(status.ok()) << row.why;
        EXPECT_TRUE(m_launched.empty()) << row.why;
        ASSERT_EQ(m_ui.messages.size(), 1u) << row.why;
        EXPECT_NE(m_ui.messages[0].text.find(row.advice), std::string::npos)
            << row.why << ": " << m_ui.messages[0].text;
        EXPECT_EQ(m_ui.messages[0].title, "Quillon Engine");
        EXPECT_FALSE(test::PathExists(m_site.base + kBatchFileName)) << row.why;
        EXPECT_FALSE(test::PathExists(m_site.base + kScriptFileName)) << row.why;
    }
}

TEST_F(Publisher, AConsoleThatCannotStartIsReported)
{
    m_launchWorks = false;
    EXPECT_FALSE(publish(m_site.job()).ok());
    ASSERT_EQ(m_ui.messages.size(), 1u);
    EXPECT_NE(m_ui.messages[0].text.find("could not be started"), std::string::npos);
}

TEST_F(Publisher, StartsTheProgramFoldersConsoleByDefault)
{
    auto siteEditor = editor();
    ASSERT_TRUE(PublishSite(m_site.job(), siteEditor, m_ui).ok());
    ASSERT_EQ(m_ui.started.size(), 1u);
    ASSERT_EQ(m_ui.started[0].size(), 2u);
    EXPECT_TRUE(m_ui.started[0][0].ends_with("/quillon-console"));
    EXPECT_EQ(m_ui.started[0][1], m_site.base + kBatchFileName);
}

TEST_F(Publisher, PutLinesListPlainFilesByNameOnly)
{
    auto block = PutLinesForFolder(m_site.web + "images");
    ASSERT_TRUE(block.ok());
    EXPECT_EQ(block.value(),
              "\r\nput \"" + m_site.web + "images/My Photo.JPG\"\r\nput \"" + m_site.web + "images/qle_logo.bmp\"");
    std::filesystem::create_directories(m_site.web + "empty");
    EXPECT_EQ(PutLinesForFolder(m_site.web + "empty").value(), "");
    auto missing = PutLinesForFolder(m_site.web + "missing");
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.status().message().find(m_site.web + "missing"), std::string::npos);
}

} // namespace
} // namespace qle::publish
