#include "app/Durable.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace qle::app {

namespace {

Status SyncFailure(const char* what, const std::string& path, int error)
{
    return Status::IoError(std::string(what) + " " + path + " to the disk: " + std::strerror(error));
}

} // namespace

Status SyncPath(const std::string& path)
{
    // O_RDONLY opens a folder as well as a file; fsync needs no write access.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return SyncFailure("Cannot write", path, errno);
    const int error = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return error == 0 ? Status::OK() : SyncFailure("Cannot write", path, error);
}

Status SyncWritten(const std::vector<std::string>& files, const std::vector<std::string>& folders)
{
    if (files.size() > kFewFiles) {
        const int fd = ::open(folders.front().c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return SyncFailure("Cannot write the files in", folders.front(), errno);
        const int error = ::syncfs(fd) == 0 ? 0 : errno;
        ::close(fd);
        return error == 0 ? Status::OK() : SyncFailure("Cannot write the files in", folders.front(), error);
    }
    // Each file's content before the folders that name it.
    for (const std::vector<std::string>* paths : {&files, &folders})
        for (const std::string& path : *paths)
            if (Status s = SyncPath(path); !s.ok())
                return s;
    return Status::OK();
}

} // namespace qle::app
