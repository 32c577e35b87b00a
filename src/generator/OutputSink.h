// The one place generated files are written: the web folder on disk, or memory for tests.
#pragma once

#include "generator/BuiltFiles.h"
#include "store/Status.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace qle::generator {

class OutputSink
{
public:
    virtual ~OutputSink() = default;

    // Creates or replaces the file at `relativePath` (below the output folder, '/' separated)
    // with `bytes`, in one write. The error names the file and the cause.
    virtual Status writeFile(const std::string& relativePath, std::string_view bytes) = 0;

    // A file given in pieces: `make` hands each piece in order to the writer it is given, and stops
    // at (and returns) the first error the writer returns.
    using PieceWriter = std::function<Status(std::string_view piece)>;
    using PieceMaker = std::function<Status(const PieceWriter& write)>;

    // Creates or replaces the file at `relativePath` with the pieces `make` gives, one after another,
    // for a file too long to be held whole. `make` may be called more than once and must give the
    // same bytes each time. By default the pieces are joined and written with writeFile.
    virtual Status writePieces(const std::string& relativePath, const PieceMaker& make);

    // Creates or replaces the file at `relativePath` with a copy of the picture at `sourcePath`.
    // A source that cannot be used (missing, unreadable, not a regular file, not a picture; see
    // PictureFile) fails with NotFound or InvalidArgument naming the source, and nothing is left
    // at the target; a failed write is an IoError naming the target.
    virtual Status copyFile(const std::string& sourcePath, const std::string& relativePath) = 0;

    // Creates or replaces the file at `relativePath` with the file at `sourcePath`, a picture the
    // build made itself: a hard link where the file system allows one (so nothing is copied), a
    // copy elsewhere. Errors name the file that failed.
    virtual Status linkFile(const std::string& sourcePath, const std::string& relativePath) = 0;

    // Waits until every file handed over is written; the first error of any write, if one failed.
    virtual Status finish() { return Status::OK(); }
};

// Writes below a folder on disk, never through a link. REQUIRES: the sub-folders written to exist.
//
// Pages are written by a thread of the sink's own while the build makes the next ones, so the
// kernel's work of creating thousands of files overlaps with the build's. writeFile() hands a copy
// of the page over (waiting while a few megabytes are queued) and returns the first error of any
// earlier write; finish() returns once everything is on disk. A page of a few megabytes or more,
// and every file given in pieces, is written by the caller once the queue is empty, never copied:
// the memory a build holds stays at a few megabytes besides the page being written. Files are
// written in the order given, so a later page of the same name wins as it would with direct writes.
//
// Given the list of what the live folder holds (keepUnchanged), a file whose bytes are those the
// list names for its path, or a picture whose source's size and time stamp are those recorded, is
// not written: the live file is hard linked in its place (same inode, same time stamp), provided
// it is still exactly as the list says. Files are always created anew, so a later write of the
// same path never writes through such a link into the live folder.
class DiskSink final : public OutputSink
{
public:
    // `folder` ends in '/'.
    explicit DiskSink(std::string folder);
    // Waits for the queued writes (their errors are for finish() to report).
    ~DiskSink() override;
    DiskSink(const DiskSink&) = delete;
    DiskSink& operator=(const DiskSink&) = delete;

    Status writeFile(const std::string& relativePath, std::string_view bytes) override;
    // Made twice when the last build listed the path: hashed first, so that an unchanged file is
    // kept without being written, then written.
    Status writePieces(const std::string& relativePath, const PieceMaker& make) override;
    Status copyFile(const std::string& sourcePath, const std::string& relativePath) override;
    Status linkFile(const std::string& sourcePath, const std::string& relativePath) override;
    Status finish() override;

    // Keeps unchanged files of `liveFolder` (ending in '/'), as `previous` lists them. Call before
    // the first file is handed over; `previous` must outlive the sink.
    void keepUnchanged(const BuiltFiles& previous, std::string liveFolder);

    // After finish(): the relative path of every file written (not kept), in the order written; a
    // file written twice is named twice.
    const std::vector<std::string>& writtenFiles() const { return m_written; }
    // After finish(): every file placed, written or kept, as the next build's list.
    const BuiltFiles& builtFiles() const { return m_built; }
    std::size_t keptFiles() const { return m_kept; }

private:
    struct Queue;
    void writeQueued();
    // Waits until the writer thread has written everything queued; its first error, if any.
    Status drain();
    Status place(const std::string& relativePath, std::string_view bytes);
    const BuiltFile* previous(const std::string& relativePath) const;
    bool keep(const std::string& relativePath, const BuiltFile& file);
    void record(const std::string& relativePath, BuiltFile file, bool written);

    std::string m_folder;
    const BuiltFiles* m_previous = nullptr;
    std::string m_liveFolder;
    std::mutex m_recording; // pages are placed by the writer thread, pictures by the caller's
    std::vector<std::string> m_written;
    BuiltFiles m_built;
    std::size_t m_kept = 0;
    std::unique_ptr<Queue> m_queue;
    std::thread m_writer;
};

// Keeps every file in memory, by relative path. Copies read the source from disk.
class MemorySink final : public OutputSink
{
public:
    Status writeFile(const std::string& relativePath, std::string_view bytes) override;
    Status writePieces(const std::string& relativePath, const PieceMaker& make) override;
    Status copyFile(const std::string& sourcePath, const std::string& relativePath) override;
    Status linkFile(const std::string& sourcePath, const std::string& relativePath) override;

    const std::map<std::string, std::string>& files() const { return m_files; }
    // The bytes of a file, moved out (the file is left empty); empty when there is none.
    std::string takeFile(const std::string& relativePath);

private:
    std::map<std::string, std::string> m_files;
};

} // namespace qle::generator
