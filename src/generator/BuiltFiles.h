// The list of the files the last build wrote into the web folder, kept beside the build record, so
// that a rebuild knows without reading any old file which of them it can keep as they are.
#pragma once

#include "generator/HexDigest.h"
#include "store/Status.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct stat;

namespace qle::generator {

inline constexpr const char* kBuiltFilesFileName = "QuillonEngine_built.txt";

// Picture paths, shared between the many list entries that name the same ones (every page shows
// the banner), so that copying an entry never copies them.
class SharedNames
{
public:
    SharedNames() = default;
    SharedNames(std::vector<std::string> names);
    SharedNames(std::initializer_list<std::string> names)
        : SharedNames(std::vector<std::string>(names))
    {
    }

    const std::vector<std::string>& names() const { return m_names ? *m_names : Empty(); }
    auto begin() const { return names().begin(); }
    auto end() const { return names().end(); }
    std::size_t size() const { return names().size(); }
    bool empty() const { return names().empty(); }
    // Entries sharing one list share this identity (nullptr for none).
    const void* identity() const { return m_names.get(); }

    bool operator==(const SharedNames& other) const { return m_names == other.m_names || names() == other.names(); }

private:
    static const std::vector<std::string>& Empty();
    std::shared_ptr<const std::vector<std::string>> m_names;
};

// What the web folder held under one path when the build finished.
struct BuiltFile
{
    std::uint64_t size = 0;
    HexDigest<64> sha256; // SHA-256
    std::int64_t mtimeNs = 0;
    std::uint64_t inode = 0;
    // For a picture copied as it is: its source's size and time stamp, so that an unchanged source
    // is never read again. Both -1 for anything else.
    std::int64_t sourceSize = -1;
    std::int64_t sourceMtimeNs = -1;
    // For a page: the hash of what it was made from (InputHash), and the pictures it showed, in the
    // order it registered them. Empty for anything else.
    HexDigest<32> inputs = {};
    SharedNames pictures = {};

    bool operator==(const BuiltFile&) const = default;
};

// Paths below the web folder ('/' separated) to what was built there.
class BuiltFiles
{
public:
    using Entry = std::pair<std::string, BuiltFile>;

    // The list kept in the base folder; an empty list when there is none or it cannot be read
    // (then every file is written, which is always right).
    static BuiltFiles load(const std::string& baseFolder);
    // Replaces the kept list in one rename and returns once it is on the disk.
    Status save(const std::string& baseFolder) const;

    // nullptr when the path was not built. Safe from several threads once nothing is put.
    const BuiltFile* find(std::string_view path) const;
    // A later put of a path replaces an earlier one.
    void put(std::string path, BuiltFile file);
    // As put(path, file) for `file`, an entry of `listed`, without copying it until this list is
    // read: a rebuild keeps most of the last build's list. `listed` must outlive that reading, and
    // be the same list for every such put.
    void putListed(const BuiltFiles& listed, const std::string& path, const BuiltFile& file);
    // The place of `file` in files() when it is one of its entries; size() otherwise.
    std::size_t indexOf(const BuiltFile& file) const;
    std::size_t size() const { return files().size(); }
    // Sorted by path, each path once.
    const std::vector<Entry>& files() const;

    bool operator==(const BuiltFiles& other) const { return files() == other.files(); }

    std::string text() const;
    static BuiltFiles parse(std::string_view text);

private:
    // Puts are gathered and sorted in once the list is read: a build puts a hundred thousand
    // entries in the order it makes pages, which is not the order of their paths.
    void settle() const;

    mutable std::vector<Entry> m_files;
    mutable std::vector<Entry> m_put;
    // Of the puts since the list was last read: the order of each, to tell which of two puts of a
    // path came last; for putListed, by the entry's place in m_listed (0: not put).
    mutable std::vector<std::uint32_t> m_putOrder;
    mutable std::vector<std::uint32_t> m_listedOrder;
    mutable const BuiltFiles* m_listed = nullptr;
    std::uint32_t m_puts = 0;
};

// Whether the file at `path` still is what `file` says: a regular file (never a link) of that
// size, time stamp and inode. Anything that changed it by hand changes one of them.
bool IsStillAsBuilt(const std::string& path, const BuiltFile& file);
// The same for the file `name` in the open folder `folderFd`: only its own name is looked up.
bool IsStillAsBuilt(int folderFd, const char* name, const BuiltFile& file);

// What a build records of a file it placed: its size, time stamp and inode as `info` gives them.
BuiltFile BuiltFileOf(const struct stat& info, std::string_view sha256);

} // namespace qle::generator
