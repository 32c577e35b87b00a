#include "publish/remote/DavRemoteFs.h"

#include "publish/remote/CurlParts.h"
#include "publish/remote/CurlTransfer.h"
#include "publish/remote/DavListing.h"
#include "publish/remote/RemoteError.h"
#include "publish/remote/ReplyKinds.h"

#include <curl/curl.h>

#include <cstring>

namespace qle::publish {

struct DavRemoteFs::Impl
{
    ConnectionSettings settings;
    CurlTransfer transfer;
    std::string baseUrl;  // "https://host:port/base", no trailing '/'
    std::string basePath; // "/base", no trailing '/'; empty for the server's root
    Failure failure = Failure::None;
    ServerIdentity identity;
    std::vector<std::string> lines; // "PUT /a.htm: HTTP/1.1 201 Created", for a console
    long connections = 0;
    long code = 0;    // the HTTP status of the last request; 0 when none came
    int curlCode = 0; // libcurl's result of the last request

    CURL* easy() const { return static_cast<CURL*>(transfer.easy()); }
    std::string where() const { return settings.host + ":" + std::to_string(settings.effectivePort()); }

    // The path part of a remote path's URL: every part escaped, the base path before it.
    std::string escapedPath(const std::string& remotePath) const
    {
        std::string url;
        std::size_t start = 0;
        while (start < remotePath.size()) {
            auto slash = remotePath.find('/', start);
            if (slash == std::string::npos)
                slash = remotePath.size();
            if (slash > start) {
                const std::string part = remotePath.substr(start, slash - start);
                char* escaped = curl_easy_escape(easy(), part.c_str(), static_cast<int>(part.size()));
                url += '/';
                url += escaped ? escaped : "";
                curl_free(escaped);
            }
            start = slash + 1;
        }
        return basePath + url;
    }
    std::string fileUrl(const std::string& remotePath) const
    {
        return baseUrl.substr(0, baseUrl.size() - basePath.size()) + escapedPath(remotePath);
    }
    std::string folderPath(const std::string& remoteFolder) const { return escapedPath(remoteFolder) + "/"; }
    std::string folderUrl(const std::string& remoteFolder) const
    {
        return baseUrl.substr(0, baseUrl.size() - basePath.size()) + folderPath(remoteFolder);
    }

    // The status line of the last answer ("HTTP/1.1 201 Created"), or empty.
    std::string statusLine() const
    {
        const auto& exchange = transfer.exchange();
        for (auto it = exchange.rbegin(); it != exchange.rend(); ++it)
            if (it->starts_with("HTTP/"))
                return *it;
        return {};
    }

    void setRequest(const char* method, const std::string& url, curl_slist* headers)
    {
        CURL* e = easy();
        curl_easy_setopt(e, CURLOPT_HTTPGET, 1L); // clears an earlier upload or body
        curl_easy_setopt(e, CURLOPT_URL, url.c_str());
        curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, method);
        curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(e, CURLOPT_READDATA, nullptr);
    }

    // Runs the request set up; on failure of the exchange itself (no HTTP answer) the message.
    // Records the answer for a console as "METHOD path: status line".
    std::string perform(const char* method, const std::string& path)
    {
        failure = Failure::None;
        code = 0;
        bool stopped = false;
        std::string error = transfer.run(settings.stop, stopped);
        curlCode = transfer.resultCode();
        const auto result = static_cast<CURLcode>(curlCode);
        long made = 0;
        if (curl_easy_getinfo(easy(), CURLINFO_NUM_CONNECTS, &made) == CURLE_OK)
            connections += made;
        curl_easy_setopt(easy(), CURLOPT_HTTPHEADER, nullptr);
        if (stopped) {
            failure = Failure::Stopped;
            return error;
        }
        if (!error.empty()) {
            failure = result == CURLE_OK ? Failure::Other : FailureOfCurlCode(result);
            return error;
        }
        curl_easy_getinfo(easy(), CURLINFO_RESPONSE_CODE, &code);
        lines.push_back(std::string(method) + " " + path + ": " + statusLine());
        if (code == 401)
            failure = Failure::Login;
        else if (code >= 300)
            failure = DavFailureKind(DavRequest::Other, code, 0) == RemoteErrorKind::Refused ? Failure::Permission
                                                                                             : Failure::Other;
        return {};
    }

    // The outcome of a request: the exchange's failure, or what the HTTP status says (ReplyKinds).
    Status outcome(DavRequest request, const std::string& what, const std::string& error)
    {
        if (failure == Failure::Stopped)
            return RemoteError(RemoteErrorKind::Stopped, what);
        if (!error.empty())
            return RemoteError(DavFailureKind(request, 0, curlCode), what, error,
                               failure == Failure::Timeout ? "the server stopped answering" : "");
        if (code >= 200 && code < 300)
            return Status::OK();
        return RemoteError(DavFailureKind(request, code, curlCode), what, statusLine(), DavReplyReason(code));
    }

    Result<std::vector<Entry>> propfind(const std::string& folder, const char* depth)
    {
        CurlList headers =
            MakeCurlList({std::string("Depth: ") + depth, "Content-Type: application/xml; charset=utf-8"});
        setRequest("PROPFIND", folderUrl(folder), headers.get());
        curl_easy_setopt(easy(), CURLOPT_POSTFIELDS, kPropfindBody);
        curl_easy_setopt(easy(), CURLOPT_POSTFIELDSIZE, static_cast<long>(std::strlen(kPropfindBody)));
        const std::string error = perform("PROPFIND", folder);
        if (Status s = outcome(DavRequest::Other, "Cannot list " + folder, error); !s.ok())
            return s;
        if (code != 207)
            return RemoteError(RemoteErrorKind::Refused, "Cannot list " + folder, statusLine(), "not a WebDAV listing");
        return ParseMultistatus(transfer.body(), folderPath(folder));
    }

    // TLS as FTP with TLS has it: TLS 1.2 or later, and either the system's certificate store or
    // the key the author accepted. An option libcurl refuses fails the connection, never opens it.
    Status configureTls()
    {
        CURL* e = easy();
        if (curl_easy_setopt(e, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2)) != CURLE_OK)
            return Status::IoError("The network library refuses TLS 1.2");
        if (settings.trustedKey.empty()) {
            curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
            curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
            return Status::OK();
        }
        const std::string pin = PinnedKeyOption(settings.trustedKey);
        if (curl_easy_setopt(e, CURLOPT_PINNEDPUBLICKEY, pin.c_str()) != CURLE_OK)
            return Status::IoError("The network library cannot check the accepted server key");
        curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 0L);
        return Status::OK();
    }

    Status configure()
    {
        CURL* e = easy();
        const RemoteAddress& address = settings.address;
        basePath = address.path;
        while (!basePath.empty() && basePath.back() == '/')
            basePath.pop_back();
        const bool tls = address.transport == Transport::Https;
        baseUrl = std::string(tls ? "https://" : "http://") + settings.hostAndPort() + basePath;
        curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, tls ? "https" : "http");
        curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(e, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
        curl_easy_setopt(e, CURLOPT_USERNAME, settings.userName.c_str());
        curl_easy_setopt(e, CURLOPT_PASSWORD, settings.password.c_str());
        curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, settings.timeouts.connectSeconds);
        curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, settings.timeouts.replySeconds);
        curl_easy_setopt(e, CURLOPT_READFUNCTION, &ReadLocalFile);
        transfer.setRecording(false);
        return tls ? configureTls() : Status::OK();
    }

    Status connectFailed(const std::string& error)
    {
        if ((failure == Failure::UnknownIdentity || failure == Failure::ChangedIdentity)) {
            auto shown = FetchServerIdentity(settings);
            identity = shown ? shown.value() : ServerIdentity {};
        }
        ConnectFailureFacts facts;
        facts.where = where();
        facts.host = settings.host;
        facts.userName = settings.userName;
        facts.error = error.empty() ? statusLine() : error;
        facts.reply = error.empty() ? statusLine() : std::string();
        facts.shown = identity.fingerprint;
        facts.accepted =
            settings.trustedKey.empty() ? "a certificate your system trusts" : "the trusted " + settings.trustedKey;
        return ConnectFailureStatus(failure, facts);
    }
};

DavRemoteFs::DavRemoteFs(ConnectionSettings settings)
    : m_impl(std::make_unique<Impl>())
{
    m_impl->settings = std::move(settings);
}

DavRemoteFs::~DavRemoteFs() = default;

Status DavRemoteFs::connect()
{
    Impl& d = *m_impl;
    if (!d.easy()) {
        if (Status s = d.transfer.start(CurlTransfer::Waits::OnSockets); !s.ok())
            return s;
    }
    if (Status s = d.configure(); !s.ok()) {
        d.failure = Failure::Tls;
        return s;
    }
    // The address itself must be a folder the login may read: that proves the password and the server.
    CurlList headers = MakeCurlList({"Depth: 0", "Content-Type: application/xml; charset=utf-8"});
    d.setRequest("PROPFIND", d.folderUrl("/"), headers.get());
    curl_easy_setopt(d.easy(), CURLOPT_POSTFIELDS, kPropfindBody);
    curl_easy_setopt(d.easy(), CURLOPT_POSTFIELDSIZE, static_cast<long>(std::strlen(kPropfindBody)));
    const std::string error = d.perform("PROPFIND", "/");
    if (!error.empty() || d.code == 401)
        return d.connectFailed(error);
    if (d.code != 207) {
        d.failure = Failure::Permission;
        return Status::IoError("Cannot use " + d.baseUrl + "/ as a WebDAV folder: the server answered " +
                               d.statusLine());
    }
    return Status::OK();
}

std::string DavRemoteFs::homeFolder() const
{
    return "/";
}

Status DavRemoteFs::makeFolder(const std::string& path)
{
    Impl& d = *m_impl;
    d.setRequest("MKCOL", d.folderUrl(path), nullptr);
    const std::string error = d.perform("MKCOL", path);
    const std::string what = "Cannot make the folder " + path;
    // 405: something is there already; only a folder counts as made.
    if (error.empty() && d.code == 405) {
        if (!d.propfind(path, "0").ok())
            return RemoteError(RemoteErrorKind::Refused, what, {}, "a file of that name is in the way");
        d.failure = Failure::None;
        return RemoteError(RemoteErrorKind::AlreadyExists, what);
    }
    return d.outcome(DavRequest::MakeFolder, what, error);
}

Status DavRemoteFs::put(const std::string& localPath, const std::string& remotePath, std::uint64_t& bytesSent)
{
    Impl& d = *m_impl;
    auto upload = OpenLocalUpload(localPath);
    if (!upload) {
        d.failure = Failure::Other;
        return upload.status();
    }
    // No "Expect: 100-continue": the password goes first, so the server has nothing to refuse early.
    CurlList headers = MakeCurlList({"Expect:"});
    d.setRequest(nullptr, d.fileUrl(remotePath), headers.get());
    curl_easy_setopt(d.easy(), CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(d.easy(), CURLOPT_READDATA, upload->file.get());
    curl_easy_setopt(d.easy(), CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(upload->size));
    const std::string error = d.perform("PUT", remotePath);
    curl_easy_setopt(d.easy(), CURLOPT_READDATA, nullptr);
    if (Status s = d.outcome(DavRequest::Other, "Cannot send " + remotePath, error); !s.ok())
        return s;
    curl_off_t sent = 0;
    if (curl_easy_getinfo(d.easy(), CURLINFO_SIZE_UPLOAD_T, &sent) == CURLE_OK)
        bytesSent += static_cast<std::uint64_t>(sent);
    return Status::OK();
}

Result<std::string> DavRemoteFs::fetch(const std::string& remotePath)
{
    return fetchFrom(remotePath, 0);
}

Result<std::string> DavRemoteFs::fetchFrom(const std::string& remotePath, std::uint64_t offset)
{
    Impl& d = *m_impl;
    d.setRequest(nullptr, d.fileUrl(remotePath), nullptr);
    const std::string range = std::to_string(offset) + "-";
    if (offset > 0)
        curl_easy_setopt(d.easy(), CURLOPT_RANGE, range.c_str());
    const std::string error = d.perform("GET", remotePath);
    curl_easy_setopt(d.easy(), CURLOPT_RANGE, nullptr);
    const std::string what = "Cannot read " + remotePath;
    if (d.transfer.bodyTooLong())
        return RemoteError(RemoteErrorKind::Refused, what, {}, "the file is too large");
    if (Status s = d.outcome(DavRequest::Other, what, error); !s.ok())
        return s;
    std::string& body = d.transfer.body();
    // A server that ignores ranges sends the whole file (200, not 206).
    if (offset > 0 && d.code == 200) {
        if (body.size() < offset)
            return RemoteError(RemoteErrorKind::Refused, what, {}, "the file is shorter than expected");
        body.erase(0, offset);
    }
    return std::move(body);
}

Status DavRemoteFs::remove(const std::string& remotePath)
{
    Impl& d = *m_impl;
    d.setRequest("DELETE", d.fileUrl(remotePath), nullptr);
    const std::string error = d.perform("DELETE", remotePath);
    return d.outcome(DavRequest::Other, "Cannot delete " + remotePath, error);
}

Status DavRemoteFs::rename(const std::string& from, const std::string& to)
{
    Impl& d = *m_impl;
    CurlList headers = MakeCurlList({"Destination: " + d.fileUrl(to), "Overwrite: T"});
    d.setRequest("MOVE", d.fileUrl(from), headers.get());
    const std::string error = d.perform("MOVE", from);
    return d.outcome(DavRequest::Move, "Cannot rename " + from + " to " + to, error);
}

Result<std::vector<RemoteFs::Entry>> DavRemoteFs::list(const std::string& folder)
{
    return m_impl->propfind(folder, "1");
}

std::vector<std::string> DavRemoteFs::takeServerLines()
{
    std::vector<std::string> lines;
    lines.swap(m_impl->lines);
    return lines;
}

Failure DavRemoteFs::lastFailure() const
{
    return m_impl->failure;
}

const ServerIdentity& DavRemoteFs::serverIdentity() const
{
    return m_impl->identity;
}

long DavRemoteFs::connectionsMade() const
{
    return m_impl->connections;
}

} // namespace qle::publish
