#include "app/TextFiles.h"

#include "app/Durable.h"
#include "app/Paths.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace qle::app {

std::optional<std::string> ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return std::nullopt;
    std::string text(static_cast<std::size_t>(std::max<std::streamoff>(0, in.tellg())), '\0');
    in.seekg(0);
    if (!in.read(text.data(), static_cast<std::streamsize>(text.size())))
        return std::nullopt;
    return text;
}

std::optional<MappedFile> MappedFile::open(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat info
    {
    };
    std::optional<MappedFile> file;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        const auto size = static_cast<std::size_t>(info.st_size);
        void* data = size == 0 ? nullptr : ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (data != MAP_FAILED)
            file = MappedFile(data, data ? size : 0);
    }
    ::close(fd);
    return file;
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr))
    , m_size(std::exchange(other.m_size, 0))
{
}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept
{
    if (this != &other) {
        if (m_data)
            ::munmap(m_data, m_size);
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}

MappedFile::~MappedFile()
{
    if (m_data)
        ::munmap(m_data, m_size);
}

namespace {

Status ReplaceFile(const std::string& path, const std::string& text, mode_t mode, bool durable = false)
{
    std::string tempPath = path + ".XXXXXX";
    const int fd = ::mkostemp(tempPath.data(), O_CLOEXEC); // mkostemp creates with mode 0600
    if (fd < 0)
        return Status::IoError("Cannot create " + path + ": " + std::strerror(errno));
    int error = mode == 0600 || ::fchmod(fd, mode) == 0 ? WriteAll(fd, text) : errno;
    if (!error && durable && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && !error)
        error = errno; // a full disk may only show when the file is closed
    if (!error && ::rename(tempPath.c_str(), path.c_str()) != 0)
        error = errno;
    if (error) {
        ::unlink(tempPath.c_str());
        return Status::IoError("Cannot write " + path + ": " + std::strerror(error));
    }
    if (durable) {
        const std::string folder = FolderOfPath(path);
        return SyncPath(!folder.empty() ? folder : path.front() == '/' ? "/" : ".");
    }
    return Status::OK();
}

} // namespace

int WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : ENOSPC;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

Status WriteTextFile(const std::string& path, const std::string& text)
{
    return ReplaceFile(path, text, 0644);
}

Status WriteOwnerOnlyFile(const std::string& path, const std::string& text)
{
    return ReplaceFile(path, text, 0600);
}

Status WriteOwnerOnlyFileDurably(const std::string& path, const std::string& text)
{
    return ReplaceFile(path, text, 0600, true);
}

} // namespace qle::app
