// The publisher's upload script read as one job for the sync.
#include "publish/client/ScriptJob.h"
#include "publish/script/ScriptCommands.h"

#include "publish/script/PublishPlan.h"

#include <gtest/gtest.h>

namespace qle::publish {
namespace {

// The commands of a script, after its user name and password.
std::vector<ScriptCommand> Commands(const std::string& script)
{
    const auto lines = ScriptLines(script);
    auto commands = ReadScriptCommands({lines.begin() + 2, lines.end()});
    EXPECT_TRUE(commands.ok()) << commands.status().message();
    return commands.ok() ? commands.value() : std::vector<ScriptCommand> {};
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
    const UploadJob job = UploadJobFromScript(
        Commands(ScriptText(ftp, base, base + "TempInternetFiles/Index.htm", blocks)), "/tmp", "/home/jo");
    EXPECT_EQ(job.recordFolder, "/www/site/");
    EXPECT_EQ(job.folders, (std::vector<std::string> {"/www", "/www/site", "/www/site/categories", "/www/site/sections",
                                                      "/www/site/articles", "/www/site/images"}));
    ASSERT_EQ(job.puts.size(), 5u);
    EXPECT_EQ(job.puts[0].localPath, base + "TempInternetFiles/Index.htm");
    EXPECT_EQ(job.puts[0].remotePath, "/www/site/index.htm");
    EXPECT_EQ(job.puts[3].localPath, base + "TempInternetFiles/articles/art 2.htm");
    EXPECT_EQ(job.puts[4].remotePath, "/www/site/images/My Photo.JPG");
}

TEST(ScriptJob, RelativePathsFollowCdAndLcd)
{
    const std::string script = "jo\npw\nbinary\nlcd web\nmkdir site\ncd site\nput a.htm\ncd ..\n"
                               "put b/c.htm site/c.htm\n\nquit\nput after-quit.htm\n";
    const UploadJob job = UploadJobFromScript(Commands(script), "/base", "/home");
    EXPECT_EQ(job.recordFolder, "/home/site/");
    EXPECT_EQ(job.folders, std::vector<std::string> {"/home/site"});
    ASSERT_EQ(job.puts.size(), 2u);
    EXPECT_EQ(job.puts[0].localPath, "/base/web/a.htm");
    EXPECT_EQ(job.puts[0].remotePath, "/home/site/a.htm");
    EXPECT_EQ(job.puts[1].localPath, "/base/web/b/c.htm");
    EXPECT_EQ(job.puts[1].remotePath, "/home/site/c.htm");
}

// Every Root and Folder an author may type sends the site to the one folder they name.
TEST(ScriptJob, RootAndFolderAsTypedNameTheSiteFolder)
{
    const std::tuple<std::string, std::string, std::string> rows[] = {
        {"/www/", "site/", "/www/site/"},
        {"/www/", "/site/", "/www/site/"},
        {"/", "site/", "/site/"},
        {"/www/", "", "/www/"},
        {"", "", "/home/jo/"},
        {"/www/", "my site/", "/www/my site/"},
        {"/www/", "a/b/", "/www/a/b/"},
        {"/www/", "site", "/www/site/"},
        {"/www", "site/", "/www/site/"},
        {"", "site/", "/home/jo/site/"},
        {"www/", "site/", "/home/jo/www/site/"},
        {"/public_html/club/", "", "/public_html/club/"},
        {"/my www/", "my site/", "/my www/my site/"},
    };
    for (const auto& [root, dir, folder] : rows) {
        const FtpSettings ftp {"example.net", "jo", "pw", root, dir};
        const std::string base = "/b/";
        const std::array<std::string, 4> blocks = {PutBlock(base + "w/categories/", {"cat-news.htm"}), "", "",
                                                   PutBlock(base + "w/images/", {"a b.jpg"})};
        const UploadJob job =
            UploadJobFromScript(Commands(ScriptText(ftp, base, base + "w/Index.htm", blocks)), "/tmp", "/home/jo");
        const std::string row = "\"" + root + "\" + \"" + dir + "\"";
        EXPECT_EQ(job.recordFolder, folder) << row;
        ASSERT_EQ(job.puts.size(), 3u) << row;
        EXPECT_EQ(job.puts[0].remotePath, folder + "index.htm") << row;
        EXPECT_EQ(job.puts[1].remotePath, folder + "categories/cat-news.htm") << row;
        EXPECT_EQ(job.puts[2].remotePath, folder + "images/a b.jpg") << row;
        EXPECT_EQ(job.puts[2].localPath, base + "w/images/a b.jpg") << row;
    }
}

} // namespace
} // namespace qle::publish
