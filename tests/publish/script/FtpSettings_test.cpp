// The FTP settings as stored in a site file, as the publish reads them.
#include "publish/script/FtpSettings.h"
#include "store/Database.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace qle::publish {
namespace {

TEST(FtpSettings, ServerIsTrimmedAndConnectionsFallBackToTheDefault)
{
    test::TempDir dir;
    const std::string site = test::CopyBlankSite(dir / "s.qls");
    const auto set = [&site](const char* field, const std::string& value) {
        ASSERT_TRUE(
            store::Database::open(site)->execute(std::string("UPDATE Options SET ") + field + " = ?", {value}).ok());
    };
    const std::pair<const char*, const char*> servers[] = {
        {"ftp.example.com", "ftp.example.com"},
        {"  ftp.example.com ", "ftp.example.com"},
        {"\tftp.example.com:2121\r\n", "ftp.example.com:2121"},
        {"   ", ""},
        {"", ""},
    };
    for (const auto& [typed, used] : servers) {
        EXPECT_EQ(TrimmedServer(typed), used) << '"' << typed << '"';
        set("Ftp_Destination", typed);
        EXPECT_EQ(LoadFtpSettings(site)->server, used) << '"' << typed << '"';
    }

    const std::pair<std::string, int> counts[] = {
        {"", 4}, {"  ", 4}, {"1", 1}, {" 2 ", 2}, {"16", 16}, {"17", 4}, {"0", 4}, {"-3", 4}, {"3x", 4}, {"two", 4},
    };
    for (const auto& [text, count] : counts) {
        set("Ftp_Connections", text);
        EXPECT_EQ(ConnectionCount(LoadFtpSettings(site)->connections), count) << '"' << text << '"';
    }
    // A site file from before the setting: the default.
    ASSERT_TRUE(store::Database::open(site)->execute("ALTER TABLE Options DROP COLUMN Ftp_Connections").ok());
    auto settings = LoadFtpSettings(site);
    ASSERT_TRUE(settings.ok()) << settings.status().message();
    EXPECT_EQ(ConnectionCount(settings->connections), 4);
}

} // namespace
} // namespace qle::publish
