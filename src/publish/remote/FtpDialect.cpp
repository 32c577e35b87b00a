// FTP's commands over a libcurl session, and the one place where FTP's reply codes become kinds.
#include "publish/remote/CurlDialect.h"

#include "publish/remote/CurlParts.h"
#include "publish/remote/CurlSession.h"
#include "publish/remote/RemoteError.h"
#include "publish/remote/RemoteListing.h"
#include "publish/remote/ReplyKinds.h"

#include <curl/curl.h>

namespace qle::publish {

namespace {

int ReplyCode(const std::string& reply)
{
    return reply.size() >= 3 ? std::atoi(reply.substr(0, 3).c_str()) : 0;
}

// A folder path without its trailing '/' (except the root).
std::string ResolvedFolder(const std::string& folder)
{
    return folder.size() > 1 && folder.back() == '/' ? folder.substr(0, folder.size() - 1) : folder;
}

class FtpDialect final : public CurlDialect
{
public:
    explicit FtpDialect(CurlSession& session)
        : CurlDialect(session)
    {
    }

    Status makeFolder(const std::string& path) override
    {
        const Exchange made = run({"MKD " + path});
        if (made.ok({257}))
            return Status::OK();
        Status failed = made.failure(m_session, FtpCommand::MakeFolder, 0, "Cannot make the folder " + path);
        if (KindOf(failed) != RemoteErrorKind::Transient && KindOf(failed) != RemoteErrorKind::Stopped &&
            folderExists(path))
            return RemoteError(RemoteErrorKind::AlreadyExists, "Cannot make the folder " + path, made.replies.back(),
                               "it exists already");
        return failed;
    }

    Status remove(const std::string& path) override
    {
        const Exchange removed = run({"DELE " + path});
        return removed.ok({250, 200}) ? Status::OK()
                                      : removed.failure(m_session, FtpCommand::Delete, 0, "Cannot delete " + path);
    }

    Status rename(const std::string& from, const std::string& to) override
    {
        const Exchange renamed = run({"RNFR " + from, "RNTO " + to});
        const std::string what = "Cannot rename " + from + " to " + to;
        if (ReplyCode(renamed.replies[0]) / 100 != 3)
            return renamed.failure(m_session, FtpCommand::RenameFrom, 0, what);
        if (ReplyCode(renamed.replies[1]) / 100 != 2)
            return renamed.failure(m_session, FtpCommand::RenameTo, 1, what);
        return renamed.error.empty() ? Status::OK() : renamed.failure(m_session, FtpCommand::RenameTo, 1, what);
    }

    Result<std::vector<RemoteFs::Entry>> list(const std::string& folder) override
    {
        // Entering the folder first: some servers list a missing folder as an empty one.
        const Exchange entered = run({"CWD " + ResolvedFolder(folder)});
        if (!entered.ok({250, 200}))
            return entered.failure(m_session, FtpCommand::Enter, 0, "Cannot list " + folder);
        const std::string path = folder.empty() || folder.back() != '/' ? folder + "/" : folder;
        for (;;) {
            m_session.setRequest(path == "/" ? m_session.baseUrl + "/%2F/" : m_session.urlOf(path), false, nullptr);
            if (!m_mlsdRefused)
                curl_easy_setopt(static_cast<CURL*>(m_session.easy()), CURLOPT_CUSTOMREQUEST, "MLSD");
            const std::string error = m_session.perform();
            curl_easy_setopt(static_cast<CURL*>(m_session.easy()), CURLOPT_CUSTOMREQUEST, nullptr);
            if (error.empty())
                return m_mlsdRefused ? ParseLongListing(m_session.transfer.body())
                                     : ParseMlsdListing(m_session.transfer.body());
            const std::string reply = m_session.transfer.lastReply();
            if (m_mlsdRefused || !(reply.starts_with("500") || reply.starts_with("502")))
                return failure("Cannot list " + folder, FtpCommand::Enter, error);
            m_mlsdRefused = true; // the server does not know MLSD: list with LIST
        }
    }

    Status transferFailed(const std::string& what, const std::string& error) override
    {
        return failure(what, FtpCommand::Transfer, error);
    }

private:
    // The replies of a run of commands, one final reply per command.
    struct Exchange
    {
        std::string error; // libcurl's, when the exchange itself failed
        std::vector<std::string> replies;

        bool ok(std::initializer_list<int> codes) const
        {
            if (!error.empty())
                return false;
            for (int code : codes)
                if (ReplyCode(replies.back()) == code)
                    return true;
            return false;
        }
        Status failure(CurlSession& session, FtpCommand step, std::size_t index, const std::string& what) const
        {
            const std::string reply = index < replies.size() ? replies[index] : std::string();
            if (session.failure == Failure::Stopped)
                return RemoteError(RemoteErrorKind::Stopped, what);
            return RemoteError(FtpFailureKind(step, reply, error.empty() ? CURLE_OK : session.lastCode), what,
                               reply.empty() ? error : reply, FtpReplyReason(reply));
        }
    };

    // Runs commands on the connection without a transfer. The leading '*' lets libcurl carry on
    // after a refusal, which keeps the connection; each command's own reply then decides.
    Exchange run(const std::vector<std::string>& commands)
    {
        CurlList list;
        for (const auto& command : commands) {
            curl_slist* grown = curl_slist_append(list.get(), ("*" + command).c_str());
            if (!grown)
                return {"out of memory", {}};
            (void)list.release();
            list.reset(grown);
        }
        m_session.setRequest(m_session.baseUrl + "/", true, list.get());
        // Each command's own reply: libcurl may send commands of its own around them.
        m_session.transfer.setWatching(true);
        Exchange exchange;
        exchange.error = m_session.perform();
        m_session.transfer.setWatching(false);
        curl_easy_setopt(static_cast<CURL*>(m_session.easy()), CURLOPT_QUOTE, nullptr);
        for (const auto& command : commands)
            exchange.replies.push_back(m_session.transfer.replyTo(command));
        if (exchange.error.empty() && exchange.replies.back().empty())
            exchange.error = "no reply from the server";
        return exchange;
    }

    Status failure(const std::string& what, FtpCommand step, const std::string& error)
    {
        if (m_session.failure == Failure::Stopped)
            return RemoteError(RemoteErrorKind::Stopped, what);
        const std::string reply = m_session.transfer.lastReply();
        const bool refusal = ReplyCode(reply) >= 400;
        return RemoteError(FtpFailureKind(step, refusal ? reply : std::string(), m_session.lastCode), what,
                           refusal ? reply : error, FtpReplyReason(refusal ? reply : std::string()));
    }

    // True when the folder exists (tells "already there" from a refusal). Records nothing.
    bool folderExists(const std::string& path)
    {
        m_session.transfer.setRecording(false);
        const Exchange entered = run({"CWD " + ResolvedFolder(path)});
        m_session.transfer.setRecording(true);
        return entered.ok({250, 200});
    }

    bool m_mlsdRefused = false;
};

} // namespace

std::unique_ptr<CurlDialect> FtpDialectFor(CurlSession& session)
{
    return std::make_unique<FtpDialect>(session);
}

} // namespace qle::publish
