// The web space as a WebDAV folder, through libcurl: PUT, MOVE (Overwrite: T), MKCOL, DELETE, GET
// and PROPFIND (Depth: 1). Remote paths start at the address's own path, so "/www/a.htm" on
// https://host/dav/ is https://host/dav/www/a.htm. The password goes with every request (Basic
// authentication), over TLS checked as FTP with TLS is: the system's certificate store, or the key
// the author accepted.
#pragma once

#include "publish/remote/NetworkFs.h"

#include <memory>
#include <string>

namespace qle::publish {

class DavRemoteFs final : public NetworkFs
{
public:
    // Prepares a connection; nothing is sent before connect(). REQUIRES: settings.protocol is WebDav.
    explicit DavRemoteFs(ConnectionSettings settings);
    ~DavRemoteFs() override;
    DavRemoteFs(const DavRemoteFs&) = delete;
    DavRemoteFs& operator=(const DavRemoteFs&) = delete;

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
    long connectionsMade() const override;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace qle::publish
