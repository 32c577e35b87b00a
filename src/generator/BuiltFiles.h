// The list of the files the last build wrote into the web folder, kept beside the build record, so
// that a rebuild knows without reading any old file which of them it can keep as they are.
#pragma once

#include "store/Status.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

struct stat;
struct evp_md_ctx_st;

namespace qle::generator {

inline constexpr const char* kBuiltFilesFileName = "QuillonEngine_built.txt";

// What the web folder held under one path when the build finished.
struct BuiltFile
{
    std::uint64_t size = 0;
    std::string sha256; // 64 lower-case hex digits
    std::int64_t mtimeNs = 0;
    std::uint64_t inode = 0;
    // For a picture copied as it is: its source's size and time stamp, so that an unchanged source
    // is never read again. Both -1 for anything else.
    std::int64_t sourceSize = -1;
    std::int64_t sourceMtimeNs = -1;
    // For a page: the hash of what it was made from (InputHash, 32 hex digits), and the pictures it
    // showed, in the order it registered them. Empty for anything else.
    std::string inputs = {};
    std::vector<std::string> pictures = {};

    bool operator==(const BuiltFile&) const = default;
};

// Paths below the web folder ('/' separated) to what was built there.
class BuiltFiles
{
public:
    // The list kept in the base folder; an empty list when there is none or it cannot be read
    // (then every file is written, which is always right).
    static BuiltFiles load(const std::string& baseFolder);
    // Replaces the kept list in one rename and returns once it is on the disk.
    Status save(const std::string& baseFolder) const;

    // nullptr when the path was not built.
    const BuiltFile* find(const std::string& path) const;
    void put(const std::string& path, BuiltFile file) { m_files[path] = std::move(file); }
    std::size_t size() const { return m_files.size(); }
    const std::map<std::string, BuiltFile>& files() const { return m_files; }

    std::string text() const;
    static BuiltFiles parse(std::string_view text);

private:
    std::map<std::string, BuiltFile> m_files;
};

// Whether the file at `path` still is what `file` says: a regular file (never a link) of that
// size, time stamp and inode. Anything that changed it by hand changes one of them.
bool IsStillAsBuilt(const std::string& path, const BuiltFile& file);
// The same for the file `name` in the open folder `folderFd`: only its own name is looked up.
bool IsStillAsBuilt(int folderFd, const char* name, const BuiltFile& file);

// What a build records of a file it placed: its size, time stamp and inode as `info` gives them.
BuiltFile BuiltFileOf(const struct stat& info, std::string sha256);

// The SHA-256 of some bytes, as 64 lower-case hex digits.
std::string Sha256Hex(std::string_view bytes);

// A SHA-256 of bytes handed over in pieces (a file read in blocks).
class Sha256Digest
{
public:
    Sha256Digest();
    ~Sha256Digest();
    Sha256Digest(const Sha256Digest&) = delete;
    Sha256Digest& operator=(const Sha256Digest&) = delete;

    void add(std::string_view bytes);
    // 64 lower-case hex digits; the digest is used up.
    std::string hex();

private:
    evp_md_ctx_st* m_context;
};

// The SHA-256 of the file at `path`, read in blocks. The error names the file.
Result<std::string> Sha256OfFile(const std::string& path);

} // namespace qle::generator
