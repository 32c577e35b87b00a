#include "publish/remote/Connection.h"

#include <gtest/gtest.h>

namespace qle::publish {
namespace {

// SHA-256 of "abc", in the forms an author may paste.
constexpr const char* kAbc = "SHA256:ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0";

TEST(Connection, FingerprintsAreMadeAndReadInEveryCommonForm)
{
    EXPECT_EQ(FingerprintOf("abc"), kAbc);
    const std::pair<const char*, const char*> rows[] = {
        {kAbc, kAbc},
        {"sha256:ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0", kAbc},
        {"ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0=", kAbc},
        {"  SHA256:ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0\n", kAbc},
        {"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", kAbc},
        {"BA:78:16:BF:8F:01:CF:EA:41:41:40:DE:5D:AE:22:23:B0:03:61:A3:96:17:7A:9C:B4:10:FF:61:F2:00:15:AD", kAbc},
        {"SHA256:ba:78:16:bf:8f:01:cf:ea:41:41:40:de:5d:ae:22:23:b0:03:61:a3:96:17:7a:9c:b4:10:ff:61:f2:00:15:ad",
         kAbc},
        // Not one: too short or long, a stray character, a misplaced colon, the wrong last digit.
        {"", nullptr},
        {"SHA256:", nullptr},
        {"ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa", nullptr},
        {"ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0A", nullptr},
        {"ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAF!0", nullptr},
        {"ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa1", nullptr},
        {"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015", nullptr},
        {"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad00", nullptr},
        {"b:a7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", nullptr},
        {"ba::7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", nullptr},
        {"MD5:16:27:ac:a5:76:28:2d:36:63:1b:56:4d:eb:df:a6:48", nullptr},
    };
    for (const auto& [typed, canonical] : rows) {
        auto read = NormaliseFingerprint(typed);
        if (canonical) {
            ASSERT_TRUE(read.ok()) << typed << ": " << read.status().message();
            EXPECT_EQ(read.value(), canonical) << typed;
        } else {
            EXPECT_FALSE(read.ok()) << typed << " read as " << (read.ok() ? read.value() : "");
        }
    }
}

TEST(Connection, ServerSettingsNameTheProtocolAndKeepThePort)
{
    const struct
    {
        const char* text;
        bool valid;
        Protocol protocol;
        const char* host;
        int port; // 0: the protocol's usual port
    } rows[] = {
        {"ftp.example.net", true, Protocol::Ftp, "ftp.example.net", 0},
        {"ftp.example.net:2121", true, Protocol::Ftp, "ftp.example.net", 2121},
        {"ftps://ftp.example.net", true, Protocol::Ftps, "ftp.example.net", 0},
        {"FTPS://ftp.example.net:990/", true, Protocol::Ftps, "ftp.example.net", 990},
        {"sftp://[::1]:2222", true, Protocol::Sftp, "::1", 2222},
        {"sftp://[::1]", true, Protocol::Sftp, "::1", 0},
        {"ftp://h", true, Protocol::Ftp, "h", 0},
        {"http://h", false, Protocol::Ftp, "", 0},
        {"sftp://", false, Protocol::Ftp, "", 0},
        {"sftp://user@h", false, Protocol::Ftp, "", 0},
        {"sftp://h:0", false, Protocol::Ftp, "", 0},
    };
    for (const auto& row : rows) {
        ConnectionSettings settings;
        const Status parsed = ParseServerUrl(row.text, settings);
        EXPECT_EQ(parsed.ok(), row.valid) << row.text << ": " << parsed.message();
        if (!row.valid || !parsed.ok())
            continue;
        EXPECT_EQ(settings.protocol, row.protocol) << row.text;
        EXPECT_EQ(settings.host, row.host) << row.text;
        EXPECT_EQ(settings.port, row.port) << row.text;
        EXPECT_EQ(settings.effectivePort(), row.port ? row.port : DefaultPort(row.protocol)) << row.text;
    }
    // The batch file's form of each protocol reads back as the same connection.
    for (Protocol protocol : {Protocol::Ftp, Protocol::Ftps, Protocol::Sftp}) {
        ConnectionSettings settings;
        ASSERT_TRUE(ParseServerUrl(ServerArgument(protocol, "h:2000"), settings).ok());
        EXPECT_EQ(settings.protocol, protocol);
        EXPECT_EQ(settings.effectivePort(), 2000);
        EXPECT_EQ(ParseProtocol(ProtocolName(protocol)), protocol);
    }
    EXPECT_EQ(ParseProtocol(""), Protocol::Ftp);
    EXPECT_EQ(ParseProtocol("sftp"), Protocol::Sftp);
    EXPECT_FALSE(ParseProtocol("SCP").has_value());
}

} // namespace
} // namespace qle::publish
