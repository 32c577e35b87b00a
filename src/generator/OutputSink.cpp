#include "generator/OutputSink.h"

#include "app/TextFiles.h"
#include "generator/PictureFile.h"

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <mutex>
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

Status WriteWholeFile(const std::string& path, std::string_view bytes)
{
    const int fd = CreateOutputFile(path);
    if (fd < 0)
        return WriteError(path, errno);
    // One write normally takes the whole page; WriteAll only loops on a short write.
    if (const int error = app::WriteAll(fd, bytes); error != 0) {
        ::close(fd);
        return WriteError(path, error);
    }
    // A full disk may only show when the file is closed.
    if (::close(fd) != 0)
        return WriteError(path, errno);
    return Status::OK();
}

Status PictureError(const std::string& sourcePath, const Status& reason)
{
    return reason.withContext("The picture " + sourcePath + " cannot be copied");
}

} // namespace

// Enough pages in flight to keep the writer busy, few enough to keep the build's memory small.
constexpr std::size_t kQueuedBytesLimit = 4 * 1024 * 1024;

struct DiskSink::Queue
{
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::pair<std::string, std::string>> files; // full path, bytes
    std::size_t bytes = 0;
    bool writing = false; // the writer holds a file it took from the queue
    bool closing = false;
    Status firstError;
};

DiskSink::DiskSink(std::string folder)
    : m_folder(std::move(folder))
    , m_queue(std::make_unique<Queue>())
    , m_writer([this] { writeQueued(); })
{
}

DiskSink::~DiskSink()
{
    {
        std::lock_guard lock(m_queue->mutex);
        m_queue->closing = true;
    }
    m_queue->changed.notify_all();
    m_writer.join();
}

Status DiskSink::writeFile(const std::string& relativePath, std::string_view bytes)
{
    std::unique_lock lock(m_queue->mutex);
    m_queue->changed.wait(lock, [this] { return m_queue->bytes < kQueuedBytesLimit || !m_queue->firstError.ok(); });
    if (!m_queue->firstError.ok())
        return m_queue->firstError;
    m_queue->files.emplace_back(m_folder + relativePath, std::string(bytes));
    m_queue->bytes += bytes.size();
    lock.unlock();
    m_written.push_back(relativePath);
    m_queue->changed.notify_all();
    return Status::OK();
}

Status DiskSink::finish()
{
    std::unique_lock lock(m_queue->mutex);
    m_queue->changed.wait(lock, [this] { return m_queue->files.empty() && !m_queue->writing; });
    return m_queue->firstError;
}

void DiskSink::writeQueued()
{
    std::unique_lock lock(m_queue->mutex);
    for (;;) {
        m_queue->changed.wait(lock, [this] { return !m_queue->files.empty() || m_queue->closing; });
        if (m_queue->files.empty())
            return;
        auto [path, bytes] = std::move(m_queue->files.front());
        m_queue->files.pop_front();
        m_queue->writing = true;
        lock.unlock();

        Status status = WriteWholeFile(path, bytes);

        lock.lock();
        m_queue->writing = false;
        m_queue->bytes -= bytes.size();
        if (!status.ok() && m_queue->firstError.ok()) {
            m_queue->firstError = status;
            m_queue->files.clear(); // the build stops at the first failure
            m_queue->bytes = 0;
        }
        m_queue->changed.notify_all();
    }
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
    m_written.push_back(relativePath);
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
        if ((error = app::WriteAll(fd, std::string_view(buffer, static_cast<std::size_t>(n)))) != 0)
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

Status DiskSink::linkFile(const std::string& sourcePath, const std::string& relativePath)
{
    const std::string target = m_folder + relativePath;
    if (::unlink(target.c_str()) != 0 && errno != ENOENT)
        return WriteError(target, errno);
    if (::link(sourcePath.c_str(), target.c_str()) == 0)
        return Status::OK();
    // Another file system, or one without hard links: a copy does the same.
    if (errno != EXDEV && errno != EPERM && errno != EMLINK && errno != ENOTSUP)
        return WriteError(target, errno);
    return copyFile(sourcePath, relativePath);
}

Status MemorySink::linkFile(const std::string& sourcePath, const std::string& relativePath)
{
    return copyFile(sourcePath, relativePath);
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
