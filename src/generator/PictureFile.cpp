#include "generator/PictureFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace qle::generator {

namespace {

// Enough of the start of a file to find an SVG root element behind an XML prolog and comments.
constexpr std::size_t kHeadBytes = 4096;

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

bool LooksLikeSvg(std::string_view head)
{
    if (StartsWith(head, "\xEF\xBB\xBF"))
        head.remove_prefix(3);
    const auto first = head.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos || head[first] != '<')
        return false;
    return head.find("<svg") != std::string_view::npos;
}

} // namespace

bool LooksLikePicture(std::string_view head)
{
    using namespace std::string_view_literals;
    return StartsWith(head, "GIF87a") || StartsWith(head, "GIF89a") || StartsWith(head, "\xFF\xD8\xFF") ||
           StartsWith(head, "\x89PNG\r\n\x1A\n") || StartsWith(head, "BM") ||
           (StartsWith(head, "RIFF") && head.size() >= 12 && head.substr(8, 4) == "WEBP") ||
           StartsWith(head, "\0\0\1\0"sv) || LooksLikeSvg(head);
}

Result<PictureFile> PictureFile::open(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return Status::NotFound(errno == ENOENT ? "it does not exist"
                                                : std::string("it cannot be read: ") + std::strerror(errno));
    PictureFile file(fd);
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return Status::InvalidArgument("it is not a regular file");
    std::string head(kHeadBytes, '\0');
    const ssize_t n = ::pread(fd, head.data(), head.size(), 0);
    if (n < 0)
        return Status::NotFound(std::string("it cannot be read: ") + std::strerror(errno));
    head.resize(static_cast<std::size_t>(n));
    if (!LooksLikePicture(head))
        return Status::InvalidArgument("its content is not a picture");
    return file;
}

PictureFile::PictureFile(PictureFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
{
}

PictureFile& PictureFile::operator=(PictureFile&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

PictureFile::~PictureFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool PictureFile::isSameFileAs(const std::string& path) const
{
    struct stat mine
    {
    }, other {};
    return ::fstat(m_fd, &mine) == 0 && ::lstat(path.c_str(), &other) == 0 && mine.st_dev == other.st_dev &&
           mine.st_ino == other.st_ino;
}

long PictureFile::read(char* buffer, std::size_t size)
{
    ssize_t n;
    do
        n = ::read(m_fd, buffer, size);
    while (n < 0 && errno == EINTR);
    return static_cast<long>(n);
}

} // namespace qle::generator
