// The connection test's outcomes against real servers, and where it looks for the site's folder.
#include "publish/client/ConnectionTest.h"

#include "FtpServer.h"
#include "RemoteServer.h"
#include "SiteFixture.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace qle::publish {
namespace {

bool Holds(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

FtpSettings SiteSettings(const std::string& server, const std::string& root, const std::string& dir)
{
    FtpSettings ftp;
    ftp.server = server;
    ftp.userName = "jo";
    ftp.password = test::kRemotePassword;
    ftp.root = root;
    ftp.dir = dir;
    return ftp;
}

TEST(ConnectionTest, DestinationFolderFollowsTheScriptsCdLines)
{
    const struct
    {
        const char* root;
        const char* dir;
        const char* home;
        const char* folder;
    } rows[] = {
        {"/www/", "site/", "/", "/www/site"},
        {"/www/", "", "/", "/www"},
        {"", "", "/home/jo/", "/home/jo"},
        {"public_html/", "site/", "/home/jo/", "/home/jo/public_html/site"},
        {"/", "/site/", "/", "/site"},
        {"/www/", "a/b/", "/", "/www/a/b"},
        {"/www/", "my site/", "/", "/www/my site"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(DestinationFolder(SiteSettings("h", row.root, row.dir), row.home), row.folder)
            << row.root << " + " << row.dir;
}

TEST(ConnectionTest, SettingsForSiteRefuseWhatCannotBeReached)
{
    FtpSettings ftp = SiteSettings("ftp.example.net:2121", "/", "");
    ftp.protocol = "gopher";
    EXPECT_FALSE(SettingsForSite(ftp).ok());
    ftp.protocol = "sftp";
    ftp.trustedKey = "not a fingerprint";
    EXPECT_FALSE(SettingsForSite(ftp).ok());
    ftp.trustedKey = std::string(64, 'a');
    ftp.password.clear();
    auto settings = SettingsForSite(ftp, "asked");
    ASSERT_TRUE(settings.ok()) << settings.status().message();
    EXPECT_EQ(settings->protocol, Protocol::Sftp);
    EXPECT_EQ(settings->port, 2121);
    EXPECT_EQ(settings->password, "asked");
    EXPECT_EQ(settings->trustedKey.substr(0, 7), "SHA256:");
    ftp.server = "bad host";
    EXPECT_FALSE(SettingsForSite(ftp).ok());
}

TEST(ConnectionTest, ReportsWhatWorkedOrExactlyWhatFailed)
{
    test::TempDir dir;
    std::filesystem::create_directories(dir / "home/www/site");
    test::FtpServer server(dir / "home", "jo", test::kRemotePassword);
    ASSERT_TRUE(server.started());
    std::string closed;
    {
        test::FtpServer gone(dir / "home", "jo", test::kRemotePassword);
        closed = gone.address();
    }
    const struct
    {
        const char* name;
        FtpSettings ftp;
        Failure failure;
        const char* said;
    } rows[] = {
        {"works", SiteSettings(server.address(), "/www/", "site/"), Failure::None,
         "the folder /www/site can be written"},
        {"first publish", SiteSettings(server.address(), "/www/", "new/"), Failure::None,
         "/www/new does not exist yet"},
        {"wrong password",
         [&] {
             auto ftp = SiteSettings(server.address(), "/www/", "site/");
             ftp.password = "wrong";
             return ftp;
         }(),
         Failure::Login, "refused the login of jo"},
        {"nothing listening", SiteSettings(closed, "/www/", "site/"), Failure::ConnectionRefused, "nothing answers"},
    };
    for (const auto& row : rows) {
        auto settings = SettingsForSite(row.ftp);
        ASSERT_TRUE(settings.ok());
        settings->timeouts = {5, 5};
        const ConnectionReport report = TestConnection(settings.value(), row.ftp);
        EXPECT_EQ(report.ok, row.failure == Failure::None) << row.name << ": " << report.message;
        EXPECT_EQ(report.failure, row.failure) << row.name << ": " << report.message;
        EXPECT_TRUE(Holds(report.message, row.said)) << row.name << ": " << report.message;
        EXPECT_FALSE(Holds(report.message, test::kRemotePassword)) << row.name;
    }
    EXPECT_EQ(test::FilesUnder(dir / "home").size(), 0u) << "the test file is removed";
}

TEST(ConnectionTest, AFolderTheAccountCannotWriteIsNamed)
{
    if (!test::Vsftpd::unavailable().empty())
        GTEST_SKIP() << test::Vsftpd::unavailable();
    test::TempDir dir;
    test::RemoteServer server(Protocol::Ftps, dir.path());
    ASSERT_TRUE(server.started);
    std::filesystem::create_directories(server.home + "www");
    std::filesystem::permissions(server.home + "www",
                                 std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                     std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
    FtpSettings ftp = SiteSettings(server.address(), "/www/", "");
    ftp.userName = server.settings.userName;
    ftp.password = server.settings.password;
    ftp.protocol = "FTPS";
    ftp.trustedKey = server.settings.trustedKey;
    auto settings = SettingsForSite(ftp);
    ASSERT_TRUE(settings.ok());
    const ConnectionReport report = TestConnection(settings.value(), ftp);
    EXPECT_FALSE(report.ok);
    EXPECT_EQ(report.failure, Failure::Permission) << report.message;
    EXPECT_TRUE(Holds(report.message, "the folder /www cannot be written")) << report.message;
}

} // namespace
} // namespace qle::publish
