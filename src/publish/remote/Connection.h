// How to reach the author's web space: the protocol, the server, the login and the identity the
// author accepted for the server. Pure text handling, no network.
#pragma once

#include "publish/script/Protocol.h"
#include "publish/script/RemoteAddress.h"
#include "store/Status.h"

#include <atomic>
#include <string>
#include <string_view>

namespace qle::publish {

// A server's identity as the author sees it: "SHA256:" + the SHA-256 digest in base64 without
// padding (43 characters), as `ssh-keygen -l` prints it.
std::string FingerprintOf(std::string_view keyBytes);

// The canonical form of a fingerprint the author typed: "SHA256:base64" (padding allowed), bare
// base64, or 64 hex digits with or without colons. Blanks around it are ignored. Anything else is
// an InvalidArgument error that quotes the text.
Result<std::string> NormaliseFingerprint(std::string_view text);

struct Timeouts
{
    long connectSeconds = 15; // to open the connection
    long replySeconds = 30;   // for each server reply, and for a stalled transfer
};

struct ConnectionSettings
{
    Protocol protocol = Protocol::Ftp;
    std::string host;
    int port = 0; // 0: the protocol's usual port
    std::string userName;
    std::string password;
    // The identity the author accepted ("SHA256:..."). Empty: FTPS trusts what the system's
    // certificate store accepts for the host name, SFTP what the known hosts file lists.
    std::string trustedKey;
    std::string keyFile;        // SFTP: a private key file; empty: the password, then the SSH agent
    std::string passphrase;     // of the key file; never stored
    std::string knownHostsFile; // SFTP and Git over SSH; empty: ~/.ssh/known_hosts
    // Git and WebDAV: the whole address (its host and port are also in `host` and `port`).
    RemoteAddress address;
    std::string branch; // Git: the branch; empty: the repository's default branch
    Timeouts timeouts;
    // Set from elsewhere (a signal, another thread) to end the current exchange and every later one.
    const std::atomic<bool>* stop = nullptr;

    int effectivePort() const
    {
        return port > 0 ? port : TakesAddress(protocol) ? address.effectivePort() : DefaultPort(protocol);
    }
    // "host:port" as a URL carries it: an IPv6 address in brackets.
    std::string hostAndPort() const;
};

// A server setting as the batch file writes it: "host[:port]" for plain FTP,
// "ftps://host[:port]" / "sftp://host[:port]" (a trailing '/' allowed), or the written form of a
// Git or WebDAV address (RemoteAddress.h). Fills protocol, host and port of `settings`, and for Git
// and WebDAV the address and the user name it names; the error quotes the text.
Status ParseServerUrl(std::string_view text, ConnectionSettings& settings);

} // namespace qle::publish
