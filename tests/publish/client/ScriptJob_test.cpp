// The publisher's upload script read as one job for the sync.
#include "publish/client/ScriptJob.h"

#include "publish/script/PublishPlan.h"

#include <gtest/gtest.h>

namespace qle::publish {
namespace {

std::vector<std::string> CommandLines(const std::string& script)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < script.size()) {
        const auto end = script.find("\r\n", start);
        lines.push_back(script.substr(start, end - start));
        start = end == std::string::npos ? script.size() : end + 2;
    }
    return std::vector<std::string>(lines.begin() + 2, lines.end()); // after user name and password
}

TEST(ScriptJob, ThePublishersScriptGivesTheSiteFolderItsFoldersAndItsFiles)
{
    const FtpSettings ftp {"example.net", "jo", "pw", "/www/", "site/"};
    const std::string base = "/home/jo/My Base/";
    const std::array<std::string, 4> blocks = {
        PutBlock(base + "TempInternetFiles/categories/", {"cat-news.htm"}),
        "",
        PutBlock(base + "TempInternetFiles/articles/", {"art-1.htm", "art 2.htm"}),
        PutBlock(base + "TempInternetFiles/images/", {"My Photo.JPG"}),
    };
    std::vector<std::string> reported;
    const UploadJob job =
        UploadJobFromScript(CommandLines(ScriptText(ftp, base, base + "TempInternetFiles/Index.htm", blocks)), "/tmp",
                            "/home/jo", [&reported](const std::string& line) { reported.push_back(line); });
    EXPECT_TRUE(reported.empty());
    EXPECT_EQ(job.recordFolder, "/www/site/");
    EXPECT_EQ(job.folders, (std::vector<std::string> {"/www", "/www/site", "/www/site/categories", "/www/site/sections",
                                                      "/www/site/articles", "/www/site/images"}));
    ASSERT_EQ(job.puts.size(), 5u);
    EXPECT_EQ(job.puts[0].localPath, base + "TempInternetFiles/Index.htm");
    EXPECT_EQ(job.puts[0].remotePath, "/www/site/index.htm");
    EXPECT_EQ(job.puts[3].localPath, base + "TempInternetFiles/articles/art 2.htm");
    EXPECT_EQ(job.puts[4].remotePath, "/www/site/images/My Photo.JPG");
}

TEST(ScriptJob, RelativePathsFollowCdAndLcdAndOddLinesAreReported)
{
    const std::vector<std::string> lines = {
        "binary",        "lcd web", "mkdir site", "cd site", "put a.htm",          "cd ..", "put b/c.htm site/c.htm",
        "bogus command", "put",     "",           "quit",    "put after-quit.htm",
    };
    std::vector<std::string> reported;
    const UploadJob job = UploadJobFromScript(lines, "/base", "/home",
                                              [&reported](const std::string& line) { reported.push_back(line); });
    EXPECT_EQ(job.recordFolder, "/home/site/");
    EXPECT_EQ(job.folders, std::vector<std::string> {"/home/site"});
    ASSERT_EQ(job.puts.size(), 2u);
    EXPECT_EQ(job.puts[0].localPath, "/base/web/a.htm");
    EXPECT_EQ(job.puts[0].remotePath, "/home/site/a.htm");
    EXPECT_EQ(job.puts[1].localPath, "/base/web/b/c.htm");
    EXPECT_EQ(job.puts[1].remotePath, "/home/site/c.htm");
    EXPECT_EQ(reported,
              (std::vector<std::string> {"Not understood, skipped: bogus command", "Not understood, skipped: put"}));
}

} // namespace
} // namespace qle::publish
