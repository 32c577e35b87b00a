// Server identities for the trust check: an SSH host key or a TLS certificate as the author sees
// it, and the forms libcurl takes them in.
#pragma once

#include "publish/remote/CurlRemoteFs.h"

#include <cstddef>
#include <string>

namespace qle::publish {

// An SSH host key as libcurl hands it over: raw bytes when `length` is not 0, else base64 text.
// `curlKeyType` is libcurl's key type.
ServerIdentity SshIdentity(const char* key, std::size_t length, int curlKeyType);

// A certificate in PEM form, with the lines libcurl reports about it ("Subject:...", "Issuer:...",
// "Start date:...", "Expire date:..."): the fingerprint of its public key (SPKI) and a description.
Result<ServerIdentity> CertificateIdentity(const std::string& pem, const std::vector<std::string>& facts);

// The value of libcurl's pinned public key option for a fingerprint: "sha256//" + padded base64.
std::string PinnedKeyOption(const std::string& fingerprint);

} // namespace qle::publish
