// The transport against real servers: every RemoteFs call, and the failures a connection can meet.
#include "publish/remote/CurlRemoteFs.h"
#include "publish/remote/RemoteError.h"

#include "FtpServer.h"
#include "RemoteServer.h"
#include "support/TempDir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>

namespace qle::publish {
namespace {

class RemoteFsOverEachProtocol : public ::testing::TestWithParam<Protocol>
{
protected:
    void SetUp() override
    {
        if (GetParam() == Protocol::Ftps && !test::Vsftpd::unavailable().empty())
            GTEST_SKIP() << test::Vsftpd::unavailable();
        test::WriteFile(m_dir / "page.htm", "<html>page</html>");
        m_server = std::make_unique<test::RemoteServer>(GetParam(), m_dir.path());
        ASSERT_TRUE(m_server->started);
        m_home = m_server->home;
        m_fs.emplace(m_server->settings);
        const Status connected = m_fs->connect();
        ASSERT_TRUE(connected.ok()) << connected.message();
    }

    // Every line the server said so far, one per line; checked never to hold the password.
    std::string serverLines()
    {
        std::string text;
        for (const auto& line : m_fs->takeServerLines())
            text += line + "\n";
        EXPECT_EQ(text.find(m_server->settings.password), std::string::npos) << text;
        return text;
    }

    test::TempDir m_dir;
    std::unique_ptr<test::RemoteServer> m_server;
    std::string m_home;
    std::optional<CurlRemoteFs> m_fs;
};

TEST_P(RemoteFsOverEachProtocol, FoldersFilesAndListingsRoundTrip)
{
    EXPECT_EQ(m_fs->homeFolder(), "/");
    if (GetParam() != Protocol::Sftp) {
        EXPECT_NE(serverLines().find("230 "), std::string::npos) << "the login is shown";
    }

    ASSERT_TRUE(m_fs->makeFolder("/www").ok());
    ASSERT_TRUE(m_fs->makeFolder("/www/my site").ok());
    EXPECT_EQ(KindOf(m_fs->makeFolder("/www")), RemoteErrorKind::AlreadyExists) << "exists: told apart";
    const Status noParent = m_fs->makeFolder("/missing/child");
    EXPECT_FALSE(noParent.ok());
    EXPECT_NE(KindOf(noParent), RemoteErrorKind::AlreadyExists) << noParent.message();

    std::uint64_t bytes = 0;
    for (const char* path : {"/www/my site/a page.htm", "/www/b.htm"}) {
        const Status sent = m_fs->put(m_dir / "page.htm", path, bytes);
        ASSERT_TRUE(sent.ok()) << path << ": " << sent.message();
    }
    EXPECT_EQ(bytes, 34u);
    EXPECT_EQ(test::ReadFile(m_home + "www/my site/a page.htm"), "<html>page</html>");
    // A local file that cannot be read sends nothing.
    for (const std::string& local : {m_dir / "none.htm", m_dir.path()}) {
        const Status sent = m_fs->put(local, "/www/x.htm", bytes);
        EXPECT_EQ(sent.code(), Status::Code::IoError) << local;
        EXPECT_NE(sent.message().find(local), std::string::npos) << sent.message();
    }
    EXPECT_EQ(bytes, 34u);
    EXPECT_FALSE(test::PathExists(m_home + "www/x.htm"));

    auto fetched = m_fs->fetch("/www/my site/a page.htm");
    ASSERT_TRUE(fetched.ok()) << fetched.status().message();
    EXPECT_EQ(fetched.value(), "<html>page</html>");
    EXPECT_EQ(KindOf(m_fs->fetch("/www/none.htm").status()), RemoteErrorKind::NotFound);
    // A file from an offset to its end: how a record's trailer is read.
    for (const auto& [offset, tail] : {std::pair<std::uint64_t, std::string> {12, "html>"}, {0, "<html>page</html>"}}) {
        auto read = m_fs->fetchFrom("/www/my site/a page.htm", offset);
        ASSERT_TRUE(read.ok()) << offset << ": " << read.status().message();
        EXPECT_EQ(read.value(), tail);
    }
    EXPECT_EQ(KindOf(m_fs->fetchFrom("/www/none.htm", 5).status()), RemoteErrorKind::NotFound);
    EXPECT_FALSE(m_fs->fetchFrom("/www/my site/a page.htm", 100).ok()) << "beyond its end";
    EXPECT_EQ(m_fs->connectionsMade(), 1) << "a ranged read keeps the connection";

    auto entries = m_fs->list("/www/");
    ASSERT_TRUE(entries.ok()) << entries.status().message();
    std::sort(entries->begin(), entries->end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    ASSERT_EQ(entries->size(), 2u);
    EXPECT_EQ(entries->at(0).name, "b.htm");
    EXPECT_FALSE(entries->at(0).folder);
    EXPECT_EQ(entries->at(0).size, 17u);
    EXPECT_EQ(entries->at(1).name, "my site");
    EXPECT_TRUE(entries->at(1).folder);
    EXPECT_EQ(m_fs->list("/nowhere").status().code(), Status::Code::NotFound);

    // A rename replaces the file at its target where the server allows it; version 3 of SFTP
    // keeps the target, and that is told as a name taken, never by removing the target here.
    test::WriteFile(m_home + "www/c.htm", "old");
    const Status renamed = m_fs->rename("/www/b.htm", "/www/c.htm");
    if (GetParam() == Protocol::Sftp) {
        ASSERT_EQ(KindOf(renamed), RemoteErrorKind::AlreadyExists) << renamed.message();
        EXPECT_EQ(test::ReadFile(m_home + "www/c.htm"), "old");
        ASSERT_TRUE(m_fs->remove("/www/c.htm").ok());
        ASSERT_TRUE(m_fs->rename("/www/b.htm", "/www/c.htm").ok());
    } else {
        ASSERT_TRUE(renamed.ok()) << renamed.message();
    }
    EXPECT_EQ(test::ReadFile(m_home + "www/c.htm"), "<html>page</html>");
    EXPECT_FALSE(test::PathExists(m_home + "www/b.htm"));
    ASSERT_TRUE(m_fs->remove("/www/c.htm").ok());
    EXPECT_FALSE(test::PathExists(m_home + "www/c.htm"));
    // vsftpd says no more than "550 Delete operation failed": a refusal, which the sync then checks.
    const RemoteErrorKind missing = GetParam() == Protocol::Ftps ? RemoteErrorKind::Refused : RemoteErrorKind::NotFound;
    EXPECT_EQ(KindOf(m_fs->rename("/www/b.htm", "/www/d.htm")), missing);
    EXPECT_EQ(KindOf(m_fs->remove("/www/c.htm")), missing);

    EXPECT_EQ(m_fs->connectionsMade(), 1) << "every call on one connection";
    serverLines();
}

INSTANTIATE_TEST_SUITE_P(Protocols, RemoteFsOverEachProtocol,
                         ::testing::Values(Protocol::Ftp, Protocol::Ftps, Protocol::Sftp),
                         [](const ::testing::TestParamInfo<Protocol>& row) {
                             return std::string(ProtocolName(row.param));
                         });

} // namespace
} // namespace qle::publish
