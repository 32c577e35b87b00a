// The connection to the web space over FTP, FTP with TLS or SFTP, through libcurl. One control
// connection (or SSH session) carries every call; the server's identity is checked before any
// password is sent.
#pragma once

#include "publish/remote/NetworkFs.h"

#include <memory>

namespace qle::publish {

class CurlRemoteFs final : public NetworkFs
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
    Result<std::string> fetchFrom(const std::string& remotePath, std::uint64_t offset) override;
    Status remove(const std::string& remotePath) override;
    Status rename(const std::string& from, const std::string& to) override;
    Result<std::vector<Entry>> list(const std::string& folder) override;
    std::vector<std::string> takeServerLines() override;

    Failure lastFailure() const override;
    const ServerIdentity& serverIdentity() const override;
    // Control connections or SSH sessions opened so far (1 on a healthy server).
    long connectionsMade() const override;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace qle::publish
