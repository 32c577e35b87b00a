// The author's words for a connection that failed before or at the login, one message per kind.
#pragma once

#include "publish/remote/CurlRemoteFs.h"

#include <string>

namespace qle::publish {

struct ConnectFailureFacts
{
    std::string where; // "host:port"
    std::string host;
    std::string userName;
    std::string error;    // libcurl's description
    std::string reply;    // the server's last reply line, or empty
    std::string shown;    // the identity the server showed ("SHA256:..."), when there is one
    std::string accepted; // what it was checked against ("the trusted SHA256:..." or the known hosts file)
};

// The kind of failure a libcurl result code (CURLcode) stands for.
Failure FailureOfCurlCode(int code);

// The failure as a Status whose message says what happened and what to do; the password is never
// among the facts, so it is never in the message.
Status ConnectFailureStatus(Failure failure, const ConnectFailureFacts& facts);

} // namespace qle::publish
