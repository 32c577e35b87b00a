// The FTP settings as stored in a site file, as the publish reads them.
#include "publish/FtpSettings.h"
#include "store/Database.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace qle::publish {
namespace {

TEST(FtpSettings, ServerNameIsTrimmedOfBlanksAroundIt)
{
    const std::pair<const char*, const char*> rows[] = {
        {"ftp.example.com", "ftp.example.com"},
        {"  ftp.example.com ", "ftp.example.com"},
        {"\tftp.example.com:2121\r\n", "ftp.example.com:2121"},
        {"   ", ""},
        {"", ""},
    };
    for (const auto& [typed, used] : rows) {
        EXPECT_EQ(TrimmedServer(typed), used) << '"' << typed << '"';
        test::TempDir dir;
        const std::string site = test::CopyBlankSite(dir / "s.qls");
        ASSERT_TRUE(store::Database::open(site)->execute("UPDATE Options SET Ftp_Destination = ?", {typed}).ok());
        EXPECT_EQ(LoadFtpSettings(site)->server, used) << '"' << typed << '"';
    }
}

} // namespace
} // namespace qle::publish
