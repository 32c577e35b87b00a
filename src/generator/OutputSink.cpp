#include "generator/OutputSink.h"

#include "generator/PictureFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace qle::generator {

namespace {

Status WriteError(const std::string& path, int error)
{
    return Status::IoError("Cannot write " + path + ": " + std::strerror(error));
}

// O_NOFOLLOW: a link in the output folder is never written through.
int CreateOutputFile(const std::string& path)
{
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
}

// Writes all of `bytes`; a short write that makes no progress is a full disk.
int WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : ENOSPC;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}

Status PictureError(const std::string& sourcePath, const Status& reason)
{
    return reason.withContext("The picture " + sourcePath + " cannot be copied");
}

} // namespace

Status DiskSink::writeFile(const std::string& relativePath, std::string_view bytes)
{
    const std::string path = m_folder + relativePath;
    const int fd = CreateOutputFile(path);
    if (fd < 0)
        return WriteError(path, errno);
    // One write normally takes the whole page; WriteAll only loops on a short write.
    if (const int error = WriteAll(fd, bytes.data(), bytes.size()); error != 0) {
        ::close(fd);
        return WriteError(path, error);
    }
    // A full disk may only show when the file is closed.
    if (::close(fd) != 0)
        return WriteError(path, errno);
    return Status::OK();
}

Status DiskSink::copyFile(const std::string& sourcePath, const std::string& relativePath)
{
    auto source = PictureFile::open(sourcePath);
    if (!source)
        return PictureError(sourcePath, source.status());
    const std::string target = m_folder + relativePath;
    // Opening the copy would empty it before it is read.
    if (source->isSameFileAs(target))
        return PictureError(sourcePath, Status::InvalidArgument("it is the copy itself"));
    const int fd = CreateOutputFile(target);
    if (fd < 0)
        return WriteError(target, errno);
    char buffer[64 * 1024];
    int error = 0;
    bool readFailed = false;
    for (;;) {
        const long n = source->read(buffer, sizeof buffer);
        if (n < 0) {
            error = errno;
            readFailed = true;
            break;
        }
        if (n == 0)
            break;
        if ((error = WriteAll(fd, buffer, static_cast<std::size_t>(n))) != 0)
            break;
    }
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0)
        return Status::OK();
    // No truncated picture is left behind, whichever side failed.
    ::unlink(target.c_str());
    if (readFailed)
        return PictureError(sourcePath, Status::NotFound(std::string("it cannot be read: ") + std::strerror(error)));
    return WriteError(target, error);
}

Status MemorySink::writeFile(const std::string& relativePath, std::string_view bytes)
{
    m_files[relativePath] = std::string(bytes);
    return Status::OK();
}

Status MemorySink::copyFile(const std::string& sourcePath, const std::string& relativePath)
{
    auto source = PictureFile::open(sourcePath);
    if (!source)
        return PictureError(sourcePath, source.status());
    std::string bytes;
    char buffer[64 * 1024];
    long n;
    while ((n = source->read(buffer, sizeof buffer)) > 0)
        bytes.append(buffer, static_cast<std::size_t>(n));
    if (n < 0)
        return PictureError(sourcePath, Status::NotFound(std::string("it cannot be read: ") + std::strerror(errno)));
    m_files[relativePath] = std::move(bytes);
    return Status::OK();
}

} // namespace qle::generator
