#include "publish/client/ConnectionTest.h"

#include "app/Paths.h"
#include "publish/script/FtpScript.h"
#include "publish/script/PublishPlan.h"
#include "store/Database.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace qle::publish {

namespace {

std::string ParentOf(const std::string& folder)
{
    if (folder.size() <= 1)
        return "/";
    const auto slash = folder.find_last_of('/', folder.size() - 2);
    return slash == std::string::npos || slash == 0 ? "/" : folder.substr(0, slash);
}

// A local file to send as the test file: a few bytes in the system's temporary folder.
class TestFile
{
public:
    TestFile()
    {
        std::error_code ec;
        m_path = (std::filesystem::temp_directory_path(ec) / ("quillon-test-" + std::to_string(::getpid()))).string();
        std::ofstream(m_path, std::ios::binary) << "Quillon Engine connection test\n";
    }
    ~TestFile() { std::remove(m_path.c_str()); }
    TestFile(const TestFile&) = delete;
    TestFile& operator=(const TestFile&) = delete;
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

} // namespace

Result<ConnectionSettings> SettingsForSite(const FtpSettings& ftp, const std::string& password)
{
    const auto protocol = ParseProtocol(ftp.protocol);
    if (!protocol)
        return Status::InvalidArgument("The protocol \"" + ftp.protocol + "\" is not one of FTP, FTPS and SFTP");
    ConnectionSettings settings;
    if (Status s = ParseServerUrl(ftp.server, settings); !s.ok())
        return s;
    settings.protocol = *protocol;
    settings.userName = ftp.userName;
    settings.password = ftp.password.empty() ? password : ftp.password;
    settings.passphrase = password;
    settings.keyFile = *protocol == Protocol::Sftp ? ftp.keyFile : std::string();
    if (!ftp.trustedKey.empty()) {
        auto key = NormaliseFingerprint(ftp.trustedKey);
        if (!key)
            return key.status();
        settings.trustedKey = key.value();
    }
    return settings;
}

std::string DestinationFolder(const FtpSettings& ftp, const std::string& homeFolder)
{
    // Where the upload script's lines lead, below the login folder when the setting is relative.
    return ResolveRemotePath(homeFolder, SiteFolderPath(ftp.root, ftp.dir));
}

ConnectionReport TestConnection(const ConnectionSettings& settings, const FtpSettings& ftp)
{
    ConnectionReport report;
    const std::string where = settings.host + ":" + std::to_string(settings.effectivePort());
    CurlRemoteFs fs(settings);
    report.steps.push_back("Connecting to " + where + " (" + ProtocolName(settings.protocol) + ") as " +
                           settings.userName + " ...");
    if (Status s = fs.connect(); !s.ok()) {
        report.failure = fs.lastFailure();
        report.identity = fs.serverIdentity();
        report.message = s.message();
        report.steps.push_back(s.message());
        return report;
    }
    report.steps.push_back("Logged in; the server's identity is trusted.");

    std::string folder = DestinationFolder(ftp, fs.homeFolder());
    std::string note;
    for (;;) {
        auto entries = fs.list(folder);
        if (entries.ok())
            break;
        if (entries.status().code() != Status::Code::NotFound || folder == "/") {
            report.failure = fs.lastFailure();
            report.message = entries.status().message();
            report.steps.push_back(report.message);
            return report;
        }
        note = " (the destination folder " + DestinationFolder(ftp, fs.homeFolder()) +
               " does not exist yet: the first publish makes it)";
        folder = ParentOf(folder);
    }

    TestFile local;
    const std::string remote = (folder == "/" ? "" : folder) + "/.quillon-test-" + std::to_string(::getpid());
    std::uint64_t bytes = 0;
    if (Status s = fs.put(local.path(), remote, bytes); !s.ok()) {
        report.failure = Failure::Permission;
        report.message = "Logged in, but the folder " + folder + " cannot be written: " + s.message();
        report.steps.push_back(report.message);
        return report;
    }
    if (Status s = fs.remove(remote); !s.ok()) {
        report.failure = Failure::Permission;
        report.message = "The folder " + folder + " can be written, but the test file " + remote +
                         " could not be removed again: " + s.message();
        report.steps.push_back(report.message);
        return report;
    }
    report.ok = true;
    report.message =
        "Connection works: logged in to " + where + " and the folder " + folder + " can be written" + note + ".";
    report.steps.push_back(report.message);
    return report;
}

Status SaveTrustedKey(const std::string& sitePath, const std::string& fingerprint)
{
    auto db = store::Database::open(sitePath);
    if (!db)
        return db.status();
    return db->execute("UPDATE Options SET Ftp_Trusted_Key = ?", {fingerprint});
}

} // namespace qle::publish
