#include "publish/client/ConnectionTest.h"

#include "app/Paths.h"
#include "publish/remote/GitBranch.h"
#include "publish/remote/NetworkFs.h"
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
        return Status::InvalidArgument("The protocol \"" + ftp.protocol +
                                       "\" is not one of FTP, FTPS, SFTP, Git and WebDAV");
    ConnectionSettings settings;
    settings.userName = ftp.userName;
    if (TakesAddress(*protocol)) {
        auto address = ParseAddress(*protocol, ftp.server);
        if (!address)
            return address.status();
        settings.host = address->host;
        settings.port = address->port;
        if (!address->user.empty())
            settings.userName = address->user;
        settings.address = std::move(address.value());
        settings.branch = ftp.branch;
    } else if (Status s = ParseServerUrl(ftp.server, settings); !s.ok()) {
        return s;
    }
    settings.protocol = *protocol;
    settings.password = ftp.password.empty() ? password : ftp.password;
    settings.passphrase = password;
    settings.keyFile = UsesKeyFile(*protocol, ftp.server) ? ftp.keyFile : std::string();
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

namespace {

// A Git repository is tested by asking it for its branches: pushing is the only way to prove it
// can be written, and a test must leave the branch as it was.
ConnectionReport TestRepository(const ConnectionSettings& settings)
{
    ConnectionReport report;
    const std::string url = UrlOf(settings.address);
    report.steps.push_back("Connecting to " + url + " (Git) ...");
    auto branch = GitBranch::open(settings, {});
    Result<bool> exists = branch ? (*branch)->probe() : Result<bool>(branch.status());
    if (!exists) {
        report.failure = branch ? (*branch)->lastFailure() : Failure::Other;
        if (branch)
            report.identity = (*branch)->serverIdentity();
        report.message = exists.status().message();
        report.steps.push_back(report.message);
        return report;
    }
    report.ok = true;
    const std::string& name = (*branch)->branchName();
    report.message = "Connection works: the repository " + url + " answers and " +
                     (exists.value() ? "has the branch " + name + "."
                                     : "has no branch " + name + " yet (the first publish makes it).");
    report.steps.push_back(report.message);
    return report;
}

} // namespace

ConnectionReport TestConnection(const ConnectionSettings& settings, const FtpSettings& ftp)
{
    if (settings.protocol == Protocol::Git)
        return TestRepository(settings);
    ConnectionReport report;
    const std::string where = settings.host + ":" + std::to_string(settings.effectivePort());
    const std::unique_ptr<NetworkFs> connection = MakeNetworkFs(settings);
    NetworkFs& fs = *connection;
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
