// The SSH known hosts file (~/.ssh/known_hosts, as OpenSSH keeps it: plain or hashed host names,
// "[host]:port" for other ports), read by libssh2. libcurl checks SFTP's host keys this way itself;
// the Git connection, whose library reads no known hosts file, asks here.
#pragma once

#include <string>
#include <string_view>

namespace qle::publish {

enum class KnownHost {
    Match,    // the file lists this key for the host
    Mismatch, // the file lists another key of the same type for the host
    NotFound, // the file lists no key of this type for the host (or there is no file)
};

// Looks up `rawKey` (the key blob the server sent, as SSH encodes it) for `host` at `port` in the
// file. An unreadable file or key counts as NotFound: the key is then shown and must be accepted.
KnownHost CheckKnownHost(const std::string& knownHostsFile, const std::string& host, int port, std::string_view rawKey);

// ~/.ssh/known_hosts, or `file` when it is not empty.
std::string KnownHostsFileOr(const std::string& file);

} // namespace qle::publish
