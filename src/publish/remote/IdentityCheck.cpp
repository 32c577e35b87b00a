#include "publish/remote/IdentityCheck.h"

#include "publish/remote/CurlTransfer.h"

#include <curl/curl.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <memory>

namespace qle::publish {

namespace {

struct BioFree
{
    void operator()(BIO* bio) const { BIO_free(bio); }
};
struct X509Free
{
    void operator()(X509* cert) const { X509_free(cert); }
};
struct EasyCleanup
{
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};

const char* KeyTypeName(int type)
{
    switch (static_cast<curl_khtype>(type)) {
    case CURLKHTYPE_RSA1:
    case CURLKHTYPE_RSA:
        return "RSA";
    case CURLKHTYPE_DSS:
        return "DSA";
    case CURLKHTYPE_ECDSA:
        return "ECDSA";
    case CURLKHTYPE_ED25519:
        return "ED25519";
    case CURLKHTYPE_UNKNOWN:
        break;
    }
    return "unknown";
}

// Records the identity shown and refuses it: the probe never gets as far as a login.
int RefuseHostKey(CURL*, const curl_khkey*, const curl_khkey* found, curl_khmatch, void* identity)
{
    *static_cast<ServerIdentity*>(identity) = SshIdentity(found->key, found->len, static_cast<int>(found->keytype));
    return CURLKHSTAT_REJECT;
}

// Watches the FTP replies of the probe: once TLS is up (the reply after "234" to AUTH TLS) the
// transfer is ended, before the user name is sent.
struct TlsProbe
{
    std::string pending;
    bool tlsAccepted = false;

    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self)
    {
        auto* probe = static_cast<TlsProbe*>(self);
        probe->pending.append(data, size * count);
        std::size_t end;
        while ((end = probe->pending.find('\n')) != std::string::npos) {
            const std::string line = probe->pending.substr(0, end);
            probe->pending.erase(0, end + 1);
            if (line.size() < 4 || line[3] != ' ')
                continue;
            if (probe->tlsAccepted)
                return 0;
            probe->tlsAccepted = line.starts_with("234");
        }
        return size * count;
    }
};

// The identity of the certificate the last handshake on `easy` showed (CURLOPT_CERTINFO set).
Result<ServerIdentity> CertificateShown(CURL* easy, CURLcode code)
{
    curl_certinfo* info = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_CERTINFO, &info) != CURLE_OK || !info || info->num_of_certs < 1)
        return Status::NetworkError(std::string("The server showed no certificate: ") + curl_easy_strerror(code));
    std::string pem;
    std::vector<std::string> facts;
    for (curl_slist* item = info->certinfo[0]; item; item = item->next) {
        const std::string line = item->data;
        if (line.starts_with("Cert:"))
            pem = line.substr(5);
        else
            facts.push_back(line);
    }
    return CertificateIdentity(pem, facts);
}

Result<ServerIdentity> FetchCertificate(CURL* easy, const std::string& url)
{
    TlsProbe probe;
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(easy, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    curl_easy_setopt(easy, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(easy, CURLOPT_CERTINFO, 1L);
    curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &TlsProbe::onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &probe);
    curl_easy_setopt(easy, CURLOPT_USERNAME, "anonymous");
    return CertificateShown(easy, curl_easy_perform(easy));
}

// The certificate of an HTTPS server: a request for nothing, without a password, whose handshake
// shows it.
Result<ServerIdentity> FetchHttpsCertificate(CURL* easy, const std::string& url)
{
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(easy, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(easy, CURLOPT_CERTINFO, 1L);
    curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    return CertificateShown(easy, curl_easy_perform(easy));
}

} // namespace

ServerIdentity SshIdentity(const char* key, std::size_t length, int curlKeyType)
{
    std::string raw;
    if (length > 0) {
        raw.assign(key, length);
    } else if (key) {
        const std::string text = key;
        raw.resize(text.size());
        const int size =
            EVP_DecodeBlock(reinterpret_cast<unsigned char*>(raw.data()),
                            reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
        raw.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
        // EVP_DecodeBlock counts the padding as bytes.
        for (std::size_t i = text.size(); i > 0 && text[i - 1] == '=' && !raw.empty(); --i)
            raw.pop_back();
    }
    return {FingerprintOf(raw), std::string(KeyTypeName(curlKeyType)) + " host key"};
}

namespace {

// The fingerprint of a certificate's public key (SPKI), the one thing a pin names.
Result<ServerIdentity> IdentityOf(X509* cert, const std::vector<std::string>& facts)
{
    if (!cert)
        return Status::InvalidArgument("The server's certificate cannot be read");
    unsigned char* der = nullptr;
    const int size = i2d_X509_PUBKEY(X509_get_X509_PUBKEY(cert), &der);
    if (size <= 0)
        return Status::InvalidArgument("The server's certificate holds no public key");
    ServerIdentity identity;
    identity.fingerprint = FingerprintOf(std::string_view(reinterpret_cast<const char*>(der), size));
    OPENSSL_free(der);
    for (const char* wanted : {"Subject:", "Issuer:", "Start date:", "Expire date:"})
        for (const auto& fact : facts)
            if (fact.starts_with(wanted))
                identity.description += (identity.description.empty() ? "" : "\n") + fact;
    return identity;
}

} // namespace

Result<ServerIdentity> CertificateIdentity(const std::string& pem, const std::vector<std::string>& facts)
{
    std::unique_ptr<BIO, BioFree> bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    std::unique_ptr<X509, X509Free> cert(bio ? PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr) : nullptr);
    return IdentityOf(cert.get(), facts);
}

Result<ServerIdentity> CertificateIdentityOfDer(std::string_view der)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(der.data());
    std::unique_ptr<X509, X509Free> cert(d2i_X509(nullptr, &bytes, static_cast<long>(der.size())));
    std::vector<std::string> facts;
    if (cert) {
        const auto name = [](X509_NAME* n) {
            char* text = X509_NAME_oneline(n, nullptr, 0);
            std::string line = text ? text : "";
            OPENSSL_free(text);
            return line;
        };
        facts.push_back("Subject:" + name(X509_get_subject_name(cert.get())));
        facts.push_back("Issuer:" + name(X509_get_issuer_name(cert.get())));
    }
    return IdentityOf(cert.get(), facts);
}

std::string PinnedKeyOption(const std::string& fingerprint)
{
    std::string base64 = fingerprint.starts_with("SHA256:") ? fingerprint.substr(7) : fingerprint;
    while (base64.size() % 4 != 0)
        base64 += '=';
    return "sha256//" + base64;
}

Result<ServerIdentity> FetchServerIdentity(const ConnectionSettings& settings)
{
    if (Status s = StartCurl(); !s.ok())
        return s;
    std::unique_ptr<CURL, EasyCleanup> easy(curl_easy_init());
    if (!easy)
        return Status::NetworkError("Cannot start the network library");
    const std::string host = settings.hostAndPort();
    CURL* e = easy.get();
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, settings.timeouts.connectSeconds);
    curl_easy_setopt(e, CURLOPT_SERVER_RESPONSE_TIMEOUT, settings.timeouts.replySeconds);
    if (settings.protocol == Protocol::Ftps)
        return FetchCertificate(e, "ftp://" + host + "/");
    const Transport transport = settings.address.transport;
    if (TakesAddress(settings.protocol) && transport == Transport::Https)
        return FetchHttpsCertificate(e, "https://" + host + "/");
    const bool ssh =
        settings.protocol == Protocol::Sftp || (settings.protocol == Protocol::Git && transport == Transport::Ssh);
    if (!ssh)
        return Status::InvalidArgument("Plain FTP and http:// servers have no identity to check");
    ServerIdentity identity;
    const std::string url = "sftp://" + host + "/";
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "sftp");
    curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
    // An empty list of known hosts: every key reaches the callback, which refuses it.
    curl_easy_setopt(e, CURLOPT_SSH_KNOWNHOSTS, "/dev/null");
    curl_easy_setopt(e, CURLOPT_SSH_KEYFUNCTION, &RefuseHostKey);
    curl_easy_setopt(e, CURLOPT_SSH_KEYDATA, &identity);
    curl_easy_setopt(e, CURLOPT_USERNAME, settings.userName.empty() ? "anonymous" : settings.userName.c_str());
    const CURLcode code = curl_easy_perform(e);
    if (identity.fingerprint.empty())
        return Status::NetworkError("Cannot reach " + host + ": " + curl_easy_strerror(code));
    return identity;
}

} // namespace qle::publish
