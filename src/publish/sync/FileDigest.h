// Size and SHA-256 of a local file: how the sync tells whether the server already holds its bytes.
#pragma once

#include "store/Status.h"

#include <cstdint>
#include <string>

namespace qle::publish {

struct FileDigest
{
    std::uint64_t size = 0;
    std::string sha256; // 64 lower-case hex digits

    bool operator==(const FileDigest&) const = default;
};

// Reads the file once, in blocks. The error names the file.
Result<FileDigest> DigestFile(const std::string& path);

} // namespace qle::publish
