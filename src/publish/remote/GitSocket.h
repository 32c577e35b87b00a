// The network connections libgit2 opens (Git over SSH, and beneath TLS Git over HTTPS) go through
// a socket of ours, because libgit2 1.5 has no time-out of its own: left alone it waits for a
// silent server as long as the system lets it. Every wait on our socket is bounded by the
// publish's time-outs: the connect, and each read and write. SSH's library reads and writes the
// socket itself: for it a watch ends the connection once its thread has waited the reply time-out
// with nothing moving on the socket (time the thread spends packing files is not counted). A stop
// ends a connection at once the same way. Not bounded here: the look-up of the server's name
// (the system's resolver has time-outs of its own).
#pragma once

#include "publish/remote/Connection.h"

#include <atomic>
#include <memory>
#include <string>

namespace qle::publish {

// Makes libgit2 open its connections through the bounded socket (once per process; libgit2 must
// be initialised).
void UseBoundedGitSockets();

// The time-outs and the stop of every connection libgit2 opens on this thread while it lives;
// without one the defaults of `Timeouts` hold.
class GitWaitLimit
{
public:
    GitWaitLimit(const Timeouts& timeouts, const std::atomic<bool>* stop);
    ~GitWaitLimit();
    GitWaitLimit(const GitWaitLimit&) = delete;
    GitWaitLimit& operator=(const GitWaitLimit&) = delete;

    struct State;

    // What the server did not do in time ("did not accept the connection within 5 s"); empty
    // when no wait ran out.
    std::string timedOut() const;

private:
    std::shared_ptr<State> m_state;
    std::shared_ptr<State> m_outer;
};

} // namespace qle::publish
