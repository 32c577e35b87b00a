#include "app/BaseFolderLock.h"

#include "app/Paths.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace qle::app {

namespace {

std::string HolderName(int fd)
{
    char buffer[4096];
    const ssize_t n = ::pread(fd, buffer, sizeof buffer, 0);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

// Held for the few calls that take or give up the lock and write or read the building site's
// name: a lock on the file's first byte, apart from the flock, so that a refused caller reads the
// name only when it is whole, and never between a build taking the lock and naming itself.
class NameGuard
{
public:
    explicit NameGuard(int fd)
        : m_fd(fd)
    {
        set(F_WRLCK);
    }
    ~NameGuard() { set(F_UNLCK); }
    NameGuard(const NameGuard&) = delete;
    NameGuard& operator=(const NameGuard&) = delete;

private:
    void set(short type)
    {
        struct flock range
        {
        };
        range.l_type = type;
        range.l_whence = SEEK_SET;
        range.l_len = 1;
        // Waits: no holder keeps it longer than a few system calls.
        while (::fcntl(m_fd, F_OFD_SETLKW, &range) != 0 && errno == EINTR) { }
    }

    int m_fd;
};

} // namespace

Result<BaseFolderLock> BaseFolderLock::acquire(const std::string& baseFolder, Mode mode, const std::string& siteName)
{
    const std::string path = JoinPath(baseFolder, kLockFileName);
    // O_NOFOLLOW: a link planted under the lock's name must not make us create or truncate its target.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return Status::IoError("Cannot open the lock file " + path + ": " + std::strerror(errno));
    BaseFolderLock lock(fd, mode);
    NameGuard guard(fd);
    const int operation = (mode == Mode::Build ? LOCK_EX : LOCK_SH) | LOCK_NB;
    while (::flock(fd, operation) != 0) {
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK)
            return Status::IoError("Cannot lock " + path + ": " + std::strerror(errno));
        // Only a build writes its name, and it holds the lock alone: no name means uploads hold it.
        const std::string holder = HolderName(fd);
        if (!holder.empty())
            return Status::Cancelled("The site " + holder + " is being built in " + baseFolder +
                                     "; try again when that build has finished.");
        return Status::Cancelled("An upload from " + baseFolder + " is running; try again when it has finished.");
    }
    lock.m_held = true;
    // Whoever holds the lock now, a name left by a killed build is stale: an upload clears it.
    const std::string holder = mode == Mode::Build ? siteName : std::string();
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, holder.data(), holder.size(), 0) < 0)
        return Status::IoError("Cannot write the lock file " + path + ": " + std::strerror(errno));
    return lock;
}

BaseFolderLock::BaseFolderLock(BaseFolderLock&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
    , m_mode(other.m_mode)
    , m_held(std::exchange(other.m_held, false))
{
}

BaseFolderLock& BaseFolderLock::operator=(BaseFolderLock&& other) noexcept
{
    if (this != &other) {
        release();
        m_fd = std::exchange(other.m_fd, -1);
        m_mode = other.m_mode;
        m_held = std::exchange(other.m_held, false);
    }
    return *this;
}

BaseFolderLock::~BaseFolderLock()
{
    release();
}

void BaseFolderLock::release()
{
    if (m_fd < 0)
        return;
    if (m_held && m_mode == Mode::Build) {
        // The name goes with the lock, in one step for a reader; a killed build leaves it behind
        // for the next holder to overwrite or clear.
        NameGuard guard(m_fd);
        ::flock(m_fd, LOCK_UN);
        [[maybe_unused]] const int ignored = ::ftruncate(m_fd, 0);
    }
    ::close(m_fd); // closing the last descriptor releases the lock
    m_fd = -1;
    m_held = false;
}

} // namespace qle::app
