#include "publish/CurlRemoteFs.h"

#include "publish/IdentityCheck.h"
#include "publish/RemoteListing.h"

#include <curl/curl.h>
#include <openssl/ssl.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sys/select.h>
#include <sys/stat.h>

namespace qle::publish {

namespace {

struct EasyCleanup
{
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiCleanup
{
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct ListFree
{
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct FileClose
{
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using SList = std::unique_ptr<curl_slist, ListFree>;

// The biggest file fetch() reads: it is meant for records and listings, not for pages.
constexpr std::size_t kFetchLimit = 64u << 20;

} // namespace

Status StartCurl()
{
    static std::once_flag once;
    static CURLcode result = CURLE_OK;
    std::call_once(once, [] { result = curl_global_init(CURL_GLOBAL_DEFAULT); });
    if (result != CURLE_OK)
        return Status::NetworkError(std::string("Cannot start the network library: ") + curl_easy_strerror(result));
    return Status::OK();
}

namespace {

SList MakeList(const std::vector<std::string>& items)
{
    SList list;
    for (const auto& item : items) {
        curl_slist* grown = curl_slist_append(list.get(), item.c_str());
        if (!grown)
            return {};
        (void)list.release();
        list.reset(grown);
    }
    return list;
}

// A path argument of an SFTP quote command: quoted, with quotes and backslashes escaped.
std::string SftpArgument(const std::string& path)
{
    std::string quoted = "\"";
    for (char c : path) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

// A folder path without its trailing '/' (except the root).
std::string ResolvedFolder(const std::string& folder)
{
    return folder.size() > 1 && folder.back() == '/' ? folder.substr(0, folder.size() - 1) : folder;
}

bool IsFinalReplyLine(const std::string& line)
{
    return line.size() >= 4 && std::isdigit(static_cast<unsigned char>(line[0])) &&
           std::isdigit(static_cast<unsigned char>(line[1])) && std::isdigit(static_cast<unsigned char>(line[2])) &&
           line[3] == ' ';
}

bool MentionsTls(const std::string& text)
{
    for (const char* word : {"TLS", "SSL", "ncrypt", "secure"})
        if (text.find(word) != std::string::npos)
            return true;
    return false;
}

Failure FailureOf(CURLcode code)
{
    switch (code) {
    case CURLE_OK:
        return Failure::None;
    case CURLE_COULDNT_RESOLVE_HOST:
        return Failure::NameResolution;
    case CURLE_COULDNT_CONNECT:
        return Failure::ConnectionRefused;
    case CURLE_OPERATION_TIMEDOUT:
        return Failure::Timeout;
    case CURLE_USE_SSL_FAILED:
        return Failure::TlsUnavailable;
    case CURLE_SSL_CONNECT_ERROR:
        return Failure::Tls;
    case CURLE_PEER_FAILED_VERIFICATION:
        return Failure::UnknownIdentity;
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        return Failure::ChangedIdentity;
    case CURLE_LOGIN_DENIED:
        return Failure::Login;
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_UPLOAD_FAILED:
    case CURLE_QUOTE_ERROR:
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_REMOTE_DISK_FULL:
        return Failure::Permission;
    default:
        return Failure::Other;
    }
}

} // namespace

struct CurlRemoteFs::Impl
{
    ConnectionSettings settings;
    // The multi handle owns the connection cache, so it must outlive the easy handle's use.
    std::unique_ptr<CURLM, MultiCleanup> multi;
    std::unique_ptr<CURL, EasyCleanup> easy;
    std::string baseUrl; // "ftp://host:port" or "sftp://host:port", no trailing '/'
    std::string home = "/";
    std::string knownHosts;
    std::string pending;               // a reply line not yet ended
    std::vector<std::string> exchange; // reply lines of the current exchange
    std::vector<std::string> unread;   // reply lines not yet taken
    bool recording = true;
    std::string body; // what a fetch or a listing received
    bool bodyTooLong = false;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    CURLcode lastCode = CURLE_OK;
    Failure failure = Failure::None;
    ServerIdentity identity;
    long connections = 0;
    bool connected = false;
    bool controlHandshake = false;
    bool mlsdRefused = false; // the server does not know MLSD: list with LIST

    bool sftp() const { return settings.protocol == Protocol::Sftp; }
    bool stopped() const { return settings.stop && settings.stop->load(); }
    std::string where() const { return settings.host + ":" + std::to_string(settings.effectivePort()); }

    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self)
    {
        auto* impl = static_cast<Impl*>(self);
        impl->pending.append(data, size * count);
        std::size_t end;
        while ((end = impl->pending.find('\n')) != std::string::npos) {
            std::string line = impl->pending.substr(0, end);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            impl->pending.erase(0, end + 1);
            // "234": the server accepted AUTH TLS; the next handshake is the control connection's.
            if (line.starts_with("234 "))
                impl->controlHandshake = true;
            impl->exchange.push_back(line);
            if (impl->recording)
                impl->unread.push_back(std::move(line));
        }
        return size * count;
    }

    static std::size_t onRead(char* buffer, std::size_t size, std::size_t count, void* file)
    {
        const std::size_t n = std::fread(buffer, size, count, static_cast<std::FILE*>(file));
        if (n == 0 && std::ferror(static_cast<std::FILE*>(file)))
            return CURL_READFUNC_ABORT;
        return n;
    }

    static std::size_t onWrite(char* data, std::size_t size, std::size_t count, void* self)
    {
        auto* impl = static_cast<Impl*>(self);
        if (impl->body.size() + size * count > kFetchLimit) {
            impl->bodyTooLong = true;
            return 0;
        }
        impl->body.append(data, size * count);
        return size * count;
    }

    // Servers that demand TLS session reuse on data connections want the control connection's
    // session every time. With TLS 1.3 every data connection hands out new tickets, which libcurl
    // would keep instead, and the server then refuses the next transfer ("522 session reuse
    // required"). So only the control connection's session is kept.
    static CURLcode onTlsContext(CURL*, void* context, void* self)
    {
        auto* impl = static_cast<Impl*>(self);
        if (impl->controlHandshake)
            impl->controlHandshake = false;
        else
            SSL_CTX_set_session_cache_mode(static_cast<SSL_CTX*>(context), SSL_SESS_CACHE_OFF);
        return CURLE_OK;
    }

    // The host key check: the key the author accepted wins; without one, the known hosts file decides.
    static int onHostKey(CURL*, const curl_khkey*, const curl_khkey* found, curl_khmatch match, void* self)
    {
        auto* impl = static_cast<Impl*>(self);
        impl->identity = SshIdentity(found->key, found->len, static_cast<int>(found->keytype));
        if (!impl->settings.trustedKey.empty()) {
            if (impl->identity.fingerprint == impl->settings.trustedKey)
                return CURLKHSTAT_FINE;
            impl->failure = Failure::ChangedIdentity;
            return CURLKHSTAT_REJECT;
        }
        if (match == CURLKHMATCH_OK)
            return CURLKHSTAT_FINE;
        impl->failure = match == CURLKHMATCH_MISMATCH ? Failure::ChangedIdentity : Failure::UnknownIdentity;
        return CURLKHSTAT_REJECT;
    }

    // Waits until libcurl has something to do. Between reading a passive reply and opening the
    // data connection libcurl 7.88 watches no socket and sets no timer; a plain poll would then
    // sleep its whole interval once per file, so that state is only given a millisecond.
    CURLMcode wait()
    {
        fd_set readSet;
        fd_set writeSet;
        fd_set errorSet;
        FD_ZERO(&readSet);
        FD_ZERO(&writeSet);
        FD_ZERO(&errorSet);
        int maxFd = -1;
        long timeoutMs = -1;
        if (CURLMcode mc = curl_multi_fdset(multi.get(), &readSet, &writeSet, &errorSet, &maxFd); mc != CURLM_OK)
            return mc;
        if (CURLMcode mc = curl_multi_timeout(multi.get(), &timeoutMs); mc != CURLM_OK)
            return mc;
        // At most a fifth of a second: a stop request is noticed that fast. Over SFTP, libssh2 may
        // hold data it already read while libcurl waits on the socket, which then stays quiet: a
        // millisecond keeps that from costing a wait per file (0.75 s against 0.18 s for 100 files
        // of 8 KB on loopback).
        const int interval = sftp() || (maxFd < 0 && timeoutMs != 0) ? 1 : 200;
        return curl_multi_poll(multi.get(), nullptr, 0, interval, nullptr);
    }

    // Runs the transfer set up on the easy handle to its end. On failure sets `failure` (unless a
    // callback did) and returns a message naming the cause; empty on success.
    std::string perform()
    {
        exchange.clear();
        pending.clear();
        body.clear();
        bodyTooLong = false;
        errorBuffer[0] = '\0';
        failure = Failure::None;
        lastCode = CURLE_OK;
        if (stopped()) {
            failure = Failure::Stopped;
            return "Stopped.";
        }
        if (CURLMcode added = curl_multi_add_handle(multi.get(), easy.get()); added != CURLM_OK) {
            failure = Failure::Other;
            return curl_multi_strerror(added);
        }
        std::string error;
        int running = 1;
        while (running) {
            if (stopped()) {
                failure = Failure::Stopped;
                error = "Stopped.";
                break;
            }
            CURLMcode mc = curl_multi_perform(multi.get(), &running);
            if (mc == CURLM_OK && running)
                mc = wait();
            if (mc != CURLM_OK) {
                failure = Failure::Other;
                error = curl_multi_strerror(mc);
                break;
            }
        }
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi.get(), &left))
            if (message->msg == CURLMSG_DONE)
                lastCode = message->data.result;
        if (sftp()) {
            long made = 0;
            if (curl_easy_getinfo(easy.get(), CURLINFO_NUM_CONNECTS, &made) == CURLE_OK)
                connections += made;
        }
        curl_multi_remove_handle(multi.get(), easy.get());
        if (!pending.empty()) {
            exchange.push_back(pending);
            if (recording)
                unread.push_back(pending);
            pending.clear();
        }
        // Every new FTP control connection starts with the server's greeting (data connections count too in libcurl's
        // own figure).
        for (const auto& line : exchange)
            connections += !sftp() && line.starts_with("220 ") ? 1 : 0;
        if (!error.empty())
            return error;
        if (lastCode == CURLE_OK)
            return {};
        if (failure == Failure::None)
            failure = FailureOf(lastCode);
        error = curl_easy_strerror(lastCode);
        if (errorBuffer[0] != '\0' && error != errorBuffer)
            error += std::string(" (") + errorBuffer + ")";
        return error;
    }

    // The last final reply line of the current exchange, or empty.
    std::string lastReply() const
    {
        for (auto it = exchange.rbegin(); it != exchange.rend(); ++it)
            if (IsFinalReplyLine(*it))
                return *it;
        return {};
    }

    // The failure of an operation on a remote path, naming it and the server's answer.
    Status failed(const std::string& what, const std::string& error)
    {
        const std::string reply = lastReply();
        std::string message = what + ": " + (reply.empty() ? error : reply);
        if (failure == Failure::Timeout)
            return Status::NetworkError(message + " (the server stopped answering)");
        if (failure == Failure::Stopped)
            return Status::Cancelled(what + ": stopped");
        return Status::NetworkError(message);
    }

    std::string escapedPath(const std::string& remotePath)
    {
        std::string url;
        std::size_t start = 1;
        while (start <= remotePath.size()) {
            const auto slash = remotePath.find('/', start);
            const std::string part = remotePath.substr(start, slash == std::string::npos ? slash : slash - start);
            char* escaped = curl_easy_escape(easy.get(), part.c_str(), static_cast<int>(part.size()));
            url += escaped ? escaped : "";
            curl_free(escaped);
            if (slash == std::string::npos)
                break;
            url += '/';
            start = slash + 1;
        }
        return url;
    }

    // The URL of an absolute remote path. On FTP "%2F" keeps it absolute instead of relative to
    // the login folder; on SFTP a path after the host is absolute already.
    std::string urlOf(const std::string& remotePath)
    {
        return baseUrl + (sftp() ? "/" : "/%2F") + escapedPath(remotePath);
    }

    void setRequest(const std::string& url, bool noBody, curl_slist* quote)
    {
        CURL* e = easy.get();
        curl_easy_setopt(e, CURLOPT_URL, url.c_str());
        curl_easy_setopt(e, CURLOPT_UPLOAD, 0L);
        curl_easy_setopt(e, CURLOPT_NOBODY, noBody ? 1L : 0L);
        curl_easy_setopt(e, CURLOPT_QUOTE, quote);
        curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, nullptr);
        curl_easy_setopt(e, CURLOPT_READDATA, nullptr);
    }

    // Runs protocol commands (FTP: "MKD /x"; SFTP: "mkdir \"/x\"") on the connection, no transfer.
    // On FTP a refusal keeps the connection: the leading '*' lets libcurl carry on, and the last
    // reply decides.
    std::string quote(const std::vector<std::string>& commands)
    {
        std::vector<std::string> lines = commands;
        if (!sftp())
            for (auto& line : lines)
                line.insert(0, 1, '*');
        SList list = MakeList(lines);
        if (!list) {
            failure = Failure::Other;
            return "out of memory";
        }
        setRequest(baseUrl + "/", true, list.get());
        std::string error = perform();
        curl_easy_setopt(easy.get(), CURLOPT_QUOTE, nullptr);
        if (error.empty() && !sftp()) {
            const std::string reply = lastReply();
            if (reply.empty() || reply[0] != '2') {
                failure = Failure::Permission;
                lastCode = CURLE_QUOTE_ERROR;
                error = reply.empty() ? "no reply from the server" : reply;
            }
        }
        return error;
    }

    void configure()
    {
        CURL* e = easy.get();
        const bool v6 = settings.host.find(':') != std::string::npos;
        const std::string host = v6 ? "[" + settings.host + "]" : settings.host;
        // Explicit TLS is FTP upgraded by AUTH TLS: the URL stays ftp:// (ftps:// would be implicit TLS).
        baseUrl = std::string(sftp() ? "sftp" : "ftp") + "://" + host + ":" + std::to_string(settings.effectivePort());
        curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, sftp() ? "sftp" : "ftp");
        curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(e, CURLOPT_USERNAME, settings.userName.c_str());
        curl_easy_setopt(e, CURLOPT_PASSWORD, settings.password.c_str());
        curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, settings.timeouts.connectSeconds);
        curl_easy_setopt(e, CURLOPT_SERVER_RESPONSE_TIMEOUT, settings.timeouts.replySeconds);
        curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, settings.timeouts.replySeconds);
        curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &Impl::onHeader);
        curl_easy_setopt(e, CURLOPT_HEADERDATA, this);
        curl_easy_setopt(e, CURLOPT_READFUNCTION, &Impl::onRead);
        curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &Impl::onWrite);
        curl_easy_setopt(e, CURLOPT_WRITEDATA, this);
        curl_easy_setopt(e, CURLOPT_ERRORBUFFER, errorBuffer);
        // Paths are absolute and tracked by the caller; sending them whole saves a CWD per file.
        curl_easy_setopt(e, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
        if (settings.protocol == Protocol::Ftps)
            configureTls();
        if (sftp())
            configureSsh();
    }

    void configureTls()
    {
        CURL* e = easy.get();
        // Control and data connections both encrypted, never a fall-back to plain FTP.
        curl_easy_setopt(e, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
        curl_easy_setopt(e, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
        curl_easy_setopt(e, CURLOPT_SSL_CTX_FUNCTION, &Impl::onTlsContext);
        curl_easy_setopt(e, CURLOPT_SSL_CTX_DATA, this);
        curl_easy_setopt(e, CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
        if (settings.trustedKey.empty()) {
            curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
            curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
            return;
        }
        // The author accepted this key for this server: it alone decides, whatever signed it.
        const std::string pin = PinnedKeyOption(settings.trustedKey);
        curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 0L);
        curl_easy_setopt(e, CURLOPT_PINNEDPUBLICKEY, pin.c_str());
    }

    void configureSsh()
    {
        CURL* e = easy.get();
        knownHosts = settings.knownHostsFile;
        if (knownHosts.empty()) {
            const char* homeDir = std::getenv("HOME");
            knownHosts = std::string(homeDir ? homeDir : "") + "/.ssh/known_hosts";
        }
        // Never connect without checking the host key: the callback sees every key first.
        curl_easy_setopt(e, CURLOPT_SSH_KNOWNHOSTS, knownHosts.c_str());
        curl_easy_setopt(e, CURLOPT_SSH_KEYFUNCTION, &Impl::onHostKey);
        curl_easy_setopt(e, CURLOPT_SSH_KEYDATA, this);
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

    Status connectFailed(const std::string& error)
    {
        const std::string reply = lastReply();
        if (!sftp() && failure != Failure::Stopped && MentionsTls(reply) && settings.protocol == Protocol::Ftp)
            failure = Failure::TlsRequired;
        if (failure == Failure::UnknownIdentity || failure == Failure::ChangedIdentity) {
            // The TLS check failed before anything else was sent; ask again, without checking, to show what it was.
            if (settings.protocol == Protocol::Ftps) {
                auto shown = FetchServerIdentity(settings);
                identity = shown ? shown.value() : ServerIdentity {};
            }
        }
        const std::string detail = reply.empty() ? error : reply;
        switch (failure) {
        case Failure::NameResolution:
            return Status::NetworkError("The server name " + settings.host + " is not known: " + error);
        case Failure::ConnectionRefused:
            return Status::NetworkError("Cannot connect to " + where() +
                                        ": nothing answers there (check the server name, its port and the protocol). " +
                                        error);
        case Failure::Timeout:
            return Status::NetworkError(where() + " did not answer in time: " + error);
        case Failure::TlsRequired:
            return Status::NetworkError(where() +
                                        " refused the login over plain FTP: this server requires FTP with "
                                        "TLS. Choose \"FTP with TLS\" as the protocol. (" +
                                        detail + ")");
        case Failure::TlsUnavailable:
            return Status::NetworkError(where() + " does not offer FTP with TLS: " + detail);
        case Failure::Tls:
            return Status::NetworkError("The TLS connection with " + where() + " failed: " + error);
        case Failure::UnknownIdentity:
            return Status::NetworkError("The identity of " + where() + " is not trusted yet: it shows " +
                                        identity.fingerprint + ". Nothing was sent.");
        case Failure::ChangedIdentity:
            return Status::NetworkError(
                "The identity of " + where() + " has CHANGED: it shows " + identity.fingerprint +
                (settings.trustedKey.empty() ? std::string(", not the key recorded in ") + knownHosts
                                             : ", not the trusted " + settings.trustedKey) +
                ". Someone may be pretending to be the server; nothing was sent.");
        case Failure::Login:
            return Status::NetworkError(where() + " refused the login of " + settings.userName + ": " + detail);
        case Failure::Stopped:
            return Status::Cancelled("Stopped.");
        case Failure::None:
        case Failure::Permission:
        case Failure::Other:
            break;
        }
        return Status::NetworkError("Cannot connect to " + where() + ": " + detail);
    }

    // True when the folder exists (used to tell "already there" from a refusal). Records nothing.
    bool folderExists(const std::string& path)
    {
        recording = false;
        std::string error;
        if (sftp()) {
            setRequest(urlOf(path) + "/", false, nullptr);
            curl_easy_setopt(easy.get(), CURLOPT_DIRLISTONLY, 1L);
            error = perform();
            curl_easy_setopt(easy.get(), CURLOPT_DIRLISTONLY, 0L);
        } else {
            error = quote({"CWD " + ResolvedFolder(path)});
        }
        recording = true;
        return error.empty();
    }

    Result<std::vector<Entry>> listFolder(const std::string& folder, bool useMlsd)
    {
        const std::string path = folder.empty() || folder.back() != '/' ? folder + "/" : folder;
        if (!sftp()) {
            // Entering the folder first: some servers list a missing folder as an empty one.
            const std::string cwd = quote({"CWD " + ResolvedFolder(folder)});
            if (!cwd.empty())
                return failure == Failure::Permission
                           ? Status::NotFound("No folder " + folder + " on the server: " + cwd)
                           : failed("Cannot list " + folder, cwd);
        }
        setRequest(path == "/" ? baseUrl + (sftp() ? "/" : "/%2F/") : urlOf(path), false, nullptr);
        if (!sftp() && useMlsd)
            curl_easy_setopt(easy.get(), CURLOPT_CUSTOMREQUEST, "MLSD");
        const std::string error = perform();
        curl_easy_setopt(easy.get(), CURLOPT_CUSTOMREQUEST, nullptr);
        if (error.empty())
            return useMlsd && !sftp() ? ParseMlsdListing(body) : ParseLongListing(body);
        if (lastCode == CURLE_QUOTE_ERROR || lastCode == CURLE_REMOTE_FILE_NOT_FOUND)
            return Status::NotFound("No folder " + folder +
                                    " on the server: " + (lastReply().empty() ? error : lastReply()));
        const std::string reply = lastReply();
        if (useMlsd && (reply.starts_with("500") || reply.starts_with("502"))) {
            mlsdRefused = true;
            return listFolder(folder, false);
        }
        return failed("Cannot list " + folder, error);
    }
};

CurlRemoteFs::CurlRemoteFs(ConnectionSettings settings)
    : m_impl(std::make_unique<Impl>())
{
    m_impl->settings = std::move(settings);
}

CurlRemoteFs::~CurlRemoteFs() = default;

Status CurlRemoteFs::connect()
{
    Impl& d = *m_impl;
    if (Status s = StartCurl(); !s.ok())
        return s;
    d.multi.reset(curl_multi_init());
    d.easy.reset(curl_easy_init());
    if (!d.multi || !d.easy)
        return Status::NetworkError("Cannot start the network library");
    d.configure();
    d.setRequest(d.baseUrl + "/", true, nullptr);
    const std::string error = d.perform();
    if (!error.empty())
        return d.connectFailed(error);
    d.connected = true;
    char* path = nullptr;
    if (curl_easy_getinfo(d.easy.get(), CURLINFO_FTP_ENTRY_PATH, &path) == CURLE_OK && path && path[0] == '/') {
        d.home = path;
        if (d.home.back() != '/')
            d.home += '/';
    }
    return Status::OK();
}

std::string CurlRemoteFs::homeFolder() const
{
    return m_impl->home;
}

Status CurlRemoteFs::makeFolder(const std::string& path)
{
    Impl& d = *m_impl;
    const std::string error = d.quote({d.sftp() ? "mkdir " + SftpArgument(path) : "MKD " + path});
    if (error.empty())
        return Status::OK();
    if (d.failure == Failure::Permission) {
        const std::string reply = d.lastReply();
        const Failure failure = d.failure;
        if (d.folderExists(path)) {
            d.failure = Failure::None;
            return Status::InvalidArgument("The folder " + path + " exists already" +
                                           (reply.empty() ? std::string() : " (" + reply + ")"));
        }
        d.failure = failure;
    }
    return d.failed("Cannot make the folder " + path, error);
}

Status CurlRemoteFs::put(const std::string& localPath, const std::string& remotePath, std::uint64_t& bytesSent)
{
    Impl& d = *m_impl;
    std::unique_ptr<std::FILE, FileClose> file(std::fopen(localPath.c_str(), "rbe"));
    struct stat info
    {
    };
    if (!file || ::fstat(::fileno(file.get()), &info) != 0 || !S_ISREG(info.st_mode)) {
        d.failure = Failure::Other;
        return Status::IoError(localPath + ": " + (file ? std::string("not a file") : std::strerror(errno)));
    }
    CURL* e = d.easy.get();
    d.setRequest(d.urlOf(remotePath), false, nullptr);
    curl_easy_setopt(e, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(e, CURLOPT_READDATA, file.get());
    curl_easy_setopt(e, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(info.st_size));
    const std::string error = d.perform();
    curl_easy_setopt(e, CURLOPT_READDATA, nullptr);
    curl_easy_setopt(e, CURLOPT_UPLOAD, 0L);
    if (!error.empty())
        return d.failed("Cannot send " + remotePath, error);
    curl_off_t sent = 0;
    if (curl_easy_getinfo(e, CURLINFO_SIZE_UPLOAD_T, &sent) == CURLE_OK)
        bytesSent += static_cast<std::uint64_t>(sent);
    return Status::OK();
}

Result<std::string> CurlRemoteFs::fetch(const std::string& remotePath)
{
    Impl& d = *m_impl;
    d.setRequest(d.urlOf(remotePath), false, nullptr);
    const std::string error = d.perform();
    if (error.empty())
        return std::move(d.body);
    if (d.lastCode == CURLE_REMOTE_FILE_NOT_FOUND)
        return Status::NotFound("No file " + remotePath + " on the server");
    if (d.bodyTooLong)
        return Status::InvalidArgument("The file " + remotePath + " on the server is too large to read");
    return d.failed("Cannot read " + remotePath, error);
}

Status CurlRemoteFs::remove(const std::string& remotePath)
{
    Impl& d = *m_impl;
    const std::string error = d.quote({d.sftp() ? "rm " + SftpArgument(remotePath) : "DELE " + remotePath});
    return error.empty() ? Status::OK() : d.failed("Cannot delete " + remotePath, error);
}

Status CurlRemoteFs::rename(const std::string& from, const std::string& to)
{
    Impl& d = *m_impl;
    if (!d.sftp()) {
        const std::string error = d.quote({"RNFR " + from, "RNTO " + to});
        return error.empty() ? Status::OK() : d.failed("Cannot rename " + from + " to " + to, error);
    }
    const std::string command = "rename " + SftpArgument(from) + " " + SftpArgument(to);
    std::string error = d.quote({command});
    if (!error.empty() && d.failure == Failure::Permission) {
        // SFTP version 3 servers refuse to rename onto an existing file: remove it first.
        d.recording = false;
        const std::string removed = d.quote({"rm " + SftpArgument(to)});
        d.recording = true;
        if (removed.empty())
            error = d.quote({command});
    }
    return error.empty() ? Status::OK() : d.failed("Cannot rename " + from + " to " + to, error);
}

Result<std::vector<RemoteFs::Entry>> CurlRemoteFs::list(const std::string& folder)
{
    return m_impl->listFolder(folder, !m_impl->mlsdRefused);
}

std::vector<std::string> CurlRemoteFs::takeServerLines()
{
    std::vector<std::string> lines;
    lines.swap(m_impl->unread);
    return lines;
}

Failure CurlRemoteFs::lastFailure() const
{
    return m_impl->failure;
}

const ServerIdentity& CurlRemoteFs::serverIdentity() const
{
    return m_impl->identity;
}

long CurlRemoteFs::connectionsMade() const
{
    return m_impl->connections;
}

} // namespace qle::publish
