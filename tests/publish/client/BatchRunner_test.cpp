#include "publish/client/BatchRunner.h"

#include "app/BaseFolderLock.h"
#include "generator/BuildRecord.h"
#include "publish/client/UploadOutcome.h"
#include "publish/script/PublishPlan.h"
#include "publish/sync/SyncText.h"
#include "support/TempDir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace qle::publish {
namespace {

using Kind = BatchCommand::Kind;

TEST(BatchRunner, ParsesThePublishersLines)
{
    // The batch file's own lines are carried out whole by CarriesOutThePublishersBatchFile.
    const std::string key = "SHA256:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU";
    const struct
    {
        std::string line;
        Kind kind;
        std::string argument, server, trustedKey = "", keyFile = "";
    } rows[] = {
        {"cd /home/jo/My Base/", Kind::Cd, "/home/jo/My Base/", ""},
        {"ftp -s:/my base/s.txt 127.0.0.1:2121\r", Kind::Ftp, "/my base/s.txt", "127.0.0.1:2121"},
        {"ftp -s:\"/my base/s.txt\" host", Kind::Ftp, "/my base/s.txt", "host"},
        {"ftp -s:/my base/s.txt ", Kind::Ftp, "/my base/s.txt", ""}, // empty server setting
        {"ftp -s:/my base/s.txt ftps://h:990\r", Kind::Ftp, "/my base/s.txt", "ftps://h:990"},
        {"ftp -s:/my base/s.txt -k:" + key + " ftps://h", Kind::Ftp, "/my base/s.txt", "ftps://h", key},
        {"ftp -s:/b/s.txt -k:" + key + " -i:\"/my keys/id\" sftp://[::1]:22", Kind::Ftp, "/b/s.txt", "sftp://[::1]:22",
         key, "/my keys/id"},
        {"ftp -s:/b/s.txt -i:/k sftp://h", Kind::Ftp, "/b/s.txt", "sftp://h", "", "/k"},
        {"ftp -s:/b/x-k:y.txt h", Kind::Ftp, "/b/x-k:y.txt", "h"}, // a path that merely holds "-k"
        {"echo off", Kind::EchoOff, "", ""},
        {"ECHO ON", Kind::EchoOn, "", ""},
        {"echo Please close this window \r", Kind::Echo, "Please close this window ", ""},
        {"echo offline", Kind::Echo, "offline", ""},
        {"", Kind::Blank, "", ""},
        {"  \r", Kind::Blank, "", ""},
        {"ftp -i host", Kind::Unknown, "ftp -i host", ""},
        {"cdrom", Kind::Unknown, "cdrom", ""},
    };
    for (const auto& row : rows) {
        const BatchCommand command = ParseBatchLine(row.line);
        EXPECT_EQ(command.kind, row.kind) << row.line;
        EXPECT_EQ(command.argument, row.argument) << row.line;
        EXPECT_EQ(command.server, row.server) << row.line;
        EXPECT_EQ(command.trustedKey, row.trustedKey) << row.line;
        EXPECT_EQ(command.keyFile, row.keyFile) << row.line;
    }
}

class BatchRun : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::create_directory(m_base);
        // Stands in for the upload client: shows its arguments, folder and both output streams.
        test::WriteFile(m_fakeClient, "#!/bin/sh\n"
                                      "for a in \"$@\"; do echo \"arg=$a\"; done\n"
                                      "echo \"folder=$(pwd)\"\n"
                                      "echo to-stderr >&2\n"
                                      "printf 'no line end'\n"
                                      "exit 3\n");
        ::chmod(m_fakeClient.c_str(), 0755);
    }

    Result<int> run(const std::string& batchText, const std::string& batch = "", const std::string& secret = "")
    {
        test::WriteFile(m_batch, batchText);
        BatchCallbacks callbacks;
        callbacks.output = [this](const std::string& line) { output.push_back(line); };
        callbacks.pause = [this] {
            output.push_back("<pause>");
            ++pauses;
        };
        callbacks.clientRunning = [this](int pid) { clientPids.push_back(pid); };
        return RunBatchFile(batch.empty() ? m_batch : batch, {m_fakeClient, 0, secret}, callbacks);
    }

    test::TempDir m_dir;
    std::string m_base = m_dir / "My Base/";
    std::string m_batch = m_base + kBatchFileName;
    std::string m_fakeClient = m_dir / "fake-ftp";
    std::vector<std::string> output;
    std::vector<int> clientPids;
    int pauses = 0;
};

TEST_F(BatchRun, CarriesOutThePublishersBatchFile)
{
    const std::string script = m_base + kScriptFileName;
    // Other commands are shown, never run.
    const std::string marker = m_dir / "ran";
    auto status = run("touch " + marker + "\r\ncd /no/such/folder\r\n" +
                      BatchFileText(m_base, script, {.server = "127.0.0.1:2121"}) + "echo after exit\r\n");
    ASSERT_TRUE(status.ok()) << status.status().message();
    EXPECT_EQ(status.value(), 3);
    const std::string folder = m_base.substr(0, m_base.size() - 1);
    const std::vector<std::string> expected = {
        folder + ">touch " + marker,
        "'touch " + marker + "' is not a command this console carries out.",
        folder + ">cd /no/such/folder",
        "The system cannot find the path specified: /no/such/folder",
        folder + ">cd " + m_base,
        folder + ">ftp -s:" + script + " 127.0.0.1:2121",
        "arg=-s:" + script,
        "arg=127.0.0.1:2121",
        "folder=" + folder,
        "to-stderr",
        "no line end",
        "THE UPLOAD FAILED (status 3): the site was not fully published. See the messages above.",
        folder + ">echo off",
        "<pause>", // no word of a published site, and nothing after the pause
    };
    EXPECT_EQ(output, expected);
    EXPECT_EQ(pauses, 1);
    EXPECT_FALSE(test::PathExists(marker));
    EXPECT_EQ(ReadUploadOutcome(m_base).value().outcome, "Upload failed: no line end") << "for the editor to show";

    // A client that succeeds: the batch file's closing lines follow. The outcome names the site
    // the web folder holds and where the script sends it, as the Publish tab's settings name it.
    const FtpSettings ftp {.server = "127.0.0.1:2121", .root = "/www/", .dir = "site/", .protocol = "SFTP"};
    ASSERT_TRUE(generator::WriteBuildRecord(m_base + "TempInternetFiles/", {"/sites/Shop.qls", true, {}}).ok());
    test::WriteFile(script, ScriptText(ftp, m_base, m_base + "TempInternetFiles/Index.htm", {}));
    test::WriteFile(m_fakeClient, "#!/bin/sh\necho '1 file sent, 0 failures, 5 bytes in 0.01 seconds.'\n");
    output.clear();
    ASSERT_EQ(run(BatchFileText(m_base, script, ftp)).value(), 0);
    const UploadRecord record = ReadUploadOutcome(m_base).value();
    EXPECT_EQ(record.outcome, "Published: 1 file sent, 0 failures, 5 bytes in 0.01 seconds.");
    EXPECT_EQ(record.sitePath, "/sites/Shop.qls");
    EXPECT_EQ(record.destination, UploadDestination(ftp));
    EXPECT_EQ(record.destination, "sftp://127.0.0.1:2121 /www/site/");
    for (const FtpSettings& other : {FtpSettings {.server = "other:2121", .root = "/www/", .dir = "site/"},
                                     FtpSettings {.server = "127.0.0.1:2121", .root = "/web/", .dir = "site/"},
                                     FtpSettings {.server = "127.0.0.1:2121", .root = "/www/", .dir = "site/"}})
        EXPECT_NE(UploadDestination(other), record.destination) << other.server << other.root << other.protocol;
    EXPECT_EQ(std::vector<std::string>(output.end() - 3, output.end()),
              (std::vector<std::string> {"Your web site has been published to 127.0.0.1:2121",
                                         "Please close this window ", "<pause>"}));
}

TEST(UploadOutcome, PublishedOrFailedWithTheClosingLineOrTheReason)
{
    const std::string closing = "3 files sent, 0 failures, 1200 bytes in 0.10 seconds.";
    const std::string held = "; 30 stale files kept on the server: deleting so many needs your confirmation";
    const struct
    {
        std::vector<std::string> lines;
        int status;
        std::string outcome;
    } rows[] = {
        {{"ftp> put a", "226 Done", closing, ""}, 0, "Published: " + closing},
        {{"550 Denied", "2 files sent, 1 failure, 9 bytes in 0.1 seconds.", "THE UPLOAD FAILED (status 1): ..."},
         1,
         "Upload failed: 2 files sent, 1 failure, 9 bytes in 0.1 seconds."},
        {{"Cannot log in to h: 530 Login incorrect.", "Login failed: nothing was sent.",
          "0 files sent, 0 failures, 0 bytes in 0.01 seconds.", "THE UPLOAD FAILED (status 1): ..."},
         1,
         "Upload failed: Cannot log in to h: 530 Login incorrect."},
        {{"THE UPLOAD DID NOT START: An upload from /b/ is running; try again when it has finished."},
         1,
         "Upload failed: An upload from /b/ is running; try again when it has finished."},
        {{}, 137, "Upload failed: the upload ended with status 137"},
        // Everything sent, but stale files kept back by the mass-deletion guard: not "Published".
        {{DeletionsHeldLine(30, 39), "0 files sent, 9 unchanged, 0 removed, 0 failures, 0 bytes, 0.1 seconds" + held},
         1,
         "Upload not finished: 0 files sent, 9 unchanged, 0 removed, 0 failures, 0 bytes, 0.1 seconds" + held},
        {{"would send: articles/art-1.htm", "Dry run: 1 to send (4 KB), 8 unchanged, 0 to delete", closing},
         0,
         "Nothing published (a dry run): " + closing},
    };
    for (const auto& row : rows)
        EXPECT_EQ(UploadOutcome(row.lines, row.status), row.outcome) << row.outcome;
}

TEST_F(BatchRun, NoUploadWhileABuildRunsOrAfterTheSiteWasBuiltAgain)
{
    const std::string script = m_base + kScriptFileName;
    const std::string batch = BatchFileText(m_base, script, {.server = "127.0.0.1:2121"});
    test::WriteFile(m_fakeClient, "#!/bin/sh\necho client-ran\nexit 0\n");
    std::filesystem::create_directory(m_base + "TempInternetFiles");
    ASSERT_TRUE(generator::WriteBuildRecord(m_base + "TempInternetFiles/", {"/sites/a.qls", true, {}}).ok());
    test::WriteFile(script, "prepared after the build");
    const auto started = [this] { return std::find(output.begin(), output.end(), "client-ran") != output.end(); };
    {
        auto build = app::BaseFolderLock::acquire(m_base, app::BaseFolderLock::Mode::Build, "a.qls");
        ASSERT_TRUE(build.ok());
        EXPECT_EQ(run(batch).value(), 1);
        EXPECT_FALSE(started());
        EXPECT_NE(std::find(output.begin(), output.end(),
                            "THE UPLOAD DID NOT START: The site a.qls is being built in " + m_base +
                                "; try again when that build has finished."),
                  output.end());
    }
    output.clear();
    EXPECT_EQ(run(batch).value(), 0);
    EXPECT_TRUE(started());

    // The site was built again after the script was written: the script lists another site.
    ASSERT_TRUE(generator::WriteBuildRecord(m_base + "TempInternetFiles/", {"/sites/b.qls", true, {}}).ok());
    output.clear();
    EXPECT_EQ(run(batch).value(), 1);
    EXPECT_FALSE(started());
}

TEST_F(BatchRun, TheSecretReachesTheClientOnlyThroughADescriptor)
{
    test::WriteFile(m_fakeClient, "#!/bin/sh\n"
                                  "for a in \"$@\"; do echo \"arg=$a\"; done\n"
                                  "env | grep -c 'Pass phrase' | sed 's/^/in-environment=/'\n"
                                  "case \"$3\" in -p:*) fd=${3#-p:}; eval \"cat <&$fd\" | sed 's/^/read=/';; esac\n");
    const std::string script = m_base + kScriptFileName;
    FtpSettings ftp;
    ftp.server = "h:2222";
    ftp.protocol = "SFTP";
    ftp.keyFile = "/my keys/id";
    auto status = run(BatchFileText(m_base, script, ftp), "", "Pass phrase");
    ASSERT_TRUE(status.ok()) << status.status().message();
    const auto has = [this](const std::string& line) {
        return std::find(output.begin(), output.end(), line) != output.end();
    };
    for (const std::string& line :
         std::vector<std::string> {"arg=-s:" + script, "arg=-i:/my keys/id", "arg=-p:3", "arg=sftp://h:2222",
                                   "in-environment=0", "read=Pass phrase"})
        EXPECT_TRUE(has(line)) << line;
    ASSERT_EQ(clientPids.size(), 2u);
    EXPECT_GT(clientPids[0], 0);
    EXPECT_EQ(clientPids[1], 0) << "told when the client is gone";
}

TEST_F(BatchRun, ReportsAMissingClientAndAMissingBatchFile)
{
    m_fakeClient = m_dir / "no-such-client";
    auto status = run("echo off\r\nftp -s:x host\r\n");
    ASSERT_TRUE(status.ok());
    EXPECT_EQ(status.value(), 127);
    ASSERT_EQ(output.size(), 3u);
    EXPECT_NE(output[1].find("no-such-client"), std::string::npos);
    EXPECT_NE(output[2].find("THE UPLOAD FAILED"), std::string::npos);

    EXPECT_FALSE(run("", m_dir / "missing.bat").ok());
}

} // namespace
} // namespace qle::publish
