// The whole publish: files written, the batch file carried out by the console runner, the real
// upload client talking to a real server of each protocol.
#include "publish/client/BatchRunner.h"
#include "publish/client/Publisher.h"
#include "publish/sync/PublishedRecord.h"

#include "FtpServer.h"
#include "RemoteServer.h"
#include "SiteFixture.h"
#include "app/BaseFolderLock.h"
#include "generator/StoredSiteEditor.h"
#include "support/RecordingUi.h"

#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qle::publish {
namespace {

bool Holds(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// What the server should hold after a publish: the web folder, its forwarding page (with the
// logo it shows) as index.htm.
std::map<std::string, std::string> RemoteCopyOf(const test::SiteFixture& site)
{
    auto expected = test::FilesUnder(site.web);
    expected["index.htm"] = expected.at("Index.htm");
    expected.erase("Index.htm");
    return expected;
}

// The site's files on the server, without the record of published files.
std::map<std::string, std::string> SiteOnServer(const std::string& folder)
{
    auto files = test::FilesUnder(folder);
    files.erase(kRecordFileName);
    return files;
}

// Publishes the fixture site and carries out the batch file here; the client's status.
int PublishAndUpload(test::SiteFixture& site, std::string& output, const BatchCallbacks& extra = {},
                     const std::vector<std::string>& clientOptions = {}, test::RecordingUi* shown = nullptr)
{
    auto editor = generator::StoredSiteEditor::open(site.site, nullptr);
    EXPECT_TRUE(editor.ok());
    test::RecordingUi own;
    test::RecordingUi& ui = shown ? *shown : own;
    int status = -1;
    const auto runHere = [&output, &status, &extra, &clientOptions](const std::string& batch) {
        BatchCallbacks callbacks = extra;
        callbacks.output = [&output, &extra](const std::string& line) {
            output += line + "\n";
            if (extra.output)
                extra.output(line);
        };
        BatchOptions options {test::ProgramFolder() + "quillon-ftp", 5};
        options.ftpArguments = clientOptions;
        auto result = RunBatchFile(batch, options, callbacks);
        status = result.ok() ? result.value() : -2;
        return result.ok();
    };
    output.clear();
    EXPECT_TRUE(PublishSite(site.job(), editor.value(), ui, runHere).ok());
    EXPECT_FALSE(Holds(output, site.ftp.password)) << output;
    return status;
}

class UploadOverEachProtocol : public ::testing::TestWithParam<Protocol>
{
};

// Over TLS and SSH an unknown identity is refused with nothing sent, then the accepted one is used.
TEST_P(UploadOverEachProtocol, ServerHoldsTheBuiltSiteByteForByte)
{
    if (GetParam() == Protocol::Ftps && !test::Vsftpd::unavailable().empty())
        GTEST_SKIP() << test::Vsftpd::unavailable();
    test::SiteFixture site;
    test::RemoteServer server(GetParam(), site.dir / "server/");
    ASSERT_TRUE(server.started);
    site.ftp.server = server.address();
    site.ftp.protocol = ProtocolName(GetParam());
    site.ftp.userName = server.settings.userName;
    site.ftp.password = server.settings.password;
    std::string output;

    if (GetParam() != Protocol::Ftp) {
        EXPECT_NE(PublishAndUpload(site, output), 0) << output;
        EXPECT_TRUE(test::FilesUnder(server.home).empty()) << output;
        EXPECT_TRUE(Holds(output, server.settings.trustedKey)) << output;
        EXPECT_TRUE(Holds(output, "use Test Connection on the Publish tab (or quillon publish --trust)")) << output;
        site.ftp.trustedKey = server.settings.trustedKey;
    }
    EXPECT_EQ(PublishAndUpload(site, output), 0) << output;
    EXPECT_EQ(SiteOnServer(server.home + "www/site"), RemoteCopyOf(site)) << output;
    EXPECT_TRUE(Holds(output, "7 files sent, 0 unchanged, 0 removed, 0 failures")) << output;
    EXPECT_TRUE(Holds(output, "Your web site has been published to " + server.address())) << output;
}

INSTANTIATE_TEST_SUITE_P(Protocols, UploadOverEachProtocol,
                         ::testing::Values(Protocol::Ftp, Protocol::Ftps, Protocol::Sftp),
                         [](const ::testing::TestParamInfo<Protocol>& row) {
                             return std::string(ProtocolName(row.param));
                         });

TEST(Upload, StopEndsTheClientCleanlyAndReportsWhatWasSent)
{
    test::SiteFixture site;
    test::TempDir home;
    // The first page goes through; the second upload finds a server that stopped answering, where
    // the console's Stop (SIGTERM to the client) finds the client waiting.
    test::FtpServer server(home.path(), "jo", site.ftp.password, {"--stall-at-upload=2"});
    ASSERT_TRUE(server.started());
    site.ftp.server = server.address();
    int client = 0;
    int puts = 0;
    BatchCallbacks extra;
    extra.clientRunning = [&client](int pid) { client = pid; };
    extra.output = [&](const std::string& line) {
        if (line.starts_with("Sent ") && ++puts == 1 && client > 0)
            ::kill(client, SIGTERM);
    };
    std::string output;
    // One connection, so that the uploads come one after the other.
    EXPECT_EQ(PublishAndUpload(site, output, extra, {"-c:1"}), 1) << output;
    EXPECT_TRUE(Holds(output, "Stopped: the files listed above as sent are on the server")) << output;
    EXPECT_TRUE(Holds(output, "1 file sent, 0 unchanged, 0 removed, 6 failures")) << output;
    EXPECT_TRUE(Holds(output, "THE UPLOAD FAILED")) << output;
    EXPECT_EQ(test::FilesUnder(home.path()).size(), 1u);
}

// quillon publish carries out the batch file itself; killed (here its stand-in, the console), it
// leaves the upload client running. The client holds the base folder's lock of its own, so no build
// swaps the web folder's pages under it.
TEST(Upload, AClientWhoseConsoleWasKilledStillKeepsBuildsOut)
{
    test::SiteFixture site;
    test::TempDir home;
    const std::string note = site.dir / "stalled";
    test::FtpServer server(home.path(), "jo", site.ftp.password, {"--stall-at-upload=1", "--note=" + note});
    ASSERT_TRUE(server.started());
    site.ftp.server = server.address();
    auto editor = generator::StoredSiteEditor::open(site.site, nullptr);
    ASSERT_TRUE(editor.ok());
    auto batch = WriteFtpFiles(site.job(), editor.value());
    ASSERT_TRUE(batch.ok()) << batch.status().message();

    const std::string console = test::ProgramFolder() + "quillon-console";
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int devNull = ::open("/dev/null", O_WRONLY);
        ::dup2(devNull, STDOUT_FILENO);
        ::dup2(devNull, STDERR_FILENO);
        ::execl(console.c_str(), "quillon-console", batch->c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    for (int i = 0; i < 1000 && !test::PathExists(note); ++i)
        ::usleep(10000);
    ASSERT_TRUE(test::PathExists(note)) << "the client never reached the server";
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    auto build = app::BaseFolderLock::acquire(site.base, app::BaseFolderLock::Mode::Build);
    EXPECT_FALSE(build.ok()) << "a build while the upload client still runs";
    if (!build.ok()) {
        EXPECT_NE(build.status().message().find("An upload"), std::string::npos) << build.status().message();
    }
}

TEST(Upload, AHostileSiteReachesTheServerFileForFile)
{
    test::SiteFixture site;
    const std::pair<std::string, std::string> names[] = {
        {"Tab\there|Star*:<x>", "Line\r\nbreak"},
        {"\"Quoted\" & 'single'", "#1? 100%"},
        {"Slash/Back\\slash", "..\\..\\up"},
        {"  spaced  ", "control\x01\x7f"},
    };
    int n = 0;
    for (const auto& [category, section] : names) {
        const std::string picture = site.dir / ("pic" + std::to_string(++n) + "-\"*:<>?|\t.gif");
        test::WriteFile(picture, "GIF89a" + std::to_string(n));
        site.addPage(category, section, picture);
    }
    test::WriteFile(site.dir / ".dotted.png", "GIF89a copied as it is");
    site.addPage("Dots", "Dots", site.dir / ".dotted.png");
    site.build();

    test::TempDir home;
    test::FtpServer server(home.path(), "jo", site.ftp.password);
    ASSERT_TRUE(server.started());
    site.ftp.server = server.address();
    std::string output;
    test::RecordingUi ui;
    EXPECT_EQ(PublishAndUpload(site, output, {}, {}, &ui), 0) << output;
    EXPECT_TRUE(ui.messages.empty()) << "nothing the build wrote is left out";

    auto local = test::FilesUnder(site.web);
    EXPECT_EQ(local.count("images/.dotted.png"), 1u);
    EXPECT_EQ(local.count("images/pic1---------.gif"), 1u) << "copied under a portable name";
    local.erase("temp.fle"); // the folder routines' marker is never uploaded
    const auto remote = test::FilesUnder(home / "www/site");
    EXPECT_EQ(remote.at("index.htm"), local.at("Index.htm"));
    local.erase("Index.htm");
    auto remoteContent = remote;
    remoteContent.erase("index.htm");
    remoteContent.erase(kRecordFileName);
    EXPECT_EQ(remoteContent.size(), local.size());
    for (const auto& [name, bytes] : local) {
        auto it = remoteContent.find(name);
        EXPECT_TRUE(it != remoteContent.end() && it->second == bytes) << name;
    }
}

} // namespace
} // namespace qle::publish
