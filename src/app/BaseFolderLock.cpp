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

} // namespace

Result<BaseFolderLock> BaseFolderLock::acquire(const std::string& baseFolder, Mode mode, const std::string& siteName)
{
    const std::string path = JoinPath(baseFolder, kLockFileName);
    // O_NOFOLLOW: a link planted under the lock's name must not make us create or truncate its target.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return Status::IoError("Cannot open the lock file " + path + ": " + std::strerror(errno));
    BaseFolderLock lock(fd, mode);
    const int operation = (mode == Mode::Build ? LOCK_EX : LOCK_SH) | LOCK_NB;
    while (::flock(fd, operation) != 0) {
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK)
            return Status::IoError("Cannot lock " + path + ": " + std::strerror(errno));
        // Only a build writes its name: a refused caller reads it to say who is busy.
        const std::string holder = HolderName(fd);
        if (!holder.empty())
            return Status::Cancelled("The site " + holder + " is being built in " + baseFolder +
                                     "; try again when that build has finished.");
        return Status::Cancelled("An upload from " + baseFolder + " is running; try again when it has finished.");
    }
    // Whoever holds the lock now, a name left by a killed build is stale: an upload clears it.
    const std::string holder = mode == Mode::Build ? siteName : std::string();
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, holder.data(), holder.size(), 0) < 0)
        return Status::IoError("Cannot write the lock file " + path + ": " + std::strerror(errno));
    return lock;
}

BaseFolderLock::BaseFolderLock(BaseFolderLock&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
    , m_mode(other.m_mode)
{
}

BaseFolderLock& BaseFolderLock::operator=(BaseFolderLock&& other) noexcept
{
    if (this != &other) {
        release();
        m_fd = std::exchange(other.m_fd, -1);
        m_mode = other.m_mode;
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
    // A killed build leaves its name behind; the next build overwrites it.
    if (m_mode == Mode::Build) [[maybe_unused]]
        int ignored = ::ftruncate(m_fd, 0);
    ::close(m_fd); // closing the last descriptor releases the lock
    m_fd = -1;
}

} // namespace qle::app
