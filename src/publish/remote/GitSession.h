// The program's side of a Git connection, handed to libgit2 as its callbacks: the server's
// identity checked by the program (libgit2 accepts any SSH host key unless told otherwise), the
// author's credentials offered once, the stop flag, and the server's words on a refused update.
#pragma once

#include "publish/remote/ConnectFailure.h"
#include "publish/remote/Connection.h"
#include "publish/remote/IdentityCheck.h"

#include <git2.h>

#include <string>

namespace qle::publish::git {

struct Session
{
    const ConnectionSettings* settings = nullptr;
    std::string knownHosts;
    Failure failure = Failure::None;
    ServerIdentity identity;
    int credentialTries = 0;
    std::string refusal; // the server's words when it refused the pushed branch

    // The callbacks of one exchange; the certificate check is always among them.
    git_remote_callbacks callbacks();
    // Starts a new exchange: the tries and failures of the last one are forgotten.
    void reset();

    int checkCertificate(git_cert* cert, bool valid, const std::string& host);
    int credentials(git_credential** out, const std::string& userFromUrl, unsigned int allowed);
    bool stopped();

private:
    int refuse(Failure kind, const std::string& why);
};

// The kind of failure of a libgit2 error code, unless the callbacks already found one.
Failure FailureOfGitError(int code, Failure fromCallbacks);

} // namespace qle::publish::git
