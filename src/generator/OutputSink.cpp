#include "generator/OutputSink.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace qle::generator {

namespace {

Status WriteError(const std::string& path, int error)
{
    return Status::IoError("Cannot write " + path + ": " + std::strerror(error));
}

} // namespace

Status DiskSink::writeFile(const std::string& relativePath, std::string_view bytes)
{
    const std::string path = m_folder + relativePath;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return WriteError(path, errno);
    // One write normally takes the whole page; the loop only covers a short write.
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            ::close(fd);
            return WriteError(path, error);
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    // A full disk may only show when the file is closed.
    if (::close(fd) != 0)
        return WriteError(path, errno);
    return Status::OK();
}

Status DiskSink::copyFile(const std::string& sourcePath, const std::string& relativePath)
{
    namespace fs = std::filesystem;
    const std::string target = m_folder + relativePath;
    std::error_code ec;
    if (!fs::is_regular_file(sourcePath, ec))
        return Status::NotFound("No picture file " + sourcePath);
    // copy_file refuses to copy a file onto itself rather than truncating it.
    if (!fs::copy_file(sourcePath, target, fs::copy_options::overwrite_existing, ec))
        return Status::IoError("Cannot copy " + sourcePath + " to " + target + ": " + ec.message());
    return Status::OK();
}

Status MemorySink::writeFile(const std::string& relativePath, std::string_view bytes)
{
    m_files[relativePath] = std::string(bytes);
    return Status::OK();
}

Status MemorySink::copyFile(const std::string& sourcePath, const std::string& relativePath)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(sourcePath, ec))
        return Status::NotFound("No picture file " + sourcePath);
    std::ifstream in(sourcePath, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    m_files[relativePath] = bytes.str();
    return Status::OK();
}

} // namespace qle::generator
