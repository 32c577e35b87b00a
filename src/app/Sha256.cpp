#include "app/Sha256.h"

#include <openssl/evp.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace qle::app {

void Sha256::Free::operator()(evp_md_ctx_st* context) const
{
    EVP_MD_CTX_free(context);
}

Sha256::Sha256()
    : m_context(EVP_MD_CTX_new())
{
    m_failed = !m_context || EVP_DigestInit_ex(m_context.get(), EVP_sha256(), nullptr) != 1;
}

Sha256::~Sha256() = default;

void Sha256::add(std::string_view bytes)
{
    if (!m_failed && EVP_DigestUpdate(m_context.get(), bytes.data(), bytes.size()) != 1)
        m_failed = true;
}

std::string Sha256::hex()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (m_failed || EVP_DigestFinal_ex(m_context.get(), digest, &length) != 1)
        return {};
    m_failed = true; // used up
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * length);
    for (unsigned int i = 0; i < length; ++i) {
        text += kDigits[digest[i] >> 4];
        text += kDigits[digest[i] & 15];
    }
    return text;
}

std::string Sha256Hex(std::string_view bytes)
{
    Sha256 digest;
    digest.add(bytes);
    return digest.hex();
}

Result<FileSha256> Sha256OfFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return Status::IoError("Cannot read " + path + ": " + std::strerror(errno));
    Sha256 digest;
    FileSha256 result;
    std::string buffer(256 * 1024, '\0');
    ssize_t n = 0;
    while ((n = ::read(fd, buffer.data(), buffer.size())) > 0 || (n < 0 && errno == EINTR))
        if (n > 0) {
            digest.add(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
            result.size += static_cast<std::uint64_t>(n);
        }
    const int error = errno;
    ::close(fd);
    if (n < 0)
        return Status::IoError("Cannot read " + path + ": " + std::strerror(error));
    result.hex = digest.hex();
    if (result.hex.empty())
        return Status::IoError("Cannot compute the SHA-256 of " + path);
    return result;
}

} // namespace qle::app
