#include "publish/remote/KnownHosts.h"

#include <libssh2.h>

#include <cstdlib>
#include <memory>
#include <mutex>

namespace qle::publish {

namespace {

struct SessionFree
{
    void operator()(LIBSSH2_SESSION* session) const { libssh2_session_free(session); }
};
struct KnownHostsFree
{
    void operator()(LIBSSH2_KNOWNHOSTS* hosts) const { libssh2_knownhost_free(hosts); }
};

// The key blob starts with its type as an SSH string: a 4-byte length, then the name.
int KeyTypeBits(std::string_view rawKey)
{
    if (rawKey.size() < 4)
        return LIBSSH2_KNOWNHOST_KEY_UNKNOWN;
    const auto* bytes = reinterpret_cast<const unsigned char*>(rawKey.data());
    const std::size_t length = (std::size_t(bytes[0]) << 24) | (std::size_t(bytes[1]) << 16) |
                               (std::size_t(bytes[2]) << 8) | std::size_t(bytes[3]);
    if (length > rawKey.size() - 4)
        return LIBSSH2_KNOWNHOST_KEY_UNKNOWN;
    const std::string_view type = rawKey.substr(4, length);
    if (type == "ssh-rsa")
        return LIBSSH2_KNOWNHOST_KEY_SSHRSA;
    if (type == "ssh-dss")
        return LIBSSH2_KNOWNHOST_KEY_SSHDSS;
    if (type == "ecdsa-sha2-nistp256")
        return LIBSSH2_KNOWNHOST_KEY_ECDSA_256;
    if (type == "ecdsa-sha2-nistp384")
        return LIBSSH2_KNOWNHOST_KEY_ECDSA_384;
    if (type == "ecdsa-sha2-nistp521")
        return LIBSSH2_KNOWNHOST_KEY_ECDSA_521;
    if (type == "ssh-ed25519")
        return LIBSSH2_KNOWNHOST_KEY_ED25519;
    return LIBSSH2_KNOWNHOST_KEY_UNKNOWN;
}

} // namespace

std::string KnownHostsFileOr(const std::string& file)
{
    if (!file.empty())
        return file;
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.ssh/known_hosts";
}

KnownHost CheckKnownHost(const std::string& knownHostsFile, const std::string& host, int port, std::string_view rawKey)
{
    static std::once_flag once;
    std::call_once(once, [] { libssh2_init(0); });
    const int keyType = KeyTypeBits(rawKey);
    if (keyType == LIBSSH2_KNOWNHOST_KEY_UNKNOWN)
        return KnownHost::NotFound;
    // The known hosts functions need a session to hang on; it never connects.
    std::unique_ptr<LIBSSH2_SESSION, SessionFree> session(libssh2_session_init());
    if (!session)
        return KnownHost::NotFound;
    std::unique_ptr<LIBSSH2_KNOWNHOSTS, KnownHostsFree> hosts(libssh2_knownhost_init(session.get()));
    if (!hosts || libssh2_knownhost_readfile(hosts.get(), knownHostsFile.c_str(), LIBSSH2_KNOWNHOST_FILE_OPENSSH) < 0)
        return KnownHost::NotFound;
    const int typeMask = LIBSSH2_KNOWNHOST_TYPE_PLAIN | LIBSSH2_KNOWNHOST_KEYENC_RAW | keyType;
    switch (
        libssh2_knownhost_checkp(hosts.get(), host.c_str(), port, rawKey.data(), rawKey.size(), typeMask, nullptr)) {
    case LIBSSH2_KNOWNHOST_CHECK_MATCH:
        return KnownHost::Match;
    case LIBSSH2_KNOWNHOST_CHECK_MISMATCH:
        return KnownHost::Mismatch;
    default:
        return KnownHost::NotFound;
    }
}

} // namespace qle::publish
