#include "publish/remote/Secrets.h"

#include "TestKeys.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace qle::publish {
namespace {

TEST(Secrets, EncryptedKeyFilesAreRecognisedAndOnlyWhatTheSiteDoesNotStoreIsAskedFor)
{
    test::TempDir dir;
    test::TestSshKey plain(dir.path(), "plain");
    test::TestSshKey locked(dir.path(), "locked", "pass phrase");
    test::CommandOutput("ssh-keygen -q -t ecdsa -m PEM -N secret -f " + test::Quoted(dir / "pem"));
    test::CommandOutput("ssh-keygen -q -t ecdsa -m PEM -N '' -f " + test::Quoted(dir / "pem-plain"));
    const std::pair<std::string, bool> keys[] = {
        {plain.path, false},        {locked.path, true},      {dir / "pem", true},
        {dir / "pem-plain", false}, {dir / "missing", false}, {plain.path + ".pub", false},
    };
    for (const auto& [path, encrypted] : keys)
        EXPECT_EQ(KeyFileIsEncrypted(path), encrypted) << path;

    const auto site = [](const std::string& protocol, const std::string& password, const std::string& keyFile) {
        FtpSettings ftp;
        ftp.protocol = protocol;
        ftp.password = password;
        ftp.keyFile = keyFile;
        return ftp;
    };
    const std::pair<FtpSettings, SecretNeeded> rows[] = {
        {site("", "pw", ""), SecretNeeded::None},
        {site("FTP", "", ""), SecretNeeded::Password},
        {site("FTPS", "", locked.path), SecretNeeded::Password},
        {site("SFTP", "", ""), SecretNeeded::Password},
        {site("SFTP", "pw", ""), SecretNeeded::None},
        {site("SFTP", "", plain.path), SecretNeeded::None},
        {site("SFTP", "pw", locked.path), SecretNeeded::Passphrase},
    };
    const char* agent = std::getenv("SSH_AUTH_SOCK");
    const std::string savedAgent = agent ? agent : "";
    ::unsetenv("SSH_AUTH_SOCK");
    for (const auto& [ftp, needed] : rows)
        EXPECT_EQ(SecretFor(ftp), needed) << ftp.protocol << " '" << ftp.password << "' " << ftp.keyFile;
    // With an SSH agent running, SFTP without a password or key file lets the agent log in.
    ::setenv("SSH_AUTH_SOCK", (dir / "agent").c_str(), 1);
    EXPECT_EQ(SecretFor(site("SFTP", "", "")), SecretNeeded::None);
    EXPECT_EQ(SecretFor(site("FTP", "", "")), SecretNeeded::Password);
    if (agent)
        ::setenv("SSH_AUTH_SOCK", savedAgent.c_str(), 1);
    else
        ::unsetenv("SSH_AUTH_SOCK");
}

} // namespace
} // namespace qle::publish
