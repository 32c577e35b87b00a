// SHA-256 digests as 64 lower-case hex digits: how a build tells that a file is unchanged and how
// publishing tells what a server already holds.
#pragma once

#include "store/Status.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct evp_md_ctx_st;

namespace qle::app {

// A SHA-256 of bytes handed over in pieces.
class Sha256
{
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void add(std::string_view bytes);
    // 64 lower-case hex digits, or empty text when the crypto library failed; the digest is used up.
    std::string hex();

private:
    struct Free
    {
        void operator()(evp_md_ctx_st* context) const;
    };
    std::unique_ptr<evp_md_ctx_st, Free> m_context;
    bool m_failed = false;
};

// The SHA-256 of some bytes.
std::string Sha256Hex(std::string_view bytes);

struct FileSha256
{
    std::uint64_t size = 0;
    std::string hex;
};

// Reads the file once, in blocks. A pipe without a writer is read as empty rather than waited on.
// The error names the file.
Result<FileSha256> Sha256OfFile(const std::string& path);

} // namespace qle::app
