// Representative rows of the fault matrix against real servers, with the real upload client:
// pyftpdlib injecting faults at a command (refused, transient, the reply lost, the client killed
// there), pyftpdlib ignoring case and refusing renames, vsftpd over TLS with the client killed
// mid-run, and asyncssh over SFTP refusing a rename or with the client killed there. After the
// faulted run and after one more the matrix's four invariants are checked (see FaultMatrix_test).
#include "publish/client/BatchRunner.h"
#include "publish/client/UploadOutcome.h"
#include "publish/script/PublishPlan.h"
#include "publish/sync/PublishedRecord.h"
#include "publish/sync/SyncPlan.h"

#include "FakeRemoteFs.h"
#include "RemoteServer.h"
#include "SiteFixture.h"

#include <atomic>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <thread>

namespace qle::publish {
namespace {

struct Row
{
    const char* name;
    Protocol protocol;
    std::vector<std::string> options; // the server's
    std::string faults;               // written for the faulted run (see ftp_server.py, sftp_server.py)
    bool kill = false;                // SIGKILL the client once the server says it waits (or, on
                                      // vsftpd, once the first file is confirmed)
};

class ServerFaults : public ::testing::TestWithParam<Row>
{
protected:
    void SetUp() override
    {
        if (GetParam().protocol == Protocol::Ftps && !test::Vsftpd::unavailable().empty())
            GTEST_SKIP() << test::Vsftpd::unavailable();
        for (const char* folder : kContentFolders)
            std::filesystem::create_directories(web + folder);
        test::WriteFile(web + "Index.htm", "<html>front</html>");
        for (int i = 1; i <= 6; ++i)
            test::WriteFile(web + "articles/art-" + std::to_string(i) + ".htm", "article " + std::to_string(i));
        test::WriteFile(web + "categories/cat-news.htm", "news");
        test::WriteFile(web + "images/Photo.JPG", std::string(20000, 'p'));
        auto options = GetParam().options;
        if (GetParam().protocol != Protocol::Ftps) {
            options.push_back("--faults=" + faultsFile);
            options.push_back("--note=" + note);
        }
        server = std::make_unique<test::RemoteServer>(GetParam().protocol, dir / "server/", options);
        ASSERT_TRUE(server->started);
        site = server->home + "www/site/";
    }

    // Runs quillon-ftp on the web folder's script; kills it when the row says so.
    int publish()
    {
        std::array<std::string, 4> blocks;
        for (std::size_t i = 0; i < kContentFolders.size(); ++i)
            blocks[i] = PutLinesForFolderOf(web + kContentFolders[i]);
        FtpSettings ftp {server->address(), server->settings.userName, server->settings.password, "/www/", "site/"};
        test::WriteFile(base + kScriptFileName, ScriptText(ftp, base, web + "Index.htm", blocks));
        std::vector<std::string> argv = {test::ProgramFolder() + "quillon-ftp", "-t:5", "-c:2",
                                         "-s:" + base + kScriptFileName};
        if (!server->settings.trustedKey.empty())
            argv.push_back("-k:" + server->settings.trustedKey);
        argv.push_back(ServerArgument(GetParam().protocol, server->address()));
        lines.clear();
        std::atomic<int> client {0};
        std::atomic<bool> done {false};
        std::thread killer([&] {
            while (armed && !done) {
                if (client > 0 && test::PathExists(note)) {
                    ::kill(client, SIGKILL);
                    return;
                }
                ::usleep(5000);
            }
        });
        const int status = RunStreaming(
            argv, base,
            [&](const std::string& line) {
                lines.push_back(line);
                // vsftpd injects nothing: its row kills the client once the first file arrived.
                if (armed && GetParam().protocol == Protocol::Ftps && line.starts_with("Sent 1 of"))
                    test::WriteFile(note, "first file sent");
            },
            {}, [&](int pid) { client = pid; });
        done = true;
        killer.join();
        return status;
    }

    static std::string PutLinesForFolderOf(const std::string& folder)
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return PutBlock(folder + "/", names);
    }

    // Where the server ignores case, a file keeps the name it was made with: names are compared
    // whatever their case.
    bool ignoresCase() const { return std::string(GetParam().name).starts_with("CaseInsensitive"); }
    std::map<std::string, std::string> keyed(const std::map<std::string, std::string>& files) const
    {
        std::map<std::string, std::string> out;
        for (const auto& [path, bytes] : files)
            out[ignoresCase() ? publish::AsciiLowerCase(path) : path] = bytes;
        return out;
    }

    std::string output() const
    {
        std::string text;
        for (const auto& line : lines)
            text += line + "\n";
        return text;
    }

    // The site as built, as the server should hold it, plus the others' files beside it.
    std::map<std::string, std::string> published() const
    {
        auto files = test::FilesUnder(web);
        files["index.htm"] = files["Index.htm"];
        files.erase("Index.htm");
        files["guestbook.htm"] = "visitors";
        return files;
    }
    bool complete() const
    {
        auto files = test::FilesUnder(site);
        const ParsedRecord record = ParseRecord(files[kRecordFileName]);
        files.erase(kRecordFileName);
        // The record names every file as built (where case is ignored, perhaps once more in another case).
        std::set<std::string> recorded, built;
        for (const auto& [path, digest] : record.files)
            recorded.insert(ignoresCase() ? publish::AsciiLowerCase(path) : path);
        for (const auto& [path, bytes] : keyed(published()))
            if (path != "guestbook.htm")
                built.insert(path);
        return keyed(files) == keyed(published()) && !record.damaged && record.format == 2 && recorded == built;
    }

    // (a) and (b): the files the server held are there with their old or new bytes; others' untouched.
    void expectNothingHarmed(const std::map<std::string, std::string>& before, const char* when)
    {
        const auto now = keyed(test::FilesUnder(server->home));
        const auto built = keyed(published());
        for (const auto& [path, old] : keyed(before)) {
            if ((path == "www/site/articles/art-6.htm" || path == "www/site/images/Photo.JPG") && now.count(path) == 0)
                continue; // deleted by the author: ours to remove
            if (path == "www/site/" + std::string(kRecordFileName))
                continue; // checked whole below
            const auto it = now.find(path);
            ASSERT_NE(it, now.end()) << when << ": " << path << " is gone\n" << output();
            const auto nowBuilt = path.starts_with("www/site/") ? built.find(path.substr(9)) : built.end();
            const bool fresh = nowBuilt != built.end() && it->second == nowBuilt->second;
            EXPECT_TRUE(it->second == old || fresh) << when << ": " << path << " is cut or foreign";
        }
        EXPECT_EQ(test::ReadFile(server->home + "www/other.htm"), "another site") << when;
        EXPECT_FALSE(ParseRecord(test::ReadFile(site + kRecordFileName)).damaged) << when;
    }

    test::TempDir dir;
    std::string base = dir / "base/";
    std::string web = base + "TempInternetFiles/";
    std::string faultsFile = dir / "faults";
    std::string note = dir / "note";
    std::unique_ptr<test::RemoteServer> server;
    std::string site;
    std::vector<std::string> lines;
    bool armed = false;
};

TEST_P(ServerFaults, TheLiveSiteIsNeverHarmedAndTheNextRunConverges)
{
    ASSERT_EQ(publish(), 0) << output();
    test::WriteFile(site + "guestbook.htm", "visitors");
    std::filesystem::remove(site + "sections"); // empty: made again for the new section
    test::WriteFile(server->home + "www/other.htm", "another site");
    test::WriteFile(web + "articles/art-2.htm", "article 2, edited");
    test::WriteFile(web + "sections/sect-1.htm", "a new section");
    std::filesystem::remove(web + "articles/art-6.htm");
    if (std::string(GetParam().name).starts_with("CaseInsensitive")) {
        std::filesystem::remove(web + "images/Photo.JPG");
        test::WriteFile(web + "images/photo.jpg", std::string(15000, 'q'));
    }
    const auto before = test::FilesUnder(server->home);

    test::WriteFile(faultsFile, GetParam().faults);
    armed = GetParam().kill;
    const int faulted = publish();
    armed = false;
    test::WriteFile(faultsFile, "");
    if (GetParam().kill) {
        EXPECT_EQ(faulted, 128 + SIGKILL) << output();
    } else {
        if (GetParam().faults.find(" refuse") != std::string::npos) {
            EXPECT_NE(faulted, 0) << "a refusal for good leaves the run undone\n" << output();
        }
        // (c) Told truly: not finished is never "Published".
        const bool done = complete();
        EXPECT_EQ(faulted == 0, done) << output();
        EXPECT_EQ(UploadOutcome(lines, faulted).starts_with("Published: "), done) << UploadOutcome(lines, faulted);
    }
    expectNothingHarmed(before, "after the faulted run");

    // (d) The next run converges; the one after sends nothing.
    ASSERT_EQ(publish(), 0) << output();
    expectNothingHarmed(before, "after the next run");
    EXPECT_TRUE(complete()) << output();
    for (const auto& [path, bytes] : test::FilesUnder(server->home))
        EXPECT_FALSE(IsTemporaryName(std::filesystem::path(path).filename().string())) << path;
    ASSERT_EQ(publish(), 0) << output();
    EXPECT_NE(output().find("0 files sent"), std::string::npos) << output();
}

// The steps of a republish on a real server, each with a fault of one column of the matrix.
const Row kRows[] = {
    {"FtpRenameRefused", Protocol::Ftp, {}, "RNTO 1 refuse art-2"},
    {"FtpUploadTransient", Protocol::Ftp, {}, "STOR 1 transient"},
    {"FtpRenameReplyLost", Protocol::Ftp, {}, "RNTO 1 lost art-2"},
    {"FtpDeleteRefused", Protocol::Ftp, {}, "DELE 1 refuse art-6"},
    {"FtpFolderRefused", Protocol::Ftp, {}, "MKD 1 refuse sections"},
    {"FtpKilledDuringAnUpload", Protocol::Ftp, {}, "STOR 1 hang", true},
    {"FtpKilledAfterARename", Protocol::Ftp, {}, "RNTO 1 hang-after art-2", true},
    {"FtpKilledWhileTheRecordGoesUp", Protocol::Ftp, {}, "STOR 1 hang quillon-published", true},
    {"FtpKilledAfterTheRecordsRename", Protocol::Ftp, {}, "RNTO 1 hang-after quillon-published", true},
    {"CaseInsensitiveServer", Protocol::Ftp, {"--case-insensitive"}, ""},
    {"NameTakenServer", Protocol::Ftp, {"--renames=taken"}, ""},
    {"NoRenameServer", Protocol::Ftp, {"--renames=none"}, ""},
    {"FtpsKilledMidRun", Protocol::Ftps, {}, "", true},
    {"SftpRenameRefused", Protocol::Sftp, {}, "rename 1 refuse art-2"},
    // Version 3 of SFTP renames only onto a free name: the second rename onto art-2 is the one made.
    {"SftpKilledAfterARename", Protocol::Sftp, {}, "rename 2 hang-after art-2", true},
};

INSTANTIATE_TEST_SUITE_P(RealServers, ServerFaults, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& row) { return std::string(row.param.name); });

} // namespace
} // namespace qle::publish
