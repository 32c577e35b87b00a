// Which secret a publish must ask the author for: the password when the site does not store one,
// or the passphrase of an encrypted SFTP key file. Secrets asked for are never stored.
#pragma once

#include "publish/script/FtpSettings.h"

#include <string>

namespace qle::publish {

enum class SecretNeeded {
    None,       // the stored password, a key file without a passphrase, or a running SSH agent
    Password,   // no stored password (and for SFTP no key file and no SSH agent)
    Passphrase, // SFTP with an encrypted key file
};

SecretNeeded SecretFor(const FtpSettings& ftp);

// True when the private key file (OpenSSH or PEM form) is protected by a passphrase. A file that
// cannot be read counts as unprotected: the connection then names the real problem.
bool KeyFileIsEncrypted(const std::string& path);

// The prompt for the secret, naming what it is for ("Password for jo at ftp.example.net: ").
std::string SecretPrompt(SecretNeeded needed, const FtpSettings& ftp);

} // namespace qle::publish
