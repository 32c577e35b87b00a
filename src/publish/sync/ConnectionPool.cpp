#include "publish/sync/ConnectionPool.h"

#include "publish/remote/RemoteError.h"

#include <algorithm>
#include <atomic>
#include <mutex>

namespace qle::publish {

ConnectionPool::ConnectionPool(RemoteFs& primary, const RemoteFsFactory& more, int wanted,
                               std::function<void(const std::string&)> note)
    : m_more(more)
    , m_note(std::move(note))
{
    m_slots.resize(static_cast<std::size_t>(std::max(1, wanted)));
    m_slots[0].fs = &primary;
}

ConnectionPool::~ConnectionPool()
{
    joinOpeners();
}

void ConnectionPool::openAhead(std::size_t count)
{
    for (std::size_t n = 1; n < std::min(m_slots.size(), count); ++n)
        m_openers.emplace_back([this, n] { open(m_slots[n], n + 1); });
}

void ConnectionPool::run(std::size_t count, const std::function<Status(RemoteFs&, std::size_t)>& task,
                         const std::function<void(std::size_t, const Status&)>& failed)
{
    joinOpeners();
    std::atomic<std::size_t> next {0};
    std::mutex failedMutex;
    const auto fail = [&](std::size_t i, const Status& s) {
        std::lock_guard lock(failedMutex);
        failed(i, s);
    };
    const auto work = [&](Slot& slot, std::size_t number) {
        if (!slot.fs && (!slot.alive || !open(slot, number)))
            return;
        for (std::size_t i; (i = next++) < count;) {
            Status s = task(*slot.fs, i);
            if (IsTransient(s)) {
                if (!slot.fs->connect().ok()) {
                    slot.alive = false;
                    fail(i, s);
                    return;
                }
                s = task(*slot.fs, i);
            }
            if (!s.ok())
                fail(i, s);
        }
    };
    std::vector<std::thread> threads;
    const std::size_t used = std::min(m_slots.size(), std::max<std::size_t>(count, 1));
    for (std::size_t n = 1; n < used; ++n)
        if (m_slots[n].alive)
            threads.emplace_back(work, std::ref(m_slots[n]), n + 1);
    if (m_slots[0].alive)
        work(m_slots[0], 1);
    for (auto& thread : threads)
        thread.join();
    for (std::size_t i; (i = next++) < count;)
        failed(i, RemoteError(RemoteErrorKind::Transient, "Not sent", {}, "no connection to the server is left"));
}

int ConnectionPool::used() const
{
    int n = 0;
    for (const Slot& slot : m_slots)
        n += slot.fs ? 1 : 0;
    return n;
}

void ConnectionPool::joinOpeners()
{
    for (auto& thread : m_openers)
        thread.join();
    m_openers.clear();
}

bool ConnectionPool::open(Slot& slot, std::size_t number)
{
    slot.owned = m_more ? m_more() : nullptr;
    Status s = slot.owned ? slot.owned->connect() : Status::NetworkError("no more connections are made");
    if (!s.ok()) {
        // A server limit (421) is normal for small web spaces: the other connections carry on.
        slot.owned.reset();
        slot.alive = false;
        m_note("Connection " + std::to_string(number) + " not opened (" + s.message() + "); going on with fewer.");
        return false;
    }
    slot.fs = slot.owned.get();
    return true;
}

} // namespace qle::publish
