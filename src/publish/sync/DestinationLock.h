// One publish per destination at a time: a lock file beside the destination's journal, taken
// without waiting and held until the run ends (the kernel lets it go however the process ends).
// A run that is refused is told which publish holds it.
#pragma once

#include "store/Status.h"

#include <string>

namespace qle::publish {

class DestinationLock
{
public:
    // Takes the lock at `path` (made when missing) and records `holder` ("started at 14:03:05 by
    // process 4242") beside it for a refused run to read. The refusal (code Cancelled) names the
    // destination and the holder.
    static Result<DestinationLock> acquire(const std::string& path, const std::string& destination,
                                           const std::string& holder);

    DestinationLock(DestinationLock&& other) noexcept;
    DestinationLock& operator=(DestinationLock&& other) noexcept;
    DestinationLock(const DestinationLock&) = delete;
    DestinationLock& operator=(const DestinationLock&) = delete;
    ~DestinationLock();

private:
    explicit DestinationLock(int fd)
        : m_fd(fd)
    {
    }
    int m_fd = -1;
};

} // namespace qle::publish
