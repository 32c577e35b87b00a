// One FTP control connection, driven through libcurl's multi interface: login, raw commands and
// uploads in passive mode, each bounded by connect and reply time-outs.
#pragma once

#include "publish/FtpScript.h"
#include "store/Status.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qle::publish {

class FtpSession
{
public:
    struct Timeouts
    {
        long connectSeconds = 15; // to open the control connection
        long replySeconds = 30;   // for each server reply, and for a stalled data connection
    };

    // The outcome of one exchange with the server.
    struct Reply
    {
        bool ok = false;
        std::vector<std::string> lines; // server reply lines of this exchange, in order
        std::string error;              // why it failed, when it failed
        bool timedOut = false;          // the server stopped answering
        // The last final reply line ("226 Transfer complete."), or empty.
        std::string lastLine() const;
    };

    // Prepares a session; no connection is made yet. The password is only handed to libcurl.
    static Result<FtpSession> create(const ServerAddress& server, const std::string& userName,
                                     const std::string& password, const Timeouts& timeouts);

    FtpSession(FtpSession&&) noexcept;
    FtpSession& operator=(FtpSession&&) noexcept;
    ~FtpSession();

    // Connects and logs in. Every later call reuses this control connection.
    Reply login();

    // The remote folder the server put us in at login ("/" when it did not say).
    std::string entryPath() const;

    // Sends one command such as "MKD /www" and succeeds on a 2xx reply. A refusal keeps the
    // connection usable.
    Reply command(const std::string& ftpCommand);

    // Uploads a local file to an absolute remote path, adding the bytes sent to `bytesSent`.
    Reply put(const std::string& localPath, const std::string& remotePath, std::uint64_t& bytesSent);

    // Control connections opened so far (1 after any number of calls on a healthy server).
    long connectionsMade() const;

private:
    struct Impl;
    explicit FtpSession(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

} // namespace qle::publish
