#include "publish/remote/Connection.h"

#include "publish/script/FtpScript.h"

#include <openssl/evp.h>

#include <cctype>
#include <string>

namespace qle::publish {

namespace {

constexpr std::size_t kDigestSize = 32;

std::string Upper(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

std::string Base64Unpadded(const unsigned char* bytes, std::size_t size)
{
    std::string text(4 * ((size + 2) / 3) + 1, '\0');
    const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), bytes, static_cast<int>(size));
    text.resize(static_cast<std::size_t>(length));
    while (!text.empty() && text.back() == '=')
        text.pop_back();
    return text;
}

// The 32 bytes of a base64 digest, padded or not; nothing when it is not one.
std::optional<std::string> DigestOfBase64(std::string_view text)
{
    // 32 bytes are 43 characters and one '=' of padding.
    if (text.size() == 44 && text.back() == '=')
        text.remove_suffix(1);
    if (text.size() != 43)
        return std::nullopt;
    std::string padded(text);
    while (padded.size() % 4 != 0)
        padded += '=';
    if (padded.size() != 44)
        return std::nullopt;
    for (char c : text)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '/' && c != '=')
            return std::nullopt;
    unsigned char bytes[33];
    if (EVP_DecodeBlock(bytes, reinterpret_cast<const unsigned char*>(padded.data()), 44) != 33)
        return std::nullopt;
    std::string digest(reinterpret_cast<const char*>(bytes), kDigestSize);
    // The last character carries only 4 significant bits: a different text for the same digest is not the same key.
    if (Base64Unpadded(bytes, kDigestSize) != text)
        return std::nullopt;
    return digest;
}

std::optional<std::string> DigestOfHex(std::string_view text)
{
    std::string digits;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ':') {
            // Colons separate pairs of digits, never start, end or double up.
            if (i == 0 || i + 1 == text.size() || text[i + 1] == ':' || digits.size() % 2 != 0)
                return std::nullopt;
            continue;
        }
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
        digits += c;
    }
    if (digits.size() != 2 * kDigestSize)
        return std::nullopt;
    std::string digest;
    for (std::size_t i = 0; i < digits.size(); i += 2)
        digest += static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16));
    return digest;
}

} // namespace

std::string FingerprintOf(std::string_view keyBytes)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_Digest(keyBytes.data(), keyBytes.size(), digest, &size, EVP_sha256(), nullptr) != 1)
        return {};
    return "SHA256:" + Base64Unpadded(digest, size);
}

Result<std::string> NormaliseFingerprint(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    const std::string original(text);
    if (Upper(text.substr(0, 7)) == "SHA256:")
        text.remove_prefix(7);
    auto digest = DigestOfHex(text);
    if (!digest)
        digest = DigestOfBase64(text);
    if (!digest)
        return Status::InvalidArgument("\"" + original +
                                       "\" is not a SHA-256 fingerprint (SHA256:... as ssh-keygen -l prints it, or 64 "
                                       "hexadecimal digits)");
    return "SHA256:" + Base64Unpadded(reinterpret_cast<const unsigned char*>(digest->data()), digest->size());
}

Status ParseServerUrl(std::string_view text, ConnectionSettings& settings)
{
    if (IsWrittenAddress(text)) {
        auto address = ParseWrittenForm(text);
        if (!address)
            return address.status();
        settings.protocol = address->protocol;
        settings.host = address->host;
        settings.port = address->port;
        if (!address->user.empty())
            settings.userName = address->user;
        settings.address = std::move(address.value());
        return Status::OK();
    }
    Protocol protocol = Protocol::Ftp;
    std::string_view rest = text;
    if (const auto scheme = text.find("://"); scheme != std::string_view::npos) {
        const std::string name = Upper(text.substr(0, scheme));
        if (name == "FTPS")
            protocol = Protocol::Ftps;
        else if (name == "SFTP")
            protocol = Protocol::Sftp;
        else if (name != "FTP")
            return Status::InvalidArgument("Unknown protocol in the server \"" + std::string(text) +
                                           "\" (ftp://, ftps://, sftp://, git+ssh://, git+https://, dav:// or "
                                           "davs://)");
        rest = text.substr(scheme + 3);
        if (!rest.empty() && rest.back() == '/')
            rest.remove_suffix(1);
    }
    auto address = ParseServer(rest);
    if (!address)
        return address.status();
    settings.protocol = protocol;
    settings.host = address->host;
    // ParseServer fills in the FTP port when none is written; keep "none" so SFTP gets its own.
    const bool portWritten =
        rest.front() == '[' ? rest.find("]:") != std::string_view::npos : rest.find(':') != std::string_view::npos;
    settings.port = portWritten ? address->port : 0;
    return Status::OK();
}

std::string ConnectionSettings::hostAndPort() const
{
    const bool v6 = host.find(':') != std::string::npos;
    return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(effectivePort());
}

} // namespace qle::publish
