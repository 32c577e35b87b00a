// The one place generated files are written: the web folder on disk, or memory for tests.
#pragma once

#include "store/Status.h"

#include <map>
#include <memory>
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
// kernel's work of creating thousands of files overlaps with the build's. writeFile() hands the
// page over (waiting while a few megabytes are queued) and returns the first error of any earlier
// write; finish() returns once everything is on disk. Files are written in the order given, so a
// later page of the same name wins as it would with direct writes.
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
    Status copyFile(const std::string& sourcePath, const std::string& relativePath) override;
    Status linkFile(const std::string& sourcePath, const std::string& relativePath) override;
    Status finish() override;

    // The relative path of every file handed over, in order; a file written twice is named twice.
    const std::vector<std::string>& writtenFiles() const { return m_written; }

private:
    struct Queue;
    void writeQueued();

    std::string m_folder;
    std::vector<std::string> m_written;
    std::unique_ptr<Queue> m_queue;
    std::thread m_writer;
};

// Keeps every file in memory, by relative path. Copies read the source from disk.
class MemorySink final : public OutputSink
{
public:
    Status writeFile(const std::string& relativePath, std::string_view bytes) override;
    Status copyFile(const std::string& sourcePath, const std::string& relativePath) override;
    Status linkFile(const std::string& sourcePath, const std::string& relativePath) override;

    const std::map<std::string, std::string>& files() const { return m_files; }

private:
    std::map<std::string, std::string> m_files;
};

} // namespace qle::generator
