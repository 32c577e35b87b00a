// One writer at a time per base folder: a build holds the lock alone, uploads share it, so no
// build swaps the web folder's files under an upload or under another build.
#pragma once

#include "store/Status.h"

#include <string>

namespace qle::app {

inline constexpr const char* kLockFileName = "QuillonEngine.lock";

class BaseFolderLock
{
public:
    enum class Mode {
        Build,  // alone: refused while anything else holds the lock
        Upload, // shared with other uploads, refused while a build holds it
    };

    // Takes the lock of the folder without waiting. A build's `siteName` is recorded so that a
    // refused caller can be told which site is being built. The refusal (code Cancelled) says who
    // holds the lock and what to do.
    static Result<BaseFolderLock> acquire(const std::string& baseFolder, Mode mode, const std::string& siteName = {});

    BaseFolderLock(BaseFolderLock&& other) noexcept;
    BaseFolderLock& operator=(BaseFolderLock&& other) noexcept;
    BaseFolderLock(const BaseFolderLock&) = delete;
    BaseFolderLock& operator=(const BaseFolderLock&) = delete;
    // Releases the lock. The kernel releases it too when the process ends, however it ends.
    ~BaseFolderLock();

private:
    BaseFolderLock(int fd, Mode mode)
        : m_fd(fd)
        , m_mode(mode)
    {
    }
    void release();

    int m_fd = -1;
    Mode m_mode = Mode::Upload;
    bool m_held = false; // false while acquire() is still trying: a refused build must not clear the holder's name
};

} // namespace qle::app
