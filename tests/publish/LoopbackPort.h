// Loopback ports for the servers the tests start.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

namespace qle::test {

// A port on 127.0.0.1 that nothing listens on now (0 when none could be had).
inline int FreeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

// True when a server accepts connections on 127.0.0.1:`port`.
inline bool LoopbackAccepts(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

// A port on 127.0.0.1 where a server takes connections and never answers; with `full`, its queue
// of connections is filled first, so that a new one is never even accepted.
class SilentListener
{
public:
    explicit SilentListener(bool full)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(m_fd, reinterpret_cast<sockaddr*>(&address), size) != 0 || ::listen(m_fd, full ? 0 : 16) != 0 ||
            ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            return;
        m_port = ntohs(address.sin_port);
        // The system drops what comes once the queue is full: connect until one hangs.
        for (int i = 0; full && i < 8; ++i) {
            const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
            m_fillers.push_back(fd);
            (void)::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
            pollfd done {fd, POLLOUT, 0};
            if (::poll(&done, 1, 300) == 0)
                break;
        }
    }
    ~SilentListener()
    {
        for (const int fd : m_fillers)
            ::close(fd);
        ::close(m_fd);
    }
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;

    int port() const { return m_port; }

private:
    int m_fd = -1;
    int m_port = 0;
    std::vector<int> m_fillers;
};

} // namespace qle::test
