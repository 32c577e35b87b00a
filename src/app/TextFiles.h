// Writing the program's text files (pages, scripts, loader pages) in one piece.
#pragma once

#include "store/Status.h"

#include <optional>
#include <string>
#include <string_view>

namespace qle::app {

// The whole content of a file, or nothing when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// A file's bytes mapped into memory, read-only: large records are read without copying them into
// fresh memory (on a large site, most of reading one is the kernel handing out zeroed pages).
// Replacing the file by a rename leaves the mapped bytes as they were.
class MappedFile
{
public:
    // Nothing when the file cannot be opened or mapped.
    static std::optional<MappedFile> open(const std::string& path);
    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile();

    std::string_view bytes() const { return {static_cast<const char*>(m_data), m_size}; }

private:
    MappedFile(void* data, std::size_t size)
        : m_data(data)
        , m_size(size)
    {
    }

    void* m_data = nullptr;
    std::size_t m_size = 0;
};

// Writes all of `bytes` to `fd`; 0, or the errno of the failure (a write that makes no progress
// is a full disk). The descriptor stays open.
int WriteAll(int fd, std::string_view bytes);

// Writes text to a file, replacing any earlier one atomically: the text goes to a new file that is
// then renamed over `path`, so a reader sees the old text or the new, and a link at `path` is
// replaced, never written through. Mode 0644. The error names the file.
Status WriteTextFile(const std::string& path, const std::string& text);

// WriteTextFile for a file that only its owner may read (mode 0600). An existing file with wider
// permissions is replaced, never rewritten in place.
Status WriteOwnerOnlyFile(const std::string& path, const std::string& text);

// WriteOwnerOnlyFile that returns only once the new text and its name are on the disk (an fsync of
// the file before the rename, then of its folder): for records that vouch for other files.
Status WriteOwnerOnlyFileDurably(const std::string& path, const std::string& text);

} // namespace qle::app
