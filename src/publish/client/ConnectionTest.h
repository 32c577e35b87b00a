// The connection test behind the Publish tab's "Test Connection" button and `quillon
// test-connection`: log in, then prove the destination folder can be written with a tiny file that
// is removed again, and say exactly what failed.
#pragma once

#include "publish/remote/ConnectFailure.h"
#include "publish/remote/Connection.h"
#include "publish/remote/IdentityCheck.h"
#include "publish/script/FtpSettings.h"

#include <string>
#include <vector>

namespace qle::publish {

struct ConnectionReport
{
    bool ok = false;
    Failure failure = Failure::None;
    std::string message;            // what worked, or exactly what failed, in the author's terms
    ServerIdentity identity;        // the identity shown when it is not trusted yet or has changed
    std::vector<std::string> steps; // each check made, in order, for a log or a terminal
};

// The connection settings of a site's publish settings. Fails on an unknown protocol or a server
// setting that is not "host" or "host:port"; `password` stands in for an empty Ftp_Password and
// is the key file's passphrase.
Result<ConnectionSettings> SettingsForSite(const FtpSettings& ftp, const std::string& password = {});

// The remote folder the site goes to (Ftp_Root then Ftp_Dir), made absolute against the folder the
// login put us in, as the upload script's cd lines resolve it.
std::string DestinationFolder(const FtpSettings& ftp, const std::string& homeFolder);

// Connects with `settings`, checks that `ftp`'s destination folder (or, before the first publish,
// the nearest folder above it that exists) can be written, and removes the test file. A Git
// repository is asked for its branches only (nothing is pushed).
ConnectionReport TestConnection(const ConnectionSettings& settings, const FtpSettings& ftp);

// Stores the accepted identity in the site file's Options record. The error names the file.
Status SaveTrustedKey(const std::string& sitePath, const std::string& fingerprint);

} // namespace qle::publish
