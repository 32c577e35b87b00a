// What `quillon publish`, `quillon test-connection` and `quillon password` share: bringing the site
// file up to date, accepting a server identity given with --trust, the desktop's keyring, and
// asking for a secret the site does not keep.
#pragma once

#include "cli/ConsoleUi.h"
#include "publish/client/SitePassword.h"
#include "publish/script/FtpSettings.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qle::cli {

// The person at the terminal and the site passwords in the desktop's keyring.
struct SiteSecrets
{
    SiteSecrets();

    ConsoleUi ui;
    std::unique_ptr<app::Keyring> keyring;
    publish::SitePasswords passwords;
};

// Brings the site file up to the template and loads its publish settings. Nothing (after a
// message on stderr) when the file cannot be read or upgraded.
std::optional<publish::FtpSettings> LoadSite(const std::string& sitePath);

// Reads "--trust FINGERPRINT" out of the arguments (the rest is left in place). False, after a
// message on stderr, when the option has no value.
bool TakeTrustOption(std::vector<std::string>& args, std::string& trust);

// Brings the site file up to the template and loads its publish settings into `ftp`. An older site
// file's password is offered to move to the keyring (the answer read from standard input). With
// --trust (`trust` not empty) compares the fingerprint with the identity the server shows now and,
// when they match, stores it in the site file and in `ftp`. Returns 0 to go on, else (after a
// message on stderr) the exit status to stop with: 1, or 2 for a fingerprint that cannot be one.
int PrepareSite(const std::string& sitePath, const std::string& trust, publish::FtpSettings& ftp, SiteSecrets& secrets);

// The secret to hand the upload client (see publish::UploadSecret): the keyring's password, or
// asked without echo on a terminal (read from standard input otherwise). Empty when none is
// needed; nothing (after a message) when none was given.
std::optional<std::string> AskSecret(const publish::FtpSettings& ftp, SiteSecrets& secrets);

} // namespace qle::cli
