#include "generator/OutputSink.h"

#include "app/Sha256.h"
#include "app/TextFiles.h"
#include "generator/PictureFile.h"

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace qle::generator {

namespace {

Status WriteError(const std::string& path, int error)
{
    return Status::IoError("Cannot write " + path + ": " + std::strerror(error));
}

// Always a new file (O_EXCL, after removing what the path held): the path may be a link to a live
// file that must never be written through. O_NOFOLLOW: nor is a symbolic link.
int CreateOutputFile(const std::string& path)
{
    constexpr int kFlags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW;
    int fd = ::open(path.c_str(), kFlags, 0644);
    if (fd < 0 && errno == EEXIST && ::unlink(path.c_str()) == 0)
        fd = ::open(path.c_str(), kFlags, 0644);
    return fd;
}

// Writes the file and returns its status once written (its time stamp and inode for the list).
Result<struct stat> WriteWholeFile(const std::string& path, std::string_view bytes)
{
    const int fd = CreateOutputFile(path);
    if (fd < 0)
        return WriteError(path, errno);
    // One write normally takes the whole page; WriteAll only loops on a short write.
    struct stat info
    {
    };
    int error = app::WriteAll(fd, bytes);
    if (error == 0 && ::fstat(fd, &info) != 0)
        error = errno;
    if (error != 0) {
        ::close(fd);
        return WriteError(path, error);
    }
    // A full disk may only show when the file is closed.
    if (::close(fd) != 0)
        return WriteError(path, errno);
    return info;
}

// Puts a hard link to `from` at `to`, replacing what `to` held.
bool LinkReplacing(const std::string& from, const std::string& to)
{
    if (::link(from.c_str(), to.c_str()) == 0)
        return true;
    return errno == EEXIST && ::unlink(to.c_str()) == 0 && ::link(from.c_str(), to.c_str()) == 0;
}

std::int64_t ModifiedNs(const struct stat& info)
{
    return static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
}

Status PictureError(const std::string& sourcePath, const Status& reason)
{
    return reason.withContext("The picture " + sourcePath + " cannot be copied");
}

// A file as placed, with what its page was made from.
BuiltFile Remade(BuiltFile file, const BuiltFile& origin)
{
    file.inputs = origin.inputs;
    file.pictures = origin.pictures;
    return file;
}

} // namespace

// Enough pages in flight to keep the writer busy, few enough to keep the build's memory small.
constexpr std::size_t kQueuedBytesLimit = 4 * 1024 * 1024;

// A file handed to the writer thread: bytes to write, or the last build's file to keep.
struct DiskSink::Queued
{
    std::string path; // relative
    std::string bytes;
    BuiltFile origin;                // what a page was made from
    const BuiltFile* kept = nullptr; // set: keep the live file the last build listed so
};

struct DiskSink::Queue
{
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Queued> files;
    std::size_t bytes = 0;
    bool writing = false; // the writer holds a file it took from the queue
    bool closing = false;
    Status firstError;
};

// The live folder's subfolders, each opened once (-1 for one that cannot be), so that checking a
// file looks up its own name only: on every kept page, cheaper than its whole path.
class DiskSink::LiveFolders
{
public:
    explicit LiveFolders(std::string folder)
        : m_folder(std::move(folder))
    {
    }
    ~LiveFolders()
    {
        for (const auto& [folder, fd] : m_open)
            if (fd >= 0)
                ::close(fd);
    }
    LiveFolders(const LiveFolders&) = delete;
    LiveFolders& operator=(const LiveFolders&) = delete;

    // IsStillAsBuilt for the file at `relativePath` below the live folder.
    bool isStillAsBuilt(const std::string& relativePath, const BuiltFile& file)
    {
        const std::size_t slash = relativePath.rfind('/');
        const int fd = slash == std::string::npos ? -1 : open(std::string_view(relativePath.data(), slash));
        return fd >= 0 ? IsStillAsBuilt(fd, relativePath.c_str() + slash + 1, file)
                       : IsStillAsBuilt(m_folder + relativePath, file);
    }

private:
    int open(std::string_view folder)
    {
        auto it = m_open.find(folder);
        if (it == m_open.end()) {
            const std::string path = m_folder + std::string(folder);
            it = m_open.emplace(folder, ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW)).first;
        }
        return it->second;
    }

    std::string m_folder;
    std::map<std::string, int, std::less<>> m_open;
};

// Checks, on a thread of its own, that the pages the last build listed are still as it left them
// in the live folder, so that the build's thread mostly finds the answer ready: on a large site
// the lookups are a good part of a rebuild. The build's thread looks up what is not yet known
// itself; both give the same answer.
class DiskSink::LiveCheck
{
public:
    LiveCheck(const BuiltFiles& previous, std::string liveFolder)
        : m_list(previous)
        , m_files(previous.files())
        , m_state(std::make_unique<std::atomic<std::uint8_t>[]>(m_files.size()))
        , m_folder(std::move(liveFolder))
        , m_thread([this](std::stop_token stop) { run(stop); })
    {
    }

    // Whether `file` (an entry of the list) is still as built, when already known.
    std::optional<bool> known(const BuiltFile& file) const
    {
        const std::size_t index = m_list.indexOf(file);
        if (index == m_files.size())
            return std::nullopt;
        const std::uint8_t state = m_state[index].load(std::memory_order_acquire);
        return state == kUnknown ? std::nullopt : std::optional<bool>(state == kIntact);
    }

private:
    static constexpr std::uint8_t kUnknown = 0, kIntact = 1, kChanged = 2;

    void run(const std::stop_token& stop)
    {
        LiveFolders folders(m_folder);
        for (std::size_t i = 0; i < m_files.size() && !stop.stop_requested(); ++i) {
            const auto& [path, file] = m_files[i];
            // Only pages are kept without being made.
            if (!file.inputs.empty() && m_state[i].load(std::memory_order_relaxed) == kUnknown)
                m_state[i].store(folders.isStillAsBuilt(path, file) ? kIntact : kChanged, std::memory_order_release);
        }
    }

    const BuiltFiles& m_list;
    const std::vector<BuiltFiles::Entry>& m_files;
    std::unique_ptr<std::atomic<std::uint8_t>[]> m_state;
    std::string m_folder;
    std::jthread m_thread; // last: stopped and joined first
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

namespace {

Result<std::string> Joined(const OutputSink::PieceMaker& make)
{
    std::string bytes;
    if (Status s = make([&bytes](std::string_view piece) {
            bytes += piece;
            return Status::OK();
        });
        !s.ok())
        return s;
    return bytes;
}

} // namespace

Status OutputSink::writePieces(const std::string& relativePath, const PieceMaker& make, const BuiltFile& origin)
{
    auto bytes = Joined(make);
    return bytes ? writePage(relativePath, bytes.value(), origin) : bytes.status();
}

Status DiskSink::drain()
{
    std::unique_lock lock(m_queue->mutex);
    m_queue->changed.wait(lock, [this] { return m_queue->files.empty() && !m_queue->writing; });
    return m_queue->firstError;
}

Status DiskSink::writeFile(const std::string& relativePath, std::string_view bytes)
{
    return writePage(relativePath, bytes, {});
}

Status DiskSink::writePage(const std::string& relativePath, std::string_view bytes, const BuiltFile& origin)
{
    // A large page is not copied into the queue: the queue never holds more than its limit and one
    // smaller page.
    if (bytes.size() >= kQueuedBytesLimit) {
        if (Status s = drain(); !s.ok())
            return s;
        return place(relativePath, bytes, origin);
    }
    return enqueue({relativePath, std::string(bytes), origin, nullptr});
}

const BuiltFile* DiskSink::lastBuilt(const std::string& relativePath) const
{
    return previous(relativePath);
}

bool DiskSink::keepPage(const std::string& relativePath, const BuiltFile& last)
{
    // Checked here, so that a page changed by hand is made again.
    if (!isStillAsBuilt(relativePath, last))
        return false;
    // Left in place, it needs the writer only to come after an earlier write of the same name.
    if (!m_handedOver.contains(relativePath)) {
        placeKept(relativePath, last);
        return true;
    }
    return enqueue({relativePath, {}, {}, &last}).ok();
}

Status DiskSink::enqueue(Queued file)
{
    if (!file.kept)
        m_handedOver.insert(file.path);
    std::unique_lock lock(m_queue->mutex);
    m_queue->changed.wait(lock, [this] { return m_queue->bytes < kQueuedBytesLimit || !m_queue->firstError.ok(); });
    if (!m_queue->firstError.ok())
        return m_queue->firstError;
    m_queue->bytes += file.bytes.size();
    m_queue->files.push_back(std::move(file));
    lock.unlock();
    m_queue->changed.notify_all();
    return Status::OK();
}

Status DiskSink::finish()
{
    return drain();
}

Status DiskSink::writePieces(const std::string& relativePath, const PieceMaker& make, const BuiltFile& origin)
{
    if (Status s = drain(); !s.ok())
        return s;
    if (const BuiltFile* old = previous(relativePath); old && old->sourceSize < 0) {
        app::Sha256 hashing;
        std::uint64_t size = 0;
        Status made = make([&](std::string_view piece) {
            hashing.add(piece);
            size += piece.size();
            return Status::OK();
        });
        if (!made.ok())
            return made;
        if (old->size == size && old->sha256 == hashing.hex() && keep(relativePath, Remade(*old, origin)))
            return Status::OK();
    }
    app::Sha256 digest;
    const std::string target = m_folder + relativePath;
    const int fd = CreateOutputFile(target);
    if (fd < 0)
        return WriteError(target, errno);
    Status status = make([&](std::string_view piece) {
        digest.add(piece);
        const int error = app::WriteAll(fd, piece);
        return error == 0 ? Status::OK() : WriteError(target, error);
    });
    struct stat info
    {
    };
    if (status.ok() && ::fstat(fd, &info) != 0)
        status = WriteError(target, errno);
    if (::close(fd) != 0 && status.ok())
        status = WriteError(target, errno);
    if (!status.ok())
        return status;
    record(relativePath, Remade(BuiltFileOf(info, digest.hex()), origin), true);
    return Status::OK();
}

void DiskSink::writeQueued()
{
    std::unique_lock lock(m_queue->mutex);
    for (;;) {
        m_queue->changed.wait(lock, [this] { return !m_queue->files.empty() || m_queue->closing; });
        if (m_queue->files.empty())
            return;
        Queued file = std::move(m_queue->files.front());
        m_queue->files.pop_front();
        m_queue->writing = true;
        lock.unlock();

        Status status;
        if (file.kept)
            placeKept(file.path, *file.kept);
        else
            status = place(file.path, file.bytes, file.origin);

        lock.lock();
        m_queue->writing = false;
        m_queue->bytes -= file.bytes.size();
        if (!status.ok() && m_queue->firstError.ok()) {
            m_queue->firstError = status;
            m_queue->files.clear(); // the build stops at the first failure
            m_queue->bytes = 0;
        }
        m_queue->changed.notify_all();
    }
}

void DiskSink::keepUnchanged(const BuiltFiles& previous, std::string liveFolder)
{
    m_previous = &previous;
    m_liveFolder = std::move(liveFolder);
    m_liveFolders = std::make_unique<LiveFolders>(m_liveFolder);
    if (previous.size() > 0)
        m_liveCheck = std::make_unique<LiveCheck>(previous, m_liveFolder);
}

bool DiskSink::isStillAsBuilt(const std::string& relativePath, const BuiltFile& last)
{
    if (m_liveCheck)
        if (const std::optional<bool> known = m_liveCheck->known(last))
            return *known;
    return m_liveFolders ? m_liveFolders->isStillAsBuilt(relativePath, last)
                         : IsStillAsBuilt(m_liveFolder + relativePath, last);
}

const BuiltFile* DiskSink::previous(const std::string& relativePath) const
{
    return m_previous ? m_previous->find(relativePath) : nullptr;
}

// The live file is linked only while it is still what the list says: a file changed by hand, or
// one a killed build wrote after the list was made, has another size, time stamp or inode.
bool DiskSink::keep(const std::string& relativePath, const BuiltFile& file)
{
    const std::string live = m_liveFolder + relativePath;
    if (!IsStillAsBuilt(live, file))
        return false;
    record(relativePath, file, false);
    return true;
}

void DiskSink::record(const std::string& relativePath, BuiltFile file, bool written)
{
    std::lock_guard lock(m_recording);
    m_built.put(relativePath, std::move(file));
    if (written) {
        if (m_writtenNow.insert(relativePath).second)
            m_written.push_back(relativePath);
        return;
    }
    countKept(relativePath);
}

void DiskSink::countKept(const std::string& relativePath)
{
    ++m_kept;
    // Kept where it is, a later file of a name wins over an earlier one written aside only if the
    // earlier one is not committed.
    if (m_writtenNow.erase(relativePath)) {
        ::unlink((m_folder + relativePath).c_str());
        std::erase(m_written, relativePath);
    }
}

void DiskSink::placeKept(const std::string& relativePath, const BuiltFile& last)
{
    std::lock_guard lock(m_recording);
    m_built.putListed(*m_previous, relativePath, last);
    ++m_keptPages;
    countKept(relativePath);
}

Status DiskSink::place(const std::string& relativePath, std::string_view bytes, const BuiltFile& origin)
{
    std::string sha256 = app::Sha256Hex(bytes);
    const BuiltFile* old = previous(relativePath);
    if (old && old->sourceSize < 0 && old->size == bytes.size() && old->sha256 == sha256 &&
        keep(relativePath, Remade(*old, origin)))
        return Status::OK();
    auto written = WriteWholeFile(m_folder + relativePath, bytes);
    if (!written)
        return written.status();
    record(relativePath, Remade(BuiltFileOf(*written, sha256), origin), true);
    return Status::OK();
}

Status DiskSink::copyFile(const std::string& sourcePath, const std::string& relativePath)
{
    // A picture whose source has its recorded size and time stamp is not read again.
    struct stat sourceInfo
    {
    };
    const bool known = ::stat(sourcePath.c_str(), &sourceInfo) == 0 && S_ISREG(sourceInfo.st_mode);
    if (const BuiltFile* old = previous(relativePath); known && old && old->sourceSize == sourceInfo.st_size &&
                                                       old->sourceMtimeNs == ModifiedNs(sourceInfo) &&
                                                       keep(relativePath, *old))
        return Status::OK();

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
    app::Sha256 digest;
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
        const std::string_view block(buffer, static_cast<std::size_t>(n));
        digest.add(block);
        if ((error = app::WriteAll(fd, block)) != 0)
            break;
    }
    struct stat info
    {
    };
    if (error == 0 && ::fstat(fd, &info) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0) {
        BuiltFile file = BuiltFileOf(info, digest.hex());
        if (known) {
            file.sourceSize = sourceInfo.st_size;
            file.sourceMtimeNs = ModifiedNs(sourceInfo);
        }
        record(relativePath, std::move(file), true);
        return Status::OK();
    }
    // No truncated picture is left behind, whichever side failed.
    ::unlink(target.c_str());
    if (readFailed)
        return PictureError(sourcePath, Status::NotFound(std::string("it cannot be read: ") + std::strerror(error)));
    return WriteError(target, error);
}

Status DiskSink::linkFile(const std::string& sourcePath, const std::string& relativePath)
{
    // The build's own pictures are never changed in place: the same inode is the same file.
    struct stat info
    {
    };
    if (::stat(sourcePath.c_str(), &info) != 0)
        return WriteError(sourcePath, errno);
    const BuiltFile* old = previous(relativePath);
    const bool same = old && old->sourceSize < 0 && old->inode == static_cast<std::uint64_t>(info.st_ino) &&
                      old->size == static_cast<std::uint64_t>(info.st_size) && old->mtimeNs == ModifiedNs(info);
    if (same && keep(relativePath, *old))
        return Status::OK();
    const std::string target = m_folder + relativePath;
    if (!LinkReplacing(sourcePath, target)) {
        // Another file system, or one without hard links: a copy does the same.
        if (errno != EXDEV && errno != EPERM && errno != EMLINK && errno != ENOTSUP)
            return WriteError(target, errno);
        return copyFile(sourcePath, relativePath);
    }
    std::string sha256;
    if (same) {
        sha256 = old->sha256.str();
    } else {
        auto digest = app::Sha256OfFile(sourcePath);
        if (!digest)
            return digest.status();
        sha256 = std::move(digest->hex);
    }
    record(relativePath, BuiltFileOf(info, sha256), true);
    return Status::OK();
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

Status MemorySink::writePieces(const std::string& relativePath, const PieceMaker& make, const BuiltFile& /*origin*/)
{
    auto bytes = Joined(make);
    if (!bytes)
        return bytes.status();
    m_files[relativePath] = std::move(bytes.value());
    return Status::OK();
}

std::string MemorySink::takeFile(const std::string& relativePath)
{
    const auto it = m_files.find(relativePath);
    return it == m_files.end() ? std::string() : std::move(it->second);
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
