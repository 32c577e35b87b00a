#include "publish/sync/FileDigest.h"

#include <openssl/evp.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace qle::publish {

namespace {

struct DigestContextFree
{
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
struct FileClose
{
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using DigestContext = std::unique_ptr<EVP_MD_CTX, DigestContextFree>;

DigestContext NewSha256()
{
    DigestContext context(EVP_MD_CTX_new());
    if (context && EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
        context.reset();
    return context;
}

std::string FinishHex(EVP_MD_CTX* context)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context, digest, &length) != 1)
        return {};
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(length * 2);
    for (unsigned int i = 0; i < length; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 0x0f];
    }
    return hex;
}

} // namespace

std::string Sha256Hex(std::string_view bytes)
{
    DigestContext context = NewSha256();
    if (!context || EVP_DigestUpdate(context.get(), bytes.data(), bytes.size()) != 1)
        return {};
    return FinishHex(context.get());
}

Result<FileDigest> DigestFile(const std::string& path)
{
    std::unique_ptr<std::FILE, FileClose> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return Status::IoError("Cannot read " + path + ": " + std::strerror(errno));
    DigestContext context = NewSha256();
    if (!context)
        return Status::IoError("Cannot compute the checksum of " + path);
    FileDigest result;
    char buffer[64 * 1024];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        if (EVP_DigestUpdate(context.get(), buffer, n) != 1)
            return Status::IoError("Cannot compute the checksum of " + path);
        result.size += n;
    }
    if (std::ferror(file.get()))
        return Status::IoError("Cannot read " + path + ": " + std::strerror(errno));
    result.sha256 = FinishHex(context.get());
    if (result.sha256.empty())
        return Status::IoError("Cannot compute the checksum of " + path);
    return result;
}

} // namespace qle::publish
