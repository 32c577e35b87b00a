// Server identities for the trust check: an SSH host key or a TLS certificate as the author sees
// it, and the forms libcurl takes them in.
#pragma once

#include "publish/remote/Connection.h"
#include "store/Status.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qle::publish {

// A server's certificate or host key, as shown to the author before it is trusted.
struct ServerIdentity
{
    std::string fingerprint; // "SHA256:..."
    std::string description; // key type (SFTP) or subject, issuer and dates (FTPS), one item per line
};

// An SSH host key as libcurl hands it over: raw bytes when `length` is not 0, else base64 text.
// `curlKeyType` is libcurl's key type.
ServerIdentity SshIdentity(const char* key, std::size_t length, int curlKeyType);

// A certificate in PEM form, with the lines libcurl reports about it ("Subject:...", "Issuer:...",
// "Start date:...", "Expire date:..."): the fingerprint of its public key (SPKI) and a description.
Result<ServerIdentity> CertificateIdentity(const std::string& pem, const std::vector<std::string>& facts);

// The same for a certificate in DER form (as the Git library hands it over), described by its
// subject and issuer.
Result<ServerIdentity> CertificateIdentityOfDer(std::string_view der);

// The value of libcurl's pinned public key option for a fingerprint: "sha256//" + padded base64.
std::string PinnedKeyOption(const std::string& fingerprint);

// Asks the server for its identity without logging in (nothing but the TLS or SSH handshake).
Result<ServerIdentity> FetchServerIdentity(const ConnectionSettings& settings);

} // namespace qle::publish
