#include "publish/remote/GitSocket.h"

#include <git2.h>
#include <git2/sys/stream.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fstream>
#include <mutex>
#include <thread>
#include <type_traits>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace qle::publish {

struct GitWaitLimit::State
{
    Timeouts timeouts;
    const std::atomic<bool>* stop = nullptr;
    std::mutex mutex;
    std::string timedOut; // guarded by mutex

    bool stopped() const { return stop && stop->load(); }
    void ranOut(const std::string& what)
    {
        std::lock_guard lock(mutex);
        if (timedOut.empty())
            timedOut = what;
    }
};

namespace {

using Clock = std::chrono::steady_clock;
using State = GitWaitLimit::State;

thread_local std::shared_ptr<State> t_limit;

constexpr auto kSlice = std::chrono::milliseconds(200); // how often a wait looks at the stop flag

// True while thread `tid` of this process sits waiting for the network, as SSH's library does in
// poll(): the time it spends on its own work (packing the files to send) is no silence of the
// server's. Where the system cannot tell, it counts as waiting.
bool WaitingForNetwork(pid_t tid)
{
    std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/syscall");
    std::string first;
    if (!(in >> first))
        return true;
    if (first == "running")
        return false;
    long number = -1;
    try {
        number = std::stol(first);
    } catch (const std::exception&) {
        return true;
    }
    for (const long waiting : {
#ifdef SYS_poll
             long {SYS_poll},
#endif
#ifdef SYS_select
             long {SYS_select},
#endif
#ifdef SYS_epoll_wait
             long {SYS_epoll_wait},
#endif
             long {SYS_ppoll}, long {SYS_pselect6}, long {SYS_epoll_pwait}, long {SYS_recvfrom}, long {SYS_recvmsg}})
        if (number == waiting)
            return true;
    return false;
}

// Ends the connection of `fd` when its thread has waited the reply time-out with nothing moving
// on it, or at a stop. SSH's library reads and writes the socket itself, so its waits can only be
// ended from outside: shutting the socket down wakes them and they fail. Connections read and
// written through the stream (HTTP, TLS) are bounded there, and the watch ends at their first use.
class Watch
{
public:
    Watch(std::shared_ptr<State> state, int fd)
        : m_state(std::move(state))
        , m_fd(fd)
        , m_tid(::gettid())
        , m_thread([this] { run(); })
    {
    }
    ~Watch() { end(); }
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;

    void end()
    {
        {
            std::lock_guard lock(m_mutex);
            m_closing = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    void run()
    {
        const auto limit = std::chrono::seconds(m_state->timeouts.replySeconds);
        auto busy = Clock::now(); // the last time the thread was seen doing its own work
        std::unique_lock lock(m_mutex);
        while (!m_wake.wait_for(lock, kSlice, [this] { return m_closing; })) {
            if (m_state->stopped()) {
                ::shutdown(m_fd, SHUT_RDWR);
                return;
            }
            if (!WaitingForNetwork(m_tid)) {
                busy = Clock::now();
                continue;
            }
            tcp_info info {};
            socklen_t size = sizeof info;
            if (::getsockopt(m_fd, IPPROTO_TCP, TCP_INFO, &info, &size) != 0)
                continue;
            // Since the server last sent data or took ours in, and since the thread began waiting.
            const auto quiet = std::min<Clock::duration>(
                std::chrono::milliseconds(std::min(info.tcpi_last_data_recv, info.tcpi_last_ack_recv)),
                Clock::now() - busy);
            if (quiet >= limit) {
                m_state->ranOut("nothing came from the server for " + std::to_string(m_state->timeouts.replySeconds) +
                                " s");
                ::shutdown(m_fd, SHUT_RDWR);
                return;
            }
        }
    }

    std::shared_ptr<State> m_state;
    int m_fd;
    pid_t m_tid;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_closing = false;
    std::thread m_thread; // last: it starts once the rest is ready
};

// libgit2's SSH transport takes the descriptor out of the socket stream it asked for, reading the
// stream as libgit2's own socket stream is laid out: the stream, the host, the port, the socket.
// Our stream keeps that layout at its start.
struct Socket
{
    git_stream parent;
    char* host;
    char* port;
    int fd;
    // Ours from here on.
    std::shared_ptr<State>* state;
    Watch* watch;
};
static_assert(std::is_standard_layout_v<Socket>);

Socket* SocketOf(git_stream* stream)
{
    return reinterpret_cast<Socket*>(stream); // the stream is the first member
}

std::string Where(const Socket& s)
{
    return std::string(s.host) + ":" + s.port;
}

int Fail(const std::string& message)
{
    git_error_set_str(GIT_ERROR_NET, message.c_str());
    return -1;
}

enum class Waited { Ready, TimedOut, Stopped, Failed };

// Waits up to `seconds` for `events` on `fd`, looking at the stop flag now and then.
Waited WaitFor(int fd, short events, long seconds, const State& state)
{
    const auto deadline = Clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        if (state.stopped())
            return Waited::Stopped;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return Waited::TimedOut;
        pollfd p {fd, events, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(std::min(left, std::chrono::milliseconds(kSlice)).count()));
        if (ready > 0)
            return Waited::Ready;
        if (ready < 0 && errno != EINTR)
            return Waited::Failed;
    }
}

int FailWait(Socket& s, Waited waited, const std::string& what, long seconds)
{
    switch (waited) {
    case Waited::TimedOut: {
        const std::string why = what + " within " + std::to_string(seconds) + " s";
        (*s.state)->ranOut(why);
        return Fail(Where(s) + " " + why);
    }
    case Waited::Stopped:
        return Fail("stopped");
    default:
        return Fail("waiting for " + Where(s) + " failed: " + std::strerror(errno));
    }
}

// Opens a connection to one address of the host by `deadline`; the socket, or -1 with `waited`
// (and errno) telling what happened.
int ConnectOne(const addrinfo& address, const State& state, Clock::time_point deadline, Waited& waited)
{
    const int fd = ::socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, address.ai_protocol);
    if (fd < 0) {
        waited = Waited::Failed;
        return -1;
    }
    if (::connect(fd, address.ai_addr, address.ai_addrlen) != 0) {
        if (errno != EINPROGRESS) {
            const int error = errno;
            ::close(fd);
            errno = error;
            waited = Waited::Failed;
            return -1;
        }
        const auto left = std::chrono::ceil<std::chrono::seconds>(deadline - Clock::now()).count();
        waited = WaitFor(fd, POLLOUT, std::max<long>(left, 0), state);
        int error = 0;
        socklen_t size = sizeof error;
        if (waited == Waited::Ready && (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0))
            waited = Waited::Failed;
        if (waited != Waited::Ready) {
            ::close(fd);
            errno = error;
            return -1;
        }
    }
    // Blocking from now on, as SSH's library expects; our own reads and writes poll first.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    waited = Waited::Ready;
    return fd;
}

int Connect(git_stream* stream)
{
    Socket& s = *SocketOf(stream);
    const State& state = **s.state;
    addrinfo hints {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (int code = ::getaddrinfo(s.host, s.port, &hints, &found); code != 0)
        return Fail("the server name " + std::string(s.host) + " is not known: " + ::gai_strerror(code));
    const auto deadline = Clock::now() + std::chrono::seconds(state.timeouts.connectSeconds);
    Waited waited = Waited::Failed;
    int error = 0;
    for (const addrinfo* a = found; a && s.fd < 0 && waited != Waited::Stopped; a = a->ai_next) {
        s.fd = ConnectOne(*a, state, deadline, waited);
        error = errno;
    }
    ::freeaddrinfo(found);
    if (s.fd < 0) {
        if (waited == Waited::Failed)
            return Fail("cannot connect to " + Where(s) + ": " + std::strerror(error));
        return FailWait(s, waited, "did not accept the connection", state.timeouts.connectSeconds);
    }
    s.watch = new Watch(*s.state, s.fd);
    return 0;
}

// The stream is read and written through us: our own waits bound it, the watch is not needed.
void Streamed(Socket& s)
{
    if (s.watch)
        s.watch->end();
}

ssize_t Read(git_stream* stream, void* data, size_t size)
{
    Socket& s = *SocketOf(stream);
    const State& state = **s.state;
    Streamed(s);
    if (Waited w = WaitFor(s.fd, POLLIN, state.timeouts.replySeconds, state); w != Waited::Ready)
        return FailWait(s, w, "sent nothing", state.timeouts.replySeconds);
    const ssize_t got = ::recv(s.fd, data, size, 0);
    if (got < 0)
        return Fail("cannot read from " + Where(s) + ": " + std::strerror(errno));
    return got;
}

ssize_t Write(git_stream* stream, const char* data, size_t size, int)
{
    Socket& s = *SocketOf(stream);
    const State& state = **s.state;
    Streamed(s);
    if (Waited w = WaitFor(s.fd, POLLOUT, state.timeouts.replySeconds, state); w != Waited::Ready)
        return FailWait(s, w, "took nothing in", state.timeouts.replySeconds);
    const ssize_t sent = ::send(s.fd, data, size, MSG_NOSIGNAL);
    if (sent < 0)
        return Fail("cannot write to " + Where(s) + ": " + std::strerror(errno));
    return sent;
}

int Close(git_stream* stream)
{
    Socket& s = *SocketOf(stream);
    delete s.watch;
    s.watch = nullptr;
    if (s.fd >= 0)
        ::close(s.fd);
    s.fd = -1;
    return 0;
}

void Free(git_stream* stream)
{
    Close(stream);
    Socket* s = SocketOf(stream);
    std::free(s->host);
    std::free(s->port);
    delete s->state;
    delete s;
}

int NewSocket(git_stream** out, const char* host, const char* port)
{
    auto* s = new Socket {};
    s->parent.version = GIT_STREAM_VERSION;
    s->parent.connect = &Connect;
    s->parent.read = &Read;
    s->parent.write = &Write;
    s->parent.close = &Close;
    s->parent.free = &Free;
    s->host = ::strdup(host);
    s->port = ::strdup(port);
    s->fd = -1;
    s->state = new std::shared_ptr<State>(t_limit ? t_limit : std::make_shared<State>());
    *out = &s->parent;
    return 0;
}

} // namespace

void UseBoundedGitSockets()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // The SSH transport reads our stream as its own socket stream (see `Socket`): a layout
        // only known for the 1.5 series. With any other library its own sockets stay, unbounded.
        int major = 0, minor = 0, revision = 0;
        git_libgit2_version(&major, &minor, &revision);
        constexpr bool builtFor15 = LIBGIT2_VER_MAJOR == 1 && LIBGIT2_VER_MINOR == 5;
        if (!builtFor15 || major != 1 || minor != 5)
            return;
        git_stream_registration registration {};
        registration.version = GIT_STREAM_VERSION;
        registration.init = &NewSocket;
        git_stream_register(GIT_STREAM_STANDARD, &registration);
    });
}

GitWaitLimit::GitWaitLimit(const Timeouts& timeouts, const std::atomic<bool>* stop)
    : m_state(std::make_shared<State>())
    , m_outer(std::move(t_limit))
{
    m_state->timeouts = timeouts;
    m_state->stop = stop;
    t_limit = m_state;
}

GitWaitLimit::~GitWaitLimit()
{
    t_limit = std::move(m_outer);
}

std::string GitWaitLimit::timedOut() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->timedOut;
}

} // namespace qle::publish
