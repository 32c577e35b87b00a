#include "publish/remote/CurlSession.h"

#include "app/Paths.h"
#include "publish/remote/CurlParts.h"
#include "publish/remote/Secrets.h"

#include <curl/curl.h>
#include <openssl/ssl.h>

#include <cstdio>
#include <cstdlib>

namespace qle::publish {

namespace {

CURL* Easy(const CurlSession& session)
{
    return static_cast<CURL*>(session.easy());
}

// Servers that demand TLS session reuse on data connections want the control connection's
// session every time. With TLS 1.3 every data connection hands out new tickets, which libcurl
// would keep instead, and the server then refuses the next transfer ("522 session reuse
// required"). So only the control connection's session is kept.
CURLcode OnTlsContext(CURL*, void* context, void* self)
{
    auto* session = static_cast<CurlSession*>(self);
    if (!session->transfer.takeTlsAccepted())
        SSL_CTX_set_session_cache_mode(static_cast<SSL_CTX*>(context), SSL_SESS_CACHE_OFF);
    return CURLE_OK;
}

// The host key check: the key the author accepted wins; without one, the known hosts file decides.
int OnHostKey(CURL*, const curl_khkey*, const curl_khkey* found, curl_khmatch match, void* self)
{
    auto* session = static_cast<CurlSession*>(self);
    session->identity = SshIdentity(found->key, found->len, static_cast<int>(found->keytype));
    if (!session->settings.trustedKey.empty()) {
        if (session->identity.fingerprint == session->settings.trustedKey)
            return CURLKHSTAT_FINE;
        session->failure = Failure::ChangedIdentity;
        return CURLKHSTAT_REJECT;
    }
    if (match == CURLKHMATCH_OK)
        return CURLKHSTAT_FINE;
    session->failure = match == CURLKHMATCH_MISMATCH ? Failure::ChangedIdentity : Failure::UnknownIdentity;
    return CURLKHSTAT_REJECT;
}

bool MentionsTls(const std::string& text)
{
    for (const char* word : {"TLS", "SSL", "ncrypt", "secure"})
        if (text.find(word) != std::string::npos)
            return true;
    return false;
}

bool KeyCouldNotBeUnlocked(const std::vector<std::string>& notes)
{
    for (const auto& note : notes)
        if (note.find("Unable to extract public key from private key file") != std::string::npos ||
            note.find("Wrong passphrase") != std::string::npos)
            return true;
    return false;
}

} // namespace

std::string CurlSession::where() const
{
    return settings.host + ":" + std::to_string(settings.effectivePort());
}

void CurlSession::require(int curlCode, const char* option)
{
    if (curlCode != CURLE_OK && refusedOption.empty())
        refusedOption =
            std::string("libcurl refused ") + option + " (" + curl_easy_strerror(static_cast<CURLcode>(curlCode)) + ")";
}

std::string CurlSession::perform()
{
    failure = Failure::None;
    bool stopped = false;
    std::string error = transfer.run(settings.stop, stopped);
    lastCode = transfer.resultCode();
    if (stopped)
        failure = Failure::Stopped;
    else if (!error.empty() && failure == Failure::None)
        failure = lastCode == CURLE_OK ? Failure::Other : FailureOfCurlCode(lastCode);
    return error;
}

void CurlSession::setRequest(const std::string& url, bool noBody, void* quote)
{
    CURL* e = Easy(*this);
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_UPLOAD, 0L);
    curl_easy_setopt(e, CURLOPT_NOBODY, noBody ? 1L : 0L);
    curl_easy_setopt(e, CURLOPT_QUOTE, static_cast<curl_slist*>(quote));
    curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, nullptr);
    curl_easy_setopt(e, CURLOPT_READDATA, nullptr);
    curl_easy_setopt(e, CURLOPT_RANGE, nullptr);
}

std::string CurlSession::urlOf(const std::string& remotePath) const
{
    std::string url = baseUrl + (sftp() ? "/" : "/%2F");
    std::size_t start = 1;
    while (start <= remotePath.size()) {
        const auto slash = remotePath.find('/', start);
        const std::string part = remotePath.substr(start, slash == std::string::npos ? slash : slash - start);
        char* escaped = curl_easy_escape(Easy(*this), part.c_str(), static_cast<int>(part.size()));
        url += escaped ? escaped : "";
        curl_free(escaped);
        if (slash == std::string::npos)
            break;
        url += '/';
        start = slash + 1;
    }
    return url;
}

void CurlSession::configure()
{
    CURL* e = Easy(*this);
    // Explicit TLS is FTP upgraded by AUTH TLS: the URL stays ftp:// (ftps:// would be implicit TLS).
    baseUrl = std::string(sftp() ? "sftp" : "ftp") + "://" + settings.hostAndPort();
    require(curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, sftp() ? "sftp" : "ftp"), "the protocol");
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_USERNAME, settings.userName.c_str());
    curl_easy_setopt(e, CURLOPT_PASSWORD, settings.password.c_str());
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, settings.timeouts.connectSeconds);
    curl_easy_setopt(e, CURLOPT_SERVER_RESPONSE_TIMEOUT, settings.timeouts.replySeconds);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, settings.timeouts.replySeconds);
    curl_easy_setopt(e, CURLOPT_READFUNCTION, &ReadLocalFile);
    // Paths are absolute and tracked by the caller; sending them whole saves a CWD per file.
    curl_easy_setopt(e, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
    if (settings.protocol == Protocol::Ftps)
        configureTls();
    if (sftp())
        configureSsh();
}

void CurlSession::configureTls()
{
    CURL* e = Easy(*this);
    // Control and data connections both encrypted, never a fall-back to plain FTP.
    require(curl_easy_setopt(e, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL)), "TLS for every connection");
    require(curl_easy_setopt(e, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2)), "TLS 1.2 or later");
    curl_easy_setopt(e, CURLOPT_SSL_CTX_FUNCTION, &OnTlsContext);
    curl_easy_setopt(e, CURLOPT_SSL_CTX_DATA, this);
    curl_easy_setopt(e, CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
    if (settings.trustedKey.empty()) {
        require(curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L), "the certificate check");
        require(curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L), "the certificate's host name check");
        return;
    }
    // The author accepted this key for this server: it alone decides, whatever signed it.
    const std::string pin = PinnedKeyOption(settings.trustedKey);
    require(curl_easy_setopt(e, CURLOPT_PINNEDPUBLICKEY, pin.c_str()), "the pinned public key");
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 0L);
}

void CurlSession::configureSsh()
{
    CURL* e = Easy(*this);
    knownHosts = settings.knownHostsFile;
    if (knownHosts.empty()) {
        const char* homeDir = std::getenv("HOME");
        knownHosts = std::string(homeDir ? homeDir : "") + "/.ssh/known_hosts";
    }
    // Never connect without checking the host key: the callback sees every key first. Without the
    // known hosts option libcurl would not call it at all, and take any key.
    require(curl_easy_setopt(e, CURLOPT_SSH_KNOWNHOSTS, knownHosts.c_str()), "the known hosts file");
    require(curl_easy_setopt(e, CURLOPT_SSH_KEYFUNCTION, &OnHostKey), "the host key check");
    require(curl_easy_setopt(e, CURLOPT_SSH_KEYDATA, this), "the host key check");
    long auth = CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD;
    if (!settings.keyFile.empty()) {
        auth = CURLSSH_AUTH_PUBLICKEY;
        curl_easy_setopt(e, CURLOPT_SSH_PRIVATE_KEYFILE, settings.keyFile.c_str());
        // Empty: the public key is derived from the private one.
        curl_easy_setopt(e, CURLOPT_SSH_PUBLIC_KEYFILE, "");
        curl_easy_setopt(e, CURLOPT_KEYPASSWD, settings.passphrase.c_str());
    } else if (settings.password.empty()) {
        auth = CURLSSH_AUTH_AGENT;
    } else {
        auth |= CURLSSH_AUTH_AGENT;
    }
    curl_easy_setopt(e, CURLOPT_SSH_AUTH_TYPES, auth);
    // Larger writes let libssh2 keep several SFTP write requests in flight per file.
    curl_easy_setopt(e, CURLOPT_UPLOAD_BUFFERSIZE, 512L * 1024L);
}

Status CurlSession::prepare()
{
    // A second call (after a failed one) reuses the handles.
    if (!easy()) {
        const auto waits = sftp() ? CurlTransfer::Waits::Brief : CurlTransfer::Waits::OnSockets;
        if (Status s = transfer.start(waits); !s.ok())
            return s;
    }
    refusedOption.clear();
    configure();
    return Status::OK();
}

Status CurlSession::connect()
{
    if (Status s = prepare(); !s.ok())
        return s;
    if (!refusedOption.empty()) {
        failure = Failure::InsecureOption;
        return loginFailed(refusedOption);
    }
    // libcurl's notes are the only place that tells a key that could not be unlocked.
    transfer.setWatching(sftp() && !settings.keyFile.empty());
    setRequest(baseUrl + "/", true, nullptr);
    const std::string error = perform();
    transfer.setWatching(false);
    if (!error.empty())
        return loginFailed(error);
    char* path = nullptr;
    if (curl_easy_getinfo(Easy(*this), CURLINFO_FTP_ENTRY_PATH, &path) == CURLE_OK && path && path[0] == '/')
        home = app::WithTrailingSlash(path);
    return Status::OK();
}

Status CurlSession::loginFailed(const std::string& error)
{
    const std::string reply = transfer.lastReply();
    if (!sftp() && failure != Failure::Stopped && MentionsTls(reply) && settings.protocol == Protocol::Ftp)
        failure = Failure::TlsRequired;
    if (!sftp() && reply.starts_with("421"))
        failure = Failure::TooManyConnections;
    if (failure == Failure::Login && KeyCouldNotBeUnlocked(transfer.notes()) && KeyFileIsEncrypted(settings.keyFile))
        failure = Failure::Passphrase;
    if (failure == Failure::UnknownIdentity || failure == Failure::ChangedIdentity) {
        // The TLS check failed before anything else was sent; ask again, without checking, to show what it was.
        if (settings.protocol == Protocol::Ftps) {
            auto shown = FetchServerIdentity(settings);
            identity = shown ? shown.value() : ServerIdentity {};
        }
    }
    ConnectFailureFacts facts;
    facts.where = where();
    facts.host = settings.host;
    facts.userName = settings.userName;
    facts.error = error;
    facts.reply = reply;
    facts.shown = identity.fingerprint;
    facts.accepted =
        settings.trustedKey.empty() ? "the key recorded in " + knownHosts : "the trusted " + settings.trustedKey;
    facts.keyFile = settings.keyFile;
    return ConnectFailureStatus(failure, facts);
}

} // namespace qle::publish
