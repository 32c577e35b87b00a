// The one place generated files are written: the web folder on disk, or memory for tests.
#pragma once

#include "generator/BuiltFiles.h"
#include "store/Status.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_set>
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
    // same bytes each time. By default the pieces are joined and written with writePage. `origin`:
    // as writePage's.
    virtual Status writePieces(const std::string& relativePath, const PieceMaker& make, const BuiltFile& origin = {});

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

    // A page, as writeFile, made from what `origin.inputs` hashes and showing `origin.pictures`
    // (BuiltFile's fields), so that the next build can keep it without making it again.
    virtual Status writePage(const std::string& relativePath, std::string_view bytes, const BuiltFile& origin)
    {
        (void)origin;
        return writeFile(relativePath, bytes);
    }

    // What the last build placed at `relativePath`, when the sink keeps unchanged files; nullptr
    // otherwise (every page is made).
    virtual const BuiltFile* lastBuilt(const std::string& relativePath) const
    {
        (void)relativePath;
        return nullptr;
    }

    // Places the file the last build placed at `relativePath` (`last`, from lastBuilt) as it is,
    // in the order of the files handed over, and returns true; false when the file there is no
    // longer what the last build left (the page must then be made and written).
    virtual bool keepPage(const std::string& relativePath, const BuiltFile& last)
    {
        (void)relativePath, (void)last;
        return false;
    }
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
// list names for its path, a picture whose source's size and time stamp are those recorded, or a
// page the caller keeps without making it (keepPage), is not written: the live file stays where
// it is (same inode, same time stamp), provided it is still exactly as the list says. Files are
// always created anew, never written through a link.
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
    Status writePieces(const std::string& relativePath, const PieceMaker& make, const BuiltFile& origin = {}) override;
    Status copyFile(const std::string& sourcePath, const std::string& relativePath) override;
    Status linkFile(const std::string& sourcePath, const std::string& relativePath) override;
    Status finish() override;
    Status writePage(const std::string& relativePath, std::string_view bytes, const BuiltFile& origin) override;
    const BuiltFile* lastBuilt(const std::string& relativePath) const override;
    bool keepPage(const std::string& relativePath, const BuiltFile& last) override;

    // Keeps unchanged files of `liveFolder` (ending in '/'), as `previous` lists them, where they
    // are: the sink's folder then holds only the files written, for a commit that renames them
    // into the live folder. Call before the first file is handed over; `previous` must outlive the
    // sink.
    void keepUnchanged(const BuiltFiles& previous, std::string liveFolder);

    // After finish(): the relative path of every file written (not kept), each once, in the order
    // first written.
    const std::vector<std::string>& writtenFiles() const { return m_written; }
    // After finish(): every file placed, written or kept, as the next build's list.
    const BuiltFiles& builtFiles() const { return m_built; }
    std::size_t keptFiles() const { return m_kept; }
    // Pages kept without being made again (keepPage), a part of keptFiles().
    std::size_t keptPages() const { return m_keptPages; }

private:
    struct Queue;
    struct Queued;
    class LiveFolders;
    class LiveCheck;
    Status enqueue(Queued file);
    void writeQueued();
    // Waits until the writer thread has written everything queued; its first error, if any.
    Status drain();
    // Writes a file, or keeps the live one when the bytes are those listed; `origin` is what a
    // page was made from.
    Status place(const std::string& relativePath, std::string_view bytes, const BuiltFile& origin);
    void placeKept(const std::string& relativePath, const BuiltFile& last);
    const BuiltFile* previous(const std::string& relativePath) const;
    bool keep(const std::string& relativePath, const BuiltFile& file);
    void record(const std::string& relativePath, BuiltFile file, bool written);
    // REQUIRES: m_recording held.
    void countKept(const std::string& relativePath);
    // IsStillAsBuilt for a file of the live folder, looked up in its folder kept open.
    bool isStillAsBuilt(const std::string& relativePath, const BuiltFile& last);

    std::string m_folder;
    const BuiltFiles* m_previous = nullptr;
    std::string m_liveFolder;
    std::unique_ptr<LiveFolders> m_liveFolders;   // the caller's thread's
    std::set<std::string> m_writtenNow;           // m_written as a set, to find a kept file written earlier
    std::unordered_set<std::string> m_handedOver; // the caller's thread's: files queued to be written
    std::mutex m_recording;                       // pages are placed by the writer thread, pictures by the caller's
    std::vector<std::string> m_written;
    BuiltFiles m_built;
    std::size_t m_kept = 0;
    std::size_t m_keptPages = 0;
    std::unique_ptr<Queue> m_queue;
    std::thread m_writer;
    std::unique_ptr<LiveCheck> m_liveCheck; // after the writer: stopped before it
};

// Keeps every file in memory, by relative path. Copies read the source from disk.
class MemorySink final : public OutputSink
{
public:
    Status writeFile(const std::string& relativePath, std::string_view bytes) override;
    Status writePieces(const std::string& relativePath, const PieceMaker& make, const BuiltFile& origin = {}) override;
    Status copyFile(const std::string& sourcePath, const std::string& relativePath) override;
    Status linkFile(const std::string& sourcePath, const std::string& relativePath) override;

    const std::map<std::string, std::string>& files() const { return m_files; }
    // The bytes of a file, moved out (the file is left empty); empty when there is none.
    std::string takeFile(const std::string& relativePath);

private:
    std::map<std::string, std::string> m_files;
};

} // namespace qle::generator
