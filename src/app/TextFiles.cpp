#include "app/TextFiles.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace qle::app {

namespace {

// Writes all of `text` and closes `fd`; returns the errno of the first failure, or 0.
int WriteAllAndClose(int fd, const std::string& text)
{
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            ::close(fd);
            return error;
        }
        written += static_cast<std::size_t>(n);
    }
    return ::close(fd) == 0 ? 0 : errno;
}

Status WriteError(const std::string& path, int error)
{
    return Status::IoError("Cannot write " + path + ": " + std::strerror(error));
}

} // namespace

Status WriteTextFile(const std::string& path, const std::string& text)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return Status::IoError("Cannot create " + path + ": " + std::strerror(errno));
    if (const int error = WriteAllAndClose(fd, text))
        return WriteError(path, error);
    return Status::OK();
}

Status WriteOwnerOnlyFile(const std::string& path, const std::string& text)
{
    std::string tempPath = path + ".XXXXXX";
    const int fd = ::mkostemp(tempPath.data(), O_CLOEXEC); // mkostemp creates with mode 0600
    if (fd < 0)
        return Status::IoError("Cannot create " + path + ": " + std::strerror(errno));
    int error = WriteAllAndClose(fd, text);
    if (!error && ::rename(tempPath.c_str(), path.c_str()) != 0)
        error = errno;
    if (error) {
        ::unlink(tempPath.c_str());
        return WriteError(path, error);
    }
    return Status::OK();
}

} // namespace qle::app
