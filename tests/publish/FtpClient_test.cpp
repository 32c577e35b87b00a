#include "publish/FtpClient.h"

#include "FtpServer.h"
#include "support/TempDir.h"

#include <arpa/inet.h>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qle::publish {
namespace {

constexpr const char* kPassword = "Secret-Pa55word";

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const auto& line : lines)
        text += line + "\n";
    return text;
}

class FtpClient : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(m_home);
        std::filesystem::create_directories(m_local);
        test::WriteFile(m_local + "a.htm", "first");
        test::WriteFile(m_local + "b c.htm", "second file");
    }

    FtpRunSummary run(const std::string& commands, const std::string& server, long timeoutSeconds = 5,
                      const std::function<void(const std::string&)>& onLine = {})
    {
        FtpClientOptions options;
        options.timeouts = {timeoutSeconds, timeoutSeconds};
        options.localFolder = m_local;
        const auto started = std::chrono::steady_clock::now();
        const auto summary = RunFtpScript(std::string("jo\r\n") + m_password + "\r\n" + commands, server, options,
                                          [this, &onLine](const std::string& line) {
                                              m_output.push_back(line);
                                              if (onLine)
                                                  onLine(line);
                                          });
        m_elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        EXPECT_EQ(Joined(m_output).find(kPassword), std::string::npos) << Joined(m_output);
        return summary;
    }

    test::TempDir m_dir;
    std::string m_home = m_dir / "home/";
    std::string m_local = m_dir / "local/";
    std::string m_password = kPassword;
    std::vector<std::string> m_output;
    double m_elapsed = 0;
};

TEST_F(FtpClient, RunsTheWholeScriptOverOneControlConnection)
{
    test::FtpServer server(m_home, "jo", kPassword);
    ASSERT_TRUE(server.started());
    const auto summary = run("binary\r\nmkdir /www/\r\ncd /www/\r\n\r\nmkdir sub\r\ncd sub\r\nput a.htm\r\n"
                             "put \"" +
                                 m_local + "b c.htm\"\r\nput a.htm ../renamed.htm\r\nquit\r\nput a.htm\r\n",
                             server.address());
    EXPECT_TRUE(summary.loggedIn);
    EXPECT_EQ(summary.filesSent, 3);
    EXPECT_EQ(summary.failures, 0);
    EXPECT_EQ(summary.bytes, 5u + 11u + 5u);
    EXPECT_EQ(summary.exitCode(), 0);
    EXPECT_EQ(summary.connections, 1);
    EXPECT_EQ(test::ReadFile(m_home + "www/sub/a.htm"), "first");
    EXPECT_EQ(test::ReadFile(m_home + "www/sub/b c.htm"), "second file");
    EXPECT_EQ(test::ReadFile(m_home + "www/renamed.htm"), "first");
    EXPECT_EQ(m_output.back(),
              "3 files sent, 0 failures, 21 bytes in " + m_output.back().substr(m_output.back().find(" in ") + 4));
}

TEST_F(FtpClient, FailuresAreReportedAndTheScriptGoesOn)
{
    test::FtpServer server(m_home, "jo", kPassword);
    ASSERT_TRUE(server.started());
    std::filesystem::create_directories(m_home + "www");
    const auto summary = run("mkdir /www\r\n"  // exists: reported, harmless
                             "cd /missing\r\n" // fails: the puts below it are not sent
                             "put a.htm\r\n"
                             "cd /www\r\n"
                             "put no-such-file.htm\r\n"
                             "frobnicate\r\n"
                             "put a.htm\r\n",
                             server.address());
    EXPECT_EQ(summary.filesSent, 1);
    EXPECT_EQ(summary.failures, 2);
    EXPECT_EQ(summary.exitCode(), 1);
    EXPECT_EQ(summary.connections, 1);
    EXPECT_EQ(test::ReadFile(m_home + "www/a.htm"), "first");
    EXPECT_FALSE(test::PathExists(m_home + "a.htm"));
    const std::string text = Joined(m_output);
    EXPECT_NE(text.find("ftp> mkdir /www\n550"), std::string::npos) << text;
    EXPECT_NE(text.find("ftp> cd /missing\n550"), std::string::npos) << text;
    EXPECT_NE(text.find("no-such-file.htm"), std::string::npos) << text;
    EXPECT_NE(text.find("Invalid command: frobnicate"), std::string::npos) << text;
}

TEST_F(FtpClient, AServerThatStopsAnsweringEndsTheRunAfterOneTimeout)
{
    test::FtpServer server(m_home, "jo", kPassword);
    ASSERT_TRUE(server.started());
    std::string puts;
    for (int i = 0; i < 6; ++i)
        puts += "put a.htm f" + std::to_string(i) + ".htm\r\n";
    const auto summary = run(puts, server.address(), 1, [&server](const std::string& line) {
        if (line.starts_with("226 "))
            server.freeze();
    });
    EXPECT_EQ(summary.filesSent, 1);
    EXPECT_EQ(summary.failures, 5);
    EXPECT_LT(m_elapsed, 4.0);
    EXPECT_NE(Joined(m_output).find("Not connected."), std::string::npos) << Joined(m_output);
}

TEST_F(FtpClient, AWrongPasswordSendsNothing)
{
    test::FtpServer server(m_home, "jo", kPassword);
    ASSERT_TRUE(server.started());
    m_password = "not-the-password";
    const auto summary = run("mkdir /www\r\nput a.htm\r\n", server.address());
    EXPECT_FALSE(summary.loggedIn);
    EXPECT_EQ(summary.exitCode(), 1);
    EXPECT_TRUE(std::filesystem::is_empty(m_home));
    const std::string text = Joined(m_output);
    EXPECT_NE(text.find("530"), std::string::npos) << text;
    EXPECT_NE(text.find("Login failed"), std::string::npos) << text;
    EXPECT_EQ(text.find("not-the-password"), std::string::npos) << text;
}

TEST_F(FtpClient, NoServerListeningEndsAtOnceWithAClearError)
{
    const auto summary = run("put a.htm\r\n", "127.0.0.1:" + std::to_string(test::UnusedPort()));
    EXPECT_EQ(summary.exitCode(), 1);
    EXPECT_LT(m_elapsed, 5.0);
    const std::string text = Joined(m_output);
    EXPECT_NE(text.find("Cannot log in to 127.0.0.1:"), std::string::npos) << text;
    EXPECT_NE(text.find("connect"), std::string::npos) << text;
}

TEST_F(FtpClient, ASilentServerEndsWithinTheTimeout)
{
    // Accepts connections (through the backlog) but never says a word.
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(fd, 4), 0);
    ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const auto summary = run("put a.htm\r\n", "127.0.0.1:" + std::to_string(ntohs(address.sin_port)), 1);
    ::close(fd);
    EXPECT_EQ(summary.exitCode(), 1);
    EXPECT_LT(m_elapsed, 4.0);
    const std::string text = Joined(m_output);
    EXPECT_NE(text.find("Cannot log in"), std::string::npos) << text;
    EXPECT_NE(text.find("imeout"), std::string::npos) << text;
}

} // namespace
} // namespace qle::publish
