// What `quillon publish` and `quillon test-connection` share: bringing the site file up to date,
// accepting a server identity given with --trust, and asking for a secret the site does not store.
#pragma once

#include "publish/script/FtpSettings.h"

#include <optional>
#include <string>
#include <vector>

namespace qle::cli {

// Reads "--trust FINGERPRINT" out of the arguments (the rest is left in place). False, after a
// message on stderr, when the option has no value.
bool TakeTrustOption(std::vector<std::string>& args, std::string& trust);

// Brings the site file up to the template and loads its publish settings into `ftp`. With --trust
// (`trust` not empty) compares the fingerprint with the identity the server shows now and, when
// they match, stores it in the site file and in `ftp`. Returns 0 to go on, else (after a message on
// stderr) the exit status to stop with: 1, or 2 for a fingerprint that cannot be one.
int PrepareSite(const std::string& sitePath, const std::string& trust, publish::FtpSettings& ftp);

// Asks on the terminal, without echo, for the password or passphrase the site does not store;
// empty when none is needed. Nothing (after a message) when the author gave none.
std::optional<std::string> AskSecret(const publish::FtpSettings& ftp);

} // namespace qle::cli
