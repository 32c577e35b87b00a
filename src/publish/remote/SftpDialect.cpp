// SFTP's commands over a libcurl session. Its status texts become kinds in ReplyKinds.cpp.
#include "publish/remote/CurlDialect.h"

#include "publish/remote/CurlParts.h"
#include "publish/remote/CurlSession.h"
#include "publish/remote/RemoteError.h"
#include "publish/remote/RemoteListing.h"
#include "publish/remote/ReplyKinds.h"

#include <curl/curl.h>

namespace qle::publish {

namespace {

// A path argument of an SFTP quote command: quoted, with quotes and backslashes escaped.
std::string Argument(const std::string& path)
{
    std::string quoted = "\"";
    for (char c : path) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

class SftpDialect final : public CurlDialect
{
public:
    explicit SftpDialect(CurlSession& session)
        : CurlDialect(session)
    {
    }

    Status makeFolder(const std::string& path) override
    {
        const std::string what = "Cannot make the folder " + path;
        const std::string error = run("mkdir " + Argument(path));
        if (error.empty())
            return Status::OK();
        const RemoteErrorKind kind = kindOf(error);
        if (kind == RemoteErrorKind::Refused && SftpSaysNoMore(error) && exists(path + "/"))
            return RemoteError(RemoteErrorKind::AlreadyExists, what, {}, "it exists already");
        return failure(kind, what, error);
    }

    Status remove(const std::string& path) override
    {
        const std::string error = run("rm " + Argument(path));
        return error.empty() ? Status::OK() : failure(kindOf(error), "Cannot delete " + path, error);
    }

    Status rename(const std::string& from, const std::string& to) override
    {
        const std::string error = run("rename " + Argument(from) + " " + Argument(to));
        if (error.empty())
            return Status::OK();
        RemoteErrorKind kind = kindOf(error);
        // Version 3 of SFTP renames only onto a free name, and says no more than "failure" when
        // the name is taken: a file there is what it meant. A refusal that says more (permission
        // denied) is a refusal, whatever is there.
        if (kind == RemoteErrorKind::Refused && SftpSaysNoMore(error) && exists(to))
            kind = RemoteErrorKind::AlreadyExists;
        return failure(kind, "Cannot rename " + from + " to " + to, error);
    }

    Result<std::vector<RemoteFs::Entry>> list(const std::string& folder) override
    {
        const std::string path = folder.empty() || folder.back() != '/' ? folder + "/" : folder;
        m_session.setRequest(path == "/" ? m_session.baseUrl + "/" : m_session.urlOf(path), false, nullptr);
        const std::string error = m_session.perform();
        if (error.empty())
            return ParseLongListing(m_session.transfer.body());
        if (m_session.lastCode == CURLE_QUOTE_ERROR)
            return failure(RemoteErrorKind::NotFound, "Cannot list " + folder, error);
        return failure(kindOf(error), "Cannot list " + folder, error);
    }

    Status transferFailed(const std::string& what, const std::string& error) override
    {
        return failure(kindOf(error), what, error);
    }

private:
    // Runs one command on the session, without a transfer; empty when it worked, else why not.
    std::string run(const std::string& command)
    {
        CurlList list(curl_slist_append(nullptr, command.c_str()));
        if (!list)
            return "out of memory";
        m_session.setRequest(m_session.baseUrl + "/", true, list.get());
        const std::string error = m_session.perform();
        curl_easy_setopt(static_cast<CURL*>(m_session.easy()), CURLOPT_QUOTE, nullptr);
        return error;
    }

    RemoteErrorKind kindOf(const std::string& error) const
    {
        return m_session.failure == Failure::Stopped ? RemoteErrorKind::Stopped
                                                     : SftpFailureKind(error, m_session.lastCode);
    }

    static Status failure(RemoteErrorKind kind, const std::string& what, const std::string& error)
    {
        return RemoteError(kind, what, kind == RemoteErrorKind::Stopped ? std::string() : error);
    }

    // True when the server has something at the path (a folder when it ends in '/'). Records nothing.
    bool exists(const std::string& path)
    {
        m_session.transfer.setRecording(false);
        m_session.setRequest(m_session.urlOf(path), path.back() != '/', nullptr);
        CURL* easy = static_cast<CURL*>(m_session.easy());
        curl_easy_setopt(easy, CURLOPT_DIRLISTONLY, 1L);
        const bool found = m_session.perform().empty();
        curl_easy_setopt(easy, CURLOPT_DIRLISTONLY, 0L);
        m_session.transfer.setRecording(true);
        return found;
    }
};

} // namespace

std::unique_ptr<CurlDialect> SftpDialectFor(CurlSession& session)
{
    return std::make_unique<SftpDialect>(session);
}

} // namespace qle::publish
