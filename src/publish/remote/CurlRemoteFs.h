// The connection to the web space over FTP, FTP with TLS or SFTP, through libcurl. One control
// connection (or SSH session) carries every call; the server's identity is checked before any
// password is sent.
#pragma once

#include "publish/remote/Connection.h"
#include "publish/remote/RemoteFs.h"

#include <memory>

namespace qle::publish {

// What went wrong in the last call, for a connection test to report in the author's terms.
enum class Failure {
    None,
    NameResolution,    // the server name is not known
    ConnectionRefused, // nothing listens there, or the network refused
    Timeout,           // the server stopped answering
    TlsRequired,       // plain FTP, but the server accepts only FTP with TLS
    TlsUnavailable,    // FTP with TLS, but the server does not offer it
    Tls,               // the TLS handshake failed
    UnknownIdentity,   // a certificate or host key not trusted yet
    ChangedIdentity,   // not the certificate or host key the author accepted
    Login,             // user name, password or key refused
    Permission,        // the server refused a folder or a file
    Stopped,           // the stop flag was set
    Other,
};

// A server's certificate or host key, as shown to the author before it is trusted.
struct ServerIdentity
{
    std::string fingerprint; // "SHA256:..."
    std::string description; // key type (SFTP) or subject, issuer and dates (FTPS), one item per line
};

class CurlRemoteFs final : public RemoteFs
{
public:
    // Prepares a connection; nothing is sent before connect().
    explicit CurlRemoteFs(ConnectionSettings settings);
    ~CurlRemoteFs() override;
    CurlRemoteFs(const CurlRemoteFs&) = delete;
    CurlRemoteFs& operator=(const CurlRemoteFs&) = delete;

    Status connect() override;
    std::string homeFolder() const override;
    Status makeFolder(const std::string& path) override;
    Status put(const std::string& localPath, const std::string& remotePath, std::uint64_t& bytesSent) override;
    Result<std::string> fetch(const std::string& remotePath) override;
    Status remove(const std::string& remotePath) override;
    Status rename(const std::string& from, const std::string& to) override;
    Result<std::vector<Entry>> list(const std::string& folder) override;
    std::vector<std::string> takeServerLines() override;

    // The kind of the last failure (None after a call that worked).
    Failure lastFailure() const;
    // After connect() failed with UnknownIdentity or ChangedIdentity: the identity the server showed.
    const ServerIdentity& serverIdentity() const;
    // Control connections or SSH sessions opened so far (1 on a healthy server).
    long connectionsMade() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// Asks the server for its identity without logging in (nothing but the TLS or SSH handshake).
Result<ServerIdentity> FetchServerIdentity(const ConnectionSettings& settings);

} // namespace qle::publish
