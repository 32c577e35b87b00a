#include "publish/remote/CurlRemoteFs.h"

#include "publish/remote/CurlDialect.h"
#include "publish/remote/CurlParts.h"
#include "publish/remote/CurlSession.h"
#include "publish/remote/RemoteError.h"

#include <curl/curl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace qle::publish {

struct CurlRemoteFs::Impl
{
    CurlSession session;
    std::unique_ptr<CurlDialect> dialect;

    CURL* easy() const { return static_cast<CURL*>(session.easy()); }

    // A download of the file from byte `from` to its end.
    Result<std::string> download(const std::string& remotePath, std::uint64_t from)
    {
        session.setRequest(session.urlOf(remotePath), false, nullptr);
        curl_easy_setopt(easy(), CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(from));
        const std::string error = session.perform();
        curl_easy_setopt(easy(), CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(0));
        if (error.empty())
            return std::move(session.transfer.body());
        if (session.transfer.bodyTooLong())
            return RemoteError(RemoteErrorKind::Refused, "Cannot read " + remotePath, {}, "the file is too large");
        return dialect->transferFailed("Cannot read " + remotePath, error);
    }
};

CurlRemoteFs::CurlRemoteFs(ConnectionSettings settings)
    : m_impl(std::make_unique<Impl>())
{
    m_impl->session.settings = std::move(settings);
    m_impl->dialect = m_impl->session.sftp() ? SftpDialectFor(m_impl->session) : FtpDialectFor(m_impl->session);
}

CurlRemoteFs::~CurlRemoteFs() = default;

Status CurlRemoteFs::connect()
{
    return m_impl->session.connect();
}

std::string CurlRemoteFs::homeFolder() const
{
    return m_impl->session.home;
}

Status CurlRemoteFs::makeFolder(const std::string& path)
{
    return m_impl->dialect->makeFolder(path);
}

Status CurlRemoteFs::put(const std::string& localPath, const std::string& remotePath, std::uint64_t& bytesSent)
{
    Impl& d = *m_impl;
    auto upload = OpenLocalUpload(localPath);
    if (!upload) {
        d.session.failure = Failure::Other;
        return upload.status();
    }
    CURL* e = d.easy();
    d.session.setRequest(d.session.urlOf(remotePath), false, nullptr);
    curl_easy_setopt(e, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(e, CURLOPT_READDATA, upload->file.get());
    curl_easy_setopt(e, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(upload->size));
    const std::string error = d.session.perform();
    curl_easy_setopt(e, CURLOPT_READDATA, nullptr);
    curl_easy_setopt(e, CURLOPT_UPLOAD, 0L);
    if (!error.empty())
        return d.dialect->transferFailed("Cannot send " + remotePath, error);
    curl_off_t sent = 0;
    if (curl_easy_getinfo(e, CURLINFO_SIZE_UPLOAD_T, &sent) == CURLE_OK)
        bytesSent += static_cast<std::uint64_t>(sent);
    return Status::OK();
}

Result<std::string> CurlRemoteFs::fetch(const std::string& remotePath)
{
    return m_impl->download(remotePath, 0);
}

// A download resumed from the offset rather than a range: libcurl ends an FTP range early with ABOR
// and then drops the connection, which the next call would pay for with a new login.
Result<std::string> CurlRemoteFs::fetchFrom(const std::string& remotePath, std::uint64_t offset)
{
    return m_impl->download(remotePath, offset);
}

Status CurlRemoteFs::remove(const std::string& remotePath)
{
    return m_impl->dialect->remove(remotePath);
}

Status CurlRemoteFs::rename(const std::string& from, const std::string& to)
{
    return m_impl->dialect->rename(from, to);
}

Result<std::vector<RemoteFs::Entry>> CurlRemoteFs::list(const std::string& folder)
{
    return m_impl->dialect->list(folder);
}

std::vector<std::string> CurlRemoteFs::takeServerLines()
{
    return m_impl->session.transfer.takeUnread();
}

Failure CurlRemoteFs::lastFailure() const
{
    return m_impl->session.failure;
}

const ServerIdentity& CurlRemoteFs::serverIdentity() const
{
    return m_impl->session.identity;
}

long CurlRemoteFs::connectionsMade() const
{
    return m_impl->session.transfer.connectionsMade();
}

} // namespace qle::publish
