// quillon-ftp publishing as a sync against a real FTP server: what a second publish sends and
// removes, interruptions, a server that takes one connection, a record changed by hand. The
// in-memory sync tests cover the rest of the decision.
#include "publish/client/BatchRunner.h"
#include "publish/client/Publisher.h"
#include "publish/script/PublishPlan.h"
#include "publish/sync/PublishedRecord.h"
#include "publish/sync/SyncPlan.h"

#include "FtpServer.h"
#include "SiteFixture.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>

namespace qle::publish {
namespace {

constexpr const char* kPassword = "Sync-Pa55word";
constexpr auto npos = std::string::npos;

class SyncUpload : public ::testing::Test
{
protected:
    SyncUpload()
    {
        std::filesystem::create_directories(home);
        for (const char* folder : kContentFolders)
            std::filesystem::create_directories(web + folder);
        test::WriteFile(web + "Index.htm", "<html>front</html>");
        for (int i = 1; i <= 30; ++i)
            test::WriteFile(web + "articles/art-" + std::to_string(i) + ".htm", std::string(3000 + i, 'a' + i % 26));
        for (const char* category : {"news", "sport"}) {
            test::WriteFile(web + "categories/cat-" + category + ".htm", category);
            for (int i = 1; i <= 3; ++i)
                test::WriteFile(web + "sections/sect-" + category + "-" + std::to_string(i) + ".htm", "section");
        }
        test::WriteFile(web + "images/Photo One.JPG", std::string(40000, '\x7f'));
    }

    void startServer(const std::vector<std::string>& extra = {})
    {
        server.emplace(home, "jo", kPassword, extra);
        ASSERT_TRUE(server->started());
    }

    // The publisher's own script for the web folder as it is now.
    std::string writeScript()
    {
        std::array<std::string, 4> blocks;
        for (std::size_t i = 0; i < kContentFolders.size(); ++i)
            blocks[i] = PutLinesForFolder(web + kContentFolders[i]).value();
        const FtpSettings ftp {server->address(), "jo", kPassword, "/www/", "site/"};
        const std::string path = base + kScriptFileName;
        test::WriteFile(path, ScriptText(ftp, base, web + "Index.htm", blocks));
        return path;
    }

    std::vector<std::string> command(const std::vector<std::string>& options)
    {
        std::vector<std::string> argv = {test::ProgramFolder() + "quillon-ftp", "-t:5"};
        argv.insert(argv.end(), options.begin(), options.end());
        argv.push_back("-s:" + writeScript());
        argv.push_back(server->address());
        return argv;
    }

    // Runs quillon-ftp to its end; returns its exit status, its output in `output`.
    int publish(const std::vector<std::string>& options = {})
    {
        output.clear();
        return RunStreaming(command(options), base, [this](const std::string& line) { output += line + "\n"; });
    }

    bool said(const std::string& text) const { return output.find(text) != npos; }

    // What a visitor finds on the server, by path below the site's folder.
    std::map<std::string, std::string> siteOnServer() const
    {
        auto files = test::FilesUnder(home + "www/site");
        files.erase(kRecordFileName);
        return files;
    }
    std::map<std::string, std::string> builtSite() const
    {
        auto files = test::FilesUnder(web);
        files["index.htm"] = files["Index.htm"];
        files.erase("Index.htm");
        return files;
    }
    std::string recordOnServer() const { return test::ReadFile(home + "www/site/" + kRecordFileName); }

    test::TempDir dir;
    std::string home = dir / "home/";
    std::string base = dir / "My Base/";
    std::string web = base + "TempInternetFiles/";
    std::optional<test::FtpServer> server;
    std::string output;
};

TEST_F(SyncUpload, StalePagesGoForeignFilesStayAndMassDeletionWaitsForConsent)
{
    startServer();
    ASSERT_EQ(publish(), 0) << output;
    EXPECT_TRUE(said("40 files sent, 0 unchanged, 0 removed, 0 failures")) << output;
    EXPECT_EQ(siteOnServer(), builtSite());

    // The "sport" category was deleted; someone else keeps a page beside ours.
    test::WriteFile(home + "www/site/categories/guestbook.htm", "visitors");
    std::filesystem::remove(web + "categories/cat-sport.htm");
    for (int i = 1; i <= 3; ++i)
        std::filesystem::remove(web + "sections/sect-sport-" + std::to_string(i) + ".htm");
    ASSERT_EQ(publish(), 0) << output;
    EXPECT_TRUE(said("0 files sent, 36 unchanged, 4 removed, 0 failures")) << output;
    auto expected = builtSite();
    expected["categories/guestbook.htm"] = "visitors";
    EXPECT_EQ(siteOnServer(), expected);

    // Most of the site gone at once (a wrong web folder, say): nothing is deleted without consent.
    std::filesystem::remove_all(web + "articles");
    std::filesystem::remove_all(web + "sections");
    std::filesystem::create_directories(web + "articles");
    std::filesystem::create_directories(web + "sections");
    ASSERT_EQ(publish(), 1) << "not all done: told so" << output;
    EXPECT_TRUE(said("0 removed")) << output;
    EXPECT_TRUE(said("33 stale files kept on the server: deleting so many needs your confirmation")) << output;
    EXPECT_TRUE(test::PathExists(home + "www/site/articles/art-1.htm"));
    ASSERT_EQ(publish({"--allow-deletes"}), 0) << output;
    EXPECT_TRUE(said("0 files sent, 3 unchanged, 33 removed, 0 failures")) << output;
    expected = builtSite();
    expected["categories/guestbook.htm"] = "visitors";
    EXPECT_EQ(siteOnServer(), expected);
}

TEST_F(SyncUpload, KilledUploadResumesWithTheRestAndLeavesNoTemporaryFile)
{
    startServer();
    ASSERT_EQ(publish(), 0) << output;
    for (int i = 1; i <= 30; ++i) // every article replaced: each goes up under a temporary name
        test::WriteFile(web + "articles/art-" + std::to_string(i) + ".htm", "edited " + std::to_string(i));
    for (int i = 1; i <= 20; ++i)
        test::WriteFile(web + "images/pic-" + std::to_string(i) + ".jpg", std::string(20000, 'p'));

    // One connection, killed once three files are confirmed.
    int client = 0;
    const int status = RunStreaming(
        command({"-c:1"}), base,
        [&client](const std::string& line) {
            if (line.starts_with("Sent 3 of 50 files") && client > 0)
                ::kill(client, SIGKILL);
        },
        {}, [&client](int pid) { client = pid; });
    ASSERT_EQ(status, 128 + SIGKILL);

    // The journal tells how many files the killed run completed; the next run sends the rest.
    int confirmed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(base + ".quillon-sync"))
        if (entry.path().extension() == ".journal") {
            const std::string journal = test::ReadFile(entry.path().string());
            for (std::size_t at = 0; (at = journal.find("\n+ ", at)) != npos; ++at)
                ++confirmed;
        }
    EXPECT_GE(confirmed, 3);
    ASSERT_EQ(publish(), 0) << output;
    EXPECT_TRUE(said(std::to_string(50 - confirmed) + (50 - confirmed == 1 ? " file" : " files") + " sent, " +
                     std::to_string(10 + confirmed) + " unchanged"))
        << confirmed << " confirmed before the kill\n"
        << output;
    EXPECT_EQ(siteOnServer(), builtSite()) << "no temporary file, nothing missing";
    ASSERT_EQ(publish(), 0) << output;
    EXPECT_TRUE(said("0 files sent, 60 unchanged")) << output;
}

TEST_F(SyncUpload, ServerTakingOneConnectionIsUsedWithOne)
{
    startServer({"--max-cons=1"});
    ASSERT_EQ(publish({"-c:4"}), 0) << output;
    EXPECT_TRUE(said("40 files sent, 0 unchanged, 0 removed, 0 failures")) << output;
    EXPECT_TRUE(said("going on with fewer")) << output;
    EXPECT_TRUE(said("refused more connections (421")) << "not a time-out\n" << output;
    EXPECT_EQ(siteOnServer(), builtSite());
}

TEST_F(SyncUpload, RecordChangedOrDeletedOnTheServer)
{
    startServer();
    ASSERT_EQ(publish(), 0) << output;
    // Another computer published a different art-3; a line of the record got damaged; a file the
    // record lists is gone from the server already.
    auto lines = ParseRecord(recordOnServer()).files;
    lines["articles/art-3.htm"] = {3003, std::string(64, 'd')};
    lines["articles/gone.htm"] = {5, std::string(64, 'e')};
    std::string record = FormatRecord(lines);
    const auto art5 = record.rfind('\n', record.find(" articles/art-5.htm"));
    record[art5 + 1] = 'X';
    test::WriteFile(home + "www/site/" + kRecordFileName, record);
    ASSERT_EQ(publish(), 0) << output;
    // A record changed by hand no longer matches its trailer: its files are checked against the
    // server, and nothing is deleted on its word.
    EXPECT_TRUE(said("2 files sent, 38 unchanged, 0 removed, 0 failures")) << output;
    EXPECT_TRUE(said("the record of published files on the server was damaged, so nothing was deleted")) << output;
    EXPECT_EQ(ParseRecord(recordOnServer()).files.size(), 40u);
    EXPECT_FALSE(ParseRecord(recordOnServer()).damaged);

    std::filesystem::remove(home + "www/site/" + kRecordFileName);
    ASSERT_EQ(publish(), 0) << output;
    EXPECT_TRUE(said("40 files sent, 0 unchanged, 0 removed, 0 failures")) << output;
    EXPECT_EQ(siteOnServer(), builtSite());
}

TEST_F(SyncUpload, VerifyResendsFilesChangedOnTheServerByHand)
{
    startServer();
    ASSERT_EQ(publish(), 0) << output;
    test::WriteFile(home + "www/site/articles/art-2.htm", "edited by hand");
    std::filesystem::remove(home + "www/site/images/Photo One.JPG");
    ASSERT_EQ(publish(), 0) << output;
    EXPECT_TRUE(said("0 files sent, 40 unchanged")) << "the record alone cannot see it\n" << output;
    ASSERT_EQ(publish({"--verify"}), 0) << output;
    EXPECT_TRUE(said("2 files sent, 38 unchanged")) << output;
    EXPECT_TRUE(said("sent again: articles/art-2.htm")) << output;
    EXPECT_EQ(siteOnServer(), builtSite());
}

} // namespace
} // namespace qle::publish
