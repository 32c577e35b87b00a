#include "publish/remote/CurlRemoteFs.h"

#include "publish/remote/ConnectFailure.h"
#include "publish/remote/CurlTransfer.h"
#include "publish/remote/IdentityCheck.h"
#include "publish/remote/RemoteListing.h"

#include "app/Paths.h"

#include <curl/curl.h>
#include <openssl/ssl.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace qle::publish {

namespace {

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

bool MentionsTls(const std::string& text)
{
    for (const char* word : {"TLS", "SSL", "ncrypt", "secure"})
        if (text.find(word) != std::string::npos)
            return true;
    return false;
}

} // namespace

struct CurlRemoteFs::Impl
{
    ConnectionSettings settings;
    CurlTransfer transfer;
    std::string baseUrl; // "ftp://host:port" or "sftp://host:port", no trailing '/'
    std::string home = "/";
    std::string knownHosts;
    CURLcode lastCode = CURLE_OK; // of the last call; CURLE_QUOTE_ERROR for a refused FTP command
    Failure failure = Failure::None;
    ServerIdentity identity;
    bool mlsdRefused = false; // the server does not know MLSD: list with LIST

    CURL* easy() const { return static_cast<CURL*>(transfer.easy()); }
    bool sftp() const { return settings.protocol == Protocol::Sftp; }
    std::string where() const { return settings.host + ":" + std::to_string(settings.effectivePort()); }

    static std::size_t onRead(char* buffer, std::size_t size, std::size_t count, void* file)
    {
        const std::size_t n = std::fread(buffer, size, count, static_cast<std::FILE*>(file));
        if (n == 0 && std::ferror(static_cast<std::FILE*>(file)))
            return CURL_READFUNC_ABORT;
        return n;
    }

    // Servers that demand TLS session reuse on data connections want the control connection's
    // session every time. With TLS 1.3 every data connection hands out new tickets, which libcurl
    // would keep instead, and the server then refuses the next transfer ("522 session reuse
    // required"). So only the control connection's session is kept.
    static CURLcode onTlsContext(CURL*, void* context, void* self)
    {
        auto* impl = static_cast<Impl*>(self);
        if (!impl->transfer.takeTlsAccepted())
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

    // Runs the call set up on the easy handle. On failure sets `failure` (unless a callback did) and
    // returns a message naming the cause; empty on success.
    std::string perform()
    {
        failure = Failure::None;
        bool stopped = false;
        std::string error = transfer.run(settings.stop, stopped);
        lastCode = static_cast<CURLcode>(transfer.resultCode());
        if (stopped)
            failure = Failure::Stopped;
        else if (!error.empty() && failure == Failure::None)
            failure = lastCode == CURLE_OK ? Failure::Other : FailureOfCurlCode(lastCode);
        return error;
    }

    // The failure of an operation on a remote path, naming it and the server's answer.
    Status failed(const std::string& what, const std::string& error)
    {
        const std::string reply = transfer.lastReply();
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
            char* escaped = curl_easy_escape(easy(), part.c_str(), static_cast<int>(part.size()));
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
        CURL* e = easy();
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
        curl_easy_setopt(easy(), CURLOPT_QUOTE, nullptr);
        if (error.empty() && !sftp()) {
            const std::string reply = transfer.lastReply();
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
        CURL* e = easy();
        // Explicit TLS is FTP upgraded by AUTH TLS: the URL stays ftp:// (ftps:// would be implicit TLS).
        baseUrl = std::string(sftp() ? "sftp" : "ftp") + "://" + settings.hostAndPort();
        curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, sftp() ? "sftp" : "ftp");
        curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(e, CURLOPT_USERNAME, settings.userName.c_str());
        curl_easy_setopt(e, CURLOPT_PASSWORD, settings.password.c_str());
        curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, settings.timeouts.connectSeconds);
        curl_easy_setopt(e, CURLOPT_SERVER_RESPONSE_TIMEOUT, settings.timeouts.replySeconds);
        curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, settings.timeouts.replySeconds);
        curl_easy_setopt(e, CURLOPT_READFUNCTION, &Impl::onRead);
        // Paths are absolute and tracked by the caller; sending them whole saves a CWD per file.
        curl_easy_setopt(e, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
        if (settings.protocol == Protocol::Ftps)
            configureTls();
        if (sftp())
            configureSsh();
    }

    void configureTls()
    {
        CURL* e = easy();
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
        CURL* e = easy();
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
        const std::string reply = transfer.lastReply();
        if (!sftp() && failure != Failure::Stopped && MentionsTls(reply) && settings.protocol == Protocol::Ftp)
            failure = Failure::TlsRequired;
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
        return ConnectFailureStatus(failure, facts);
    }

    // True when the folder exists (used to tell "already there" from a refusal). Records nothing.
    bool folderExists(const std::string& path)
    {
        transfer.setRecording(false);
        std::string error;
        if (sftp()) {
            setRequest(urlOf(path) + "/", false, nullptr);
            curl_easy_setopt(easy(), CURLOPT_DIRLISTONLY, 1L);
            error = perform();
            curl_easy_setopt(easy(), CURLOPT_DIRLISTONLY, 0L);
        } else {
            error = quote({"CWD " + ResolvedFolder(path)});
        }
        transfer.setRecording(true);
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
            curl_easy_setopt(easy(), CURLOPT_CUSTOMREQUEST, "MLSD");
        const std::string error = perform();
        curl_easy_setopt(easy(), CURLOPT_CUSTOMREQUEST, nullptr);
        if (error.empty())
            return useMlsd && !sftp() ? ParseMlsdListing(transfer.body()) : ParseLongListing(transfer.body());
        if (lastCode == CURLE_QUOTE_ERROR || lastCode == CURLE_REMOTE_FILE_NOT_FOUND)
            return Status::NotFound("No folder " + folder +
                                    " on the server: " + (transfer.lastReply().empty() ? error : transfer.lastReply()));
        const std::string reply = transfer.lastReply();
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
    // A second call (after a failed one) reuses the handles.
    if (!d.easy()) {
        const auto waits = d.sftp() ? CurlTransfer::Waits::Brief : CurlTransfer::Waits::OnSockets;
        if (Status s = d.transfer.start(waits); !s.ok())
            return s;
        d.transfer.setBodyLimit(kFetchLimit);
    }
    d.configure();
    d.setRequest(d.baseUrl + "/", true, nullptr);
    const std::string error = d.perform();
    if (!error.empty())
        return d.connectFailed(error);
    char* path = nullptr;
    if (curl_easy_getinfo(d.easy(), CURLINFO_FTP_ENTRY_PATH, &path) == CURLE_OK && path && path[0] == '/') {
        d.home = app::WithTrailingSlash(path);
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
        const std::string reply = d.transfer.lastReply();
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
    CURL* e = d.easy();
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
        return std::move(d.transfer.body());
    if (d.lastCode == CURLE_REMOTE_FILE_NOT_FOUND)
        return Status::NotFound("No file " + remotePath + " on the server");
    if (d.transfer.bodyTooLong())
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
        d.transfer.setRecording(false);
        const std::string removed = d.quote({"rm " + SftpArgument(to)});
        d.transfer.setRecording(true);
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
    return m_impl->transfer.takeUnread();
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
    return m_impl->transfer.connectionsMade();
}

} // namespace qle::publish
