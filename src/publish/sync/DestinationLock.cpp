#include "publish/sync/DestinationLock.h"

#include "app/TextFiles.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace qle::publish {

namespace {

// The holder is written to a file of its own, replaced in one rename: a refused run reads the
// whole text or the one before, never an empty one.
std::string HolderPath(const std::string& path)
{
    return path + "-holder";
}

std::string ReadHolder(const std::string& path)
{
    std::ifstream in(HolderPath(path), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

Result<DestinationLock> DestinationLock::acquire(const std::string& path, const std::string& destination,
                                                 const std::string& holder)
{
    // O_NOFOLLOW: a link planted under the lock's name must not make us create its target.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return Status::IoError("Cannot open the lock file " + path + ": " + std::strerror(errno));
    DestinationLock lock(fd);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK)
            return Status::IoError("Cannot lock " + path + ": " + std::strerror(errno));
        const std::string running = ReadHolder(path);
        return Status::Cancelled("Another publish to " + destination + " is running" +
                                 (running.empty() ? std::string() : " (" + running + ")") +
                                 "; nothing was sent. Try again when it has finished.");
    }
    (void)app::WriteOwnerOnlyFile(HolderPath(path), holder); // only words for a refused run
    return lock;
}

DestinationLock::DestinationLock(DestinationLock&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
{
}

DestinationLock& DestinationLock::operator=(DestinationLock&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

DestinationLock::~DestinationLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // closing the descriptor lets the lock go
}

} // namespace qle::publish
