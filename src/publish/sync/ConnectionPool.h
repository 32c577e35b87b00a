// The connections of one sync run: the primary one, which the caller opened, plus up to a wanted
// number more, opened on demand and kept for the later phases of the run. A server that refuses
// extra connections is used with fewer.
#pragma once

#include "publish/remote/RemoteFs.h"
#include "store/Status.h"

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace qle::publish {

class ConnectionPool
{
public:
    // `note` hears, from any thread, of connections that could not be opened.
    ConnectionPool(RemoteFs& primary, const RemoteFsFactory& more, int wanted,
                   std::function<void(const std::string&)> note);
    ~ConnectionPool();
    ConnectionPool(const ConnectionPool&) = delete;
    ConnectionPool& operator=(const ConnectionPool&) = delete;

    // Starts logging in the connections that `count` items will use, so that their logins overlap
    // what the primary does meanwhile. run() waits for them.
    void openAhead(std::size_t count);

    // Calls task(fs, i) for every i below count, spread over the connections (at most one per
    // item). A task that fails for a moment (RemoteError's transient kind) is tried once more after reconnecting; a
    // connection that cannot reconnect is dropped. `failed` hears of every item that failed,
    // including those left when no connection remains; it and `task` are called from several
    // threads.
    void run(std::size_t count, const std::function<Status(RemoteFs&, std::size_t)>& task,
             const std::function<void(std::size_t, const Status&)>& failed);

    // Connections opened so far, the primary included.
    int used() const;

private:
    struct Slot
    {
        RemoteFs* fs = nullptr;
        std::unique_ptr<RemoteFs> owned;
        bool alive = true;
    };

    void joinOpeners();
    bool open(Slot& slot, std::size_t number);

    const RemoteFsFactory& m_more;
    std::function<void(const std::string&)> m_note;
    std::vector<Slot> m_slots;
    std::vector<std::thread> m_openers;
};

} // namespace qle::publish
