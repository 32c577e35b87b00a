// One connection to the web space through libcurl, shared by the FTP and SFTP dialects: the
// handles, the options (the identity check fails closed), the URLs of remote paths, running a
// call and telling why the login failed. Used only by remote/*.cpp.
#pragma once

#include "publish/remote/ConnectFailure.h"
#include "publish/remote/Connection.h"
#include "publish/remote/CurlTransfer.h"
#include "publish/remote/IdentityCheck.h"

#include <string>
#include <vector>

namespace qle::publish {

struct CurlSession
{
    ConnectionSettings settings;
    CurlTransfer transfer;
    std::string baseUrl; // "ftp://host:port" or "sftp://host:port", no trailing '/'
    std::string home = "/";
    std::string knownHosts;
    int lastCode = 0; // libcurl's result of the last call (a CURLcode)
    Failure failure = Failure::None;
    ServerIdentity identity;
    std::string refusedOption; // a security option libcurl did not take

    bool sftp() const { return settings.protocol == Protocol::Sftp; }
    std::string where() const;
    void* easy() const { return transfer.easy(); }

    // Makes the handles (once) and sets every option of the connection.
    Status prepare();
    // Logs in. The failure says why, in the author's words (ConnectFailureStatus).
    Status connect();

    // Runs the call set up on the easy handle. On failure sets `failure` and returns why; empty on
    // success.
    std::string perform();
    // A plain request: the URL, no upload, no quote commands (a list of libcurl's, or null).
    void setRequest(const std::string& url, bool noBody, void* quote);
    // The URL of an absolute remote path (on FTP "%2F" keeps it absolute, not relative to the
    // login folder).
    std::string urlOf(const std::string& remotePath) const;

private:
    void configure();
    void configureTls();
    void configureSsh();
    // Notes an option the identity check needs that libcurl refused: the login then fails closed.
    void require(int curlCode, const char* option);
    Status loginFailed(const std::string& error);
};

} // namespace qle::publish
