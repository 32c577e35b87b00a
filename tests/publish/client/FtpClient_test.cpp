#include "publish/client/FtpClient.h"

#include "FtpServer.h"
#include "SiteFixture.h"
#include "support/TempDir.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>

namespace qle::publish {
namespace {

constexpr const char* kPassword = "Secret-Pa55word";
constexpr auto npos = std::string::npos;

class FtpClient : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(m_home);
        std::filesystem::create_directories(m_local);
        test::WriteFile(m_local + "a.htm", "first");
        test::WriteFile(m_local + "b c.htm", "second file");
        ASSERT_TRUE(m_server.emplace(m_home, "jo", kPassword).started());
    }

    // Runs the commands after the log-in lines; the client's output gathers in m_output.
    FtpRunSummary run(const std::string& commands, const std::string& server, long timeoutSeconds = 5,
                      const std::function<void(const std::string&)>& onLine = {}, bool sync = false)
    {
        FtpClientOptions options;
        if (sync)
            options.sync = SyncSettings {};
        options.timeouts = {timeoutSeconds, timeoutSeconds};
        options.localFolder = m_local;
        m_output.clear();
        const auto started = std::chrono::steady_clock::now();
        const auto summary = RunFtpScript("jo\r\n" + m_password + "\r\n" + commands, server, options,
                                          [this, &onLine](const std::string& line) {
                                              m_output += line + "\n";
                                              if (onLine)
                                                  onLine(line);
                                          });
        m_elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        EXPECT_EQ(m_output.find(kPassword), npos) << m_output;
        return summary;
    }

    test::TempDir m_dir;
    std::string m_home = m_dir / "home/";
    std::string m_local = m_dir / "local/";
    std::optional<test::FtpServer> m_server;
    std::string m_password = kPassword;
    std::string m_output;
    double m_elapsed = 0;
};

TEST_F(FtpClient, RunsTheWholeScriptOverOneControlConnection)
{
    const auto summary = run("binary\r\nmkdir /www/\r\ncd /www/\r\n\r\nmkdir sub\r\ncd sub\r\nput a.htm\r\n"
                             "put \"" +
                                 m_local + "b c.htm\"\r\nput a.htm ../renamed.htm\r\nquit\r\nput a.htm\r\n",
                             m_server->address());
    EXPECT_TRUE(summary.loggedIn);
    EXPECT_EQ(summary.exitCode(), 0);
    EXPECT_EQ(summary.connections, 1);
    EXPECT_EQ(test::ReadFile(m_home + "www/sub/a.htm"), "first");
    EXPECT_EQ(test::ReadFile(m_home + "www/sub/b c.htm"), "second file");
    EXPECT_EQ(test::ReadFile(m_home + "www/renamed.htm"), "first");
    EXPECT_NE(m_output.find("\n3 files sent, 0 unchanged, 0 removed, 0 failures, 21 bytes, "), npos) << m_output;
}

TEST_F(FtpClient, FailuresAreReportedAndTheScriptGoesOn)
{
    std::filesystem::create_directories(m_home + "www");
    const auto summary = run("mkdir /www\r\n"  // exists: reported, harmless
                             "cd /missing\r\n" // fails: the puts below it are not sent
                             "put a.htm\r\n"
                             "cd /www\r\n"
                             "put no-such-file.htm\r\n"
                             "put a.htm\r\n",
                             m_server->address());
    EXPECT_EQ(summary.counts.sent, 1);
    EXPECT_EQ(summary.counts.failures, 2);
    EXPECT_EQ(summary.exitCode(), 1);
    EXPECT_EQ(summary.connections, 1);
    EXPECT_EQ(test::ReadFile(m_home + "www/a.htm"), "first");
    EXPECT_FALSE(test::PathExists(m_home + "a.htm"));
    for (const char* shown : {"ftp> mkdir /www\n550", "ftp> cd /missing\n550", "no-such-file.htm"})
        EXPECT_NE(m_output.find(shown), npos) << shown << " in\n" << m_output;
}

// Skipping a line it cannot carry used to send the rest of the site into the wrong folder.
TEST_F(FtpClient, ALineThatCannotBeCarriedOutSendsNothingAtAll)
{
    for (const bool sync : {false, true}) {
        const auto summary =
            run("put a.htm\r\nmkdir my site \r\ncd my site \r\nput a.htm\r\n", m_server->address(), 5, {}, sync);
        EXPECT_EQ(summary.exitCode(), 1);
        EXPECT_FALSE(summary.loggedIn) << "not even logged in";
        EXPECT_TRUE(test::FilesUnder(m_home).empty()) << m_output;
        EXPECT_NE(m_output.find("Line 4 of the upload script cannot be carried out"), npos) << m_output;
        EXPECT_NE(m_output.find("0 files sent"), npos) << m_output;
    }
}

TEST_F(FtpClient, AServerThatStopsAnsweringEndsTheRunAfterOneTimeout)
{
    std::string puts;
    for (int i = 0; i < 6; ++i)
        puts += "put a.htm f" + std::to_string(i) + ".htm\r\n";
    test::FtpServer stalling(m_home, "jo", kPassword, {"--stall-at-upload=2"});
    ASSERT_TRUE(stalling.started());
    const auto summary = run(puts, stalling.address(), 1);
    EXPECT_EQ(summary.counts.sent, 1);
    EXPECT_EQ(summary.counts.failures, 5);
    EXPECT_LT(m_elapsed, 4.0);
    EXPECT_NE(m_output.find("Not connected."), npos) << m_output;
}

TEST_F(FtpClient, ASilentServerEndsTheRunWithAClearError)
{
    m_server->freeze(); // still accepts connections (through the backlog) but never says a word
    const auto summary = run("put a.htm\r\n", m_server->address(), 1);
    EXPECT_EQ(summary.exitCode(), 1);
    EXPECT_LT(m_elapsed, 4.0);
    EXPECT_NE(m_output.find("Cannot log in to " + m_server->address()), npos) << m_output;
    EXPECT_NE(m_output.find("imeout"), npos) << m_output;
}

} // namespace
} // namespace qle::publish
