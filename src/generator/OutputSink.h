// The one place generated files are written: the web folder on disk, or memory for tests.
#pragma once

#include "store/Status.h"

#include <map>
#include <string>
#include <string_view>

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
};

// Writes below a folder on disk, never through a link. REQUIRES: the sub-folders written to exist.
class DiskSink final : public OutputSink
{
public:
    // `folder` ends in '/'.
    explicit DiskSink(std::string folder)
        : m_folder(std::move(folder))
    {
    }

    Status writeFile(const std::string& relativePath, std::string_view bytes) override;
    Status copyFile(const std::string& sourcePath, const std::string& relativePath) override;

private:
    std::string m_folder;
};

// Keeps every file in memory, by relative path. Copies read the source from disk.
class MemorySink final : public OutputSink
{
public:
    Status writeFile(const std::string& relativePath, std::string_view bytes) override;
    Status copyFile(const std::string& sourcePath, const std::string& relativePath) override;

    const std::map<std::string, std::string>& files() const { return m_files; }

private:
    std::map<std::string, std::string> m_files;
};

} // namespace qle::generator
