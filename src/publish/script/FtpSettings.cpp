#include "publish/script/FtpSettings.h"

#include "store/Database.h"
#include "store/RecordSet.h"

#include <charconv>

namespace qle::publish {

std::string TrimmedServer(std::string_view typed)
{
    constexpr std::string_view kBlanks = " \t\r\n";
    const std::size_t first = typed.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return std::string(typed.substr(first, typed.find_last_not_of(kBlanks) - first + 1));
}

int ConnectionCount(const std::string& setting)
{
    std::size_t first = setting.find_first_not_of(" \t");
    std::size_t last = setting.find_last_not_of(" \t");
    if (first == std::string::npos)
        return kDefaultConnections;
    int count = 0;
    const char* begin = setting.data() + first;
    const char* end = setting.data() + last + 1;
    const auto [stop, error] = std::from_chars(begin, end, count);
    if (error != std::errc() || stop != end || count < 1 || count > kMostConnections)
        return kDefaultConnections;
    return count;
}

std::vector<std::string> ClientOptions(const FtpSettings& ftp)
{
    std::vector<std::string> options = {"-c:" + std::to_string(ConnectionCount(ftp.connections))};
    if (ftp.sendAll)
        options.push_back("-a");
    if (ftp.verify)
        options.push_back("--verify");
    return options;
}

Result<FtpSettings> LoadFtpSettings(const std::string& sitePath)
{
    auto db = store::Database::open(sitePath);
    if (!db)
        return db.status();
    auto rs = db->query("select * from [Options]");
    if (!rs)
        return rs.status();
    FtpSettings settings;
    if (rs->eof())
        return Status::NotFound("The site file " + sitePath + " has no Options record");
    settings.server = TrimmedServer(store::TextOf(rs->field("Ftp_Destination")));
    settings.userName = store::TextOf(rs->field("Ftp_Username"));
    settings.password = store::TextOf(rs->field("Ftp_Password"));
    settings.root = store::TextOf(rs->field("Ftp_Root"));
    settings.dir = store::TextOf(rs->field("Ftp_Dir"));
    settings.protocol = store::TextOf(rs->field("Ftp_Protocol"));
    settings.trustedKey = store::TextOf(rs->field("Ftp_Trusted_Key"));
    settings.keyFile = store::TextOf(rs->field("Ftp_Key_File"));
    settings.branch = store::TextOf(rs->field("Ftp_Branch"));
    // A site file from before the setting existed has no such field: the default then.
    settings.connections = store::TextOf(rs->field("Ftp_Connections"));
    settings.passwordInFile = store::TextOf(rs->field("Ftp_Password_In_File")) == "1";
    return settings;
}

} // namespace qle::publish
