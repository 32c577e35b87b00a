// The server's identity: an unknown certificate or host key is refused before any password is
// sent and shown with its fingerprint; once accepted it is pinned; a different one is refused.
#include "publish/remote/CurlRemoteFs.h"

#include "FtpServer.h"
#include "TestKeys.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace qle::publish {
namespace {

constexpr const char* kPassword = "Secret-Pa55word";

ConnectionSettings SettingsFor(Protocol protocol, int port)
{
    ConnectionSettings settings;
    settings.protocol = protocol;
    settings.host = "127.0.0.1";
    settings.port = port;
    settings.userName = "jo";
    settings.password = kPassword;
    settings.timeouts = {5, 5};
    return settings;
}

bool Holds(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// Connects and checks the outcome: the failure, the parts of its message, and on failure the
// identity the server showed; returns the connection for further checks.
std::unique_ptr<CurlRemoteFs> ExpectConnect(const ConnectionSettings& settings, const char* row, Failure failure,
                                            const std::vector<std::string>& said, const std::string& shown)
{
    auto fs = std::make_unique<CurlRemoteFs>(settings);
    const Status connected = fs->connect();
    EXPECT_EQ(fs->lastFailure(), failure) << row << ": " << connected.message();
    for (const auto& part : said)
        EXPECT_TRUE(Holds(connected.message(), part)) << row << ": " << connected.message();
    if (failure != Failure::None) {
        EXPECT_EQ(fs->serverIdentity().fingerprint, shown) << row;
    }
    return fs;
}

TEST(ServerTrust, FtpsCertificateIsShownThenPinned)
{
    test::TempDir dir;
    test::TestCertificate served(dir.path(), "localhost");
    test::TestCertificate other(dir.path(), "elsewhere");
    std::filesystem::create_directories(dir / "home");
    test::FtpServer server(dir / "home", "jo", kPassword, {served.both});
    ASSERT_TRUE(server.started());

    const struct
    {
        const char* name;
        std::string trusted;
        Failure failure;
        std::vector<std::string> said;
    } rows[] = {
        {"self-signed, not trusted yet", "", Failure::UnknownIdentity, {"not trusted yet", served.fingerprint}},
        {"accepted", served.fingerprint, Failure::None, {}},
        {"another key",
         other.fingerprint,
         Failure::ChangedIdentity,
         {"CHANGED", served.fingerprint, other.fingerprint}},
    };
    for (const auto& row : rows) {
        ConnectionSettings settings = SettingsFor(Protocol::Ftps, server.port());
        settings.trustedKey = row.trusted;
        auto fs = ExpectConnect(settings, row.name, row.failure, row.said, served.fingerprint);
        if (row.failure != Failure::None) {
            EXPECT_TRUE(Holds(fs->serverIdentity().description, "localhost")) << fs->serverIdentity().description;
            for (const auto& line : fs->takeServerLines())
                EXPECT_FALSE(line.starts_with("331") || line.starts_with("230")) << row.name << ": no login: " << line;
        }
    }

    auto shown = FetchServerIdentity(SettingsFor(Protocol::Ftps, server.port()));
    ASSERT_TRUE(shown.ok()) << shown.status().message();
    EXPECT_EQ(shown->fingerprint, served.fingerprint);
    for (const char* fact : {"Subject:", "Start date:", "Expire date:"})
        EXPECT_TRUE(Holds(shown->description, fact)) << shown->description;
}

TEST(ServerTrust, ProtocolMismatchesAreNamed)
{
    test::TempDir dir;
    test::TestCertificate certificate(dir.path(), "localhost");
    std::filesystem::create_directories(dir / "home");
    test::FtpServer tlsOnly(dir / "home", "jo", kPassword, {certificate.both});
    test::FtpServer plain(dir / "home", "jo", kPassword);
    ASSERT_TRUE(tlsOnly.started() && plain.started());

    CurlRemoteFs plainToTls(SettingsFor(Protocol::Ftp, tlsOnly.port()));
    const Status refused = plainToTls.connect();
    EXPECT_EQ(plainToTls.lastFailure(), Failure::TlsRequired) << refused.message();
    EXPECT_TRUE(Holds(refused.message(), "this server requires FTP with TLS")) << refused.message();

    ConnectionSettings tlsSettings = SettingsFor(Protocol::Ftps, plain.port());
    tlsSettings.trustedKey = certificate.fingerprint;
    CurlRemoteFs tlsToPlain(tlsSettings);
    const Status unavailable = tlsToPlain.connect();
    EXPECT_EQ(tlsToPlain.lastFailure(), Failure::TlsUnavailable) << unavailable.message();
    EXPECT_TRUE(Holds(unavailable.message(), "does not offer FTP with TLS")) << unavailable.message();
}

class SftpTrust : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(m_dir / "home");
        test::WriteFile(m_dir / "authorized", m_userKey.publicKey);
        ASSERT_TRUE(m_server.emplace(m_dir / "home", "jo", kPassword, m_hostKey.path, m_dir / "authorized").started());
    }

    // A known hosts file that lists `publicKey` for the server, as ssh writes it for a port other than 22.
    std::string knownHosts(const std::string& name, const std::string& publicKey)
    {
        const std::string path = m_dir / name;
        test::WriteFile(path,
                        publicKey.empty() ? "" : "[127.0.0.1]:" + std::to_string(m_server->port()) + " " + publicKey);
        return path;
    }

    test::TempDir m_dir;
    test::TestSshKey m_hostKey {m_dir.path(), "host"};
    test::TestSshKey m_otherKey {m_dir.path(), "other"};
    test::TestSshKey m_userKey {m_dir.path(), "user", "pass phrase"};
    std::optional<test::SftpServer> m_server;
};

TEST_F(SftpTrust, HostKeyIsCheckedAgainstTheKnownHostsAndTheAcceptedKey)
{
    const struct
    {
        const char* name;
        std::string trusted;
        std::string known;
        Failure failure;
        std::vector<std::string> said;
    } rows[] = {
        {"unknown", "", knownHosts("none", ""), Failure::UnknownIdentity, {"not trusted yet", m_hostKey.fingerprint}},
        {"listed in known hosts", "", knownHosts("same", m_hostKey.publicKey), Failure::None, {}},
        {"known hosts list another key",
         "",
         knownHosts("changed", m_otherKey.publicKey),
         Failure::ChangedIdentity,
         {"CHANGED", m_hostKey.fingerprint}},
        {"accepted", m_hostKey.fingerprint, knownHosts("none", ""), Failure::None, {}},
        {"accepted another key",
         m_otherKey.fingerprint,
         knownHosts("none", ""),
         Failure::ChangedIdentity,
         {"CHANGED", m_hostKey.fingerprint, m_otherKey.fingerprint}},
        {"the author's acceptance wins",
         m_hostKey.fingerprint,
         knownHosts("changed", m_otherKey.publicKey),
         Failure::None,
         {}},
        // Without the known hosts option libcurl would take any host key: a refusal fails closed.
        {"libcurl refuses the known hosts option",
         "",
         std::string(8'000'001, 'k'),
         Failure::InsecureOption,
         {"cannot be checked", "libcurl refused the known hosts file", "Nothing was sent"}},
    };
    for (const auto& row : rows) {
        ConnectionSettings settings = SettingsFor(Protocol::Sftp, m_server->port());
        settings.trustedKey = row.trusted;
        settings.knownHostsFile = row.known;
        ExpectConnect(settings, row.name, row.failure, row.said,
                      row.failure == Failure::InsecureOption ? std::string() : m_hostKey.fingerprint);
    }

    auto shown = FetchServerIdentity(SettingsFor(Protocol::Sftp, m_server->port()));
    ASSERT_TRUE(shown.ok()) << shown.status().message();
    EXPECT_EQ(shown->fingerprint, m_hostKey.fingerprint);
    EXPECT_TRUE(Holds(shown->description, "ED25519")) << shown->description;
}

TEST_F(SftpTrust, PasswordOrKeyFileWithItsPassphrase)
{
    const struct
    {
        const char* name;
        std::string password;
        std::string keyFile;
        std::string passphrase;
        Failure failure;
    } rows[] = {
        {"password", kPassword, "", "", Failure::None},
        {"wrong password", "wrong", "", "", Failure::Login},
        {"key file and passphrase", "", m_userKey.path, "pass phrase", Failure::None},
        {"wrong passphrase", "", m_userKey.path, "wrong", Failure::Passphrase},
        {"key the server does not list", "", m_otherKey.path, "", Failure::Login},
    };
    for (const auto& row : rows) {
        ConnectionSettings settings = SettingsFor(Protocol::Sftp, m_server->port());
        settings.trustedKey = m_hostKey.fingerprint;
        settings.password = row.password;
        settings.keyFile = row.keyFile;
        settings.passphrase = row.passphrase;
        CurlRemoteFs fs(settings);
        const Status connected = fs.connect();
        EXPECT_EQ(fs.lastFailure(), row.failure) << row.name << ": " << connected.message();
        EXPECT_FALSE(Holds(connected.message(), "pass phrase")) << row.name;
        if (row.failure == Failure::Passphrase) {
            EXPECT_TRUE(Holds(connected.message(), "The passphrase of the key file " + row.keyFile + " is wrong"))
                << connected.message();
        }
        if (row.failure == Failure::None) {
            auto entries = fs.list("/");
            EXPECT_TRUE(entries.ok()) << row.name << ": " << entries.status().message();
        }
    }
}

} // namespace
} // namespace qle::publish
