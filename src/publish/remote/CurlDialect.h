// What FTP and SFTP do differently over a libcurl session: their commands for folders, deletions
// and renames, their listings, and how their replies map onto the kinds of RemoteError. Each
// protocol keeps its mapping in one function of its own file. Used only by CurlRemoteFs.
#pragma once

#include "publish/remote/RemoteFs.h"

#include <memory>
#include <string>
#include <vector>

namespace qle::publish {

struct CurlSession;

class CurlDialect
{
public:
    virtual ~CurlDialect() = default;

    virtual Status makeFolder(const std::string& path) = 0;
    virtual Status remove(const std::string& path) = 0;
    // Never removes `to` itself: a server that keeps the file there gives AlreadyExists.
    virtual Status rename(const std::string& from, const std::string& to) = 0;
    virtual Result<std::vector<RemoteFs::Entry>> list(const std::string& folder) = 0;
    // The failure of the last transfer (an upload or a download) of `what`.
    virtual Status transferFailed(const std::string& what, const std::string& error) = 0;

protected:
    explicit CurlDialect(CurlSession& session)
        : m_session(session)
    {
    }
    CurlSession& m_session;
};

// The dialects over a session, which must outlive them.
std::unique_ptr<CurlDialect> FtpDialectFor(CurlSession& session);
std::unique_ptr<CurlDialect> SftpDialectFor(CurlSession& session);

} // namespace qle::publish
