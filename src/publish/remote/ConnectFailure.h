// The author's words for a connection that failed before or at the login, one message per kind.
#pragma once

#include "store/Status.h"

#include <string>

namespace qle::publish {

// What went wrong in the last call, for a connection test to report in the author's terms.
enum class Failure {
    None,
    NameResolution,     // the server name is not known
    ConnectionRefused,  // nothing listens there, or the network refused
    Timeout,            // the server stopped answering
    TlsRequired,        // plain FTP, but the server accepts only FTP with TLS
    TlsUnavailable,     // FTP with TLS, but the server does not offer it
    Tls,                // the TLS handshake failed
    UnknownIdentity,    // a certificate or host key not trusted yet
    ChangedIdentity,    // not the certificate or host key the author accepted
    Login,              // user name, password or key refused
    Passphrase,         // SFTP: the key file could not be unlocked with the passphrase given
    TooManyConnections, // the server refused one more connection (421)
    InsecureOption,     // libcurl refused an option the identity check needs: nothing is sent
    Permission,         // the server refused a folder or a file
    Stopped,            // the stop flag was set
    Other,
};

struct ConnectFailureFacts
{
    std::string where; // "host:port"
    std::string host;
    std::string userName;
    std::string error;    // libcurl's description
    std::string reply;    // the server's last reply line, or empty
    std::string shown;    // the identity the server showed ("SHA256:..."), when there is one
    std::string accepted; // what it was checked against ("the trusted SHA256:..." or the known hosts file)
    std::string keyFile;  // SFTP's key file, when one is used
};

// The kind of failure a libcurl result code (CURLcode) stands for.
Failure FailureOfCurlCode(int code);

// The failure as a Status whose message says what happened and what to do; the password is never
// among the facts, so it is never in the message. Its kind (see RemoteError.h) is transient for a
// server that did not answer or took no more connections, stopped for a stop, refused otherwise.
Status ConnectFailureStatus(Failure failure, const ConnectFailureFacts& facts);

} // namespace qle::publish
