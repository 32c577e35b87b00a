#include "publish/FtpSession.h"

#include <curl/curl.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
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

bool IsFinalReplyLine(const std::string& line)
{
    return line.size() >= 4 && std::isdigit(static_cast<unsigned char>(line[0])) &&
           std::isdigit(static_cast<unsigned char>(line[1])) && std::isdigit(static_cast<unsigned char>(line[2])) &&
           line[3] == ' ';
}

} // namespace

std::string FtpSession::Reply::lastLine() const
{
    for (auto it = lines.rbegin(); it != lines.rend(); ++it)
        if (IsFinalReplyLine(*it))
            return *it;
    return lines.empty() ? std::string() : lines.back();
}

struct FtpSession::Impl
{
    // The multi handle owns the connection cache, so it must outlive the easy handle's use.
    std::unique_ptr<CURLM, MultiCleanup> multi;
    std::unique_ptr<CURL, EasyCleanup> easy;
    std::string baseUrl; // "ftp://host:port/"
    std::string pending; // a reply line not yet ended
    std::vector<std::string> lines;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    long connections = 0;

    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self)
    {
        auto* impl = static_cast<Impl*>(self);
        impl->pending.append(data, size * count);
        std::size_t end;
        while ((end = impl->pending.find('\n')) != std::string::npos) {
            std::string line = impl->pending.substr(0, end);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            impl->lines.push_back(std::move(line));
            impl->pending.erase(0, end + 1);
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
        const int interval = maxFd < 0 && timeoutMs != 0 ? 1 : 1000;
        return curl_multi_poll(multi.get(), nullptr, 0, interval, nullptr);
    }

    // Runs the transfer set up on the easy handle to its end through the multi handle.
    Reply perform()
    {
        lines.clear();
        pending.clear();
        errorBuffer[0] = '\0';
        Reply reply;
        CURLMcode added = curl_multi_add_handle(multi.get(), easy.get());
        if (added != CURLM_OK) {
            reply.error = curl_multi_strerror(added);
            return reply;
        }
        CURLcode result = CURLE_OK;
        int running = 1;
        while (running) {
            CURLMcode mc = curl_multi_perform(multi.get(), &running);
            if (mc == CURLM_OK && running)
                mc = wait();
            if (mc != CURLM_OK) {
                reply.error = curl_multi_strerror(mc);
                break;
            }
        }
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi.get(), &left))
            if (message->msg == CURLMSG_DONE)
                result = message->data.result;
        curl_multi_remove_handle(multi.get(), easy.get());

        if (!pending.empty())
            lines.push_back(std::move(pending));
        // Every new control connection starts with the server's greeting.
        for (const auto& line : lines)
            connections += line.starts_with("220 ") ? 1 : 0;
        reply.lines = std::move(lines);
        lines.clear();
        if (reply.error.empty() && result != CURLE_OK) {
            reply.error = curl_easy_strerror(result);
            if (errorBuffer[0] != '\0' && reply.error != errorBuffer)
                reply.error += std::string(" (") + errorBuffer + ")";
        }
        reply.ok = reply.error.empty();
        reply.timedOut = result == CURLE_OPERATION_TIMEDOUT;
        return reply;
    }

    void setNoTransfer(curl_slist* quote)
    {
        curl_easy_setopt(easy.get(), CURLOPT_URL, baseUrl.c_str());
        curl_easy_setopt(easy.get(), CURLOPT_UPLOAD, 0L);
        curl_easy_setopt(easy.get(), CURLOPT_NOBODY, 1L);
        curl_easy_setopt(easy.get(), CURLOPT_QUOTE, quote);
    }

    // The URL of an absolute remote path; "%2F" keeps it absolute instead of relative to the login folder.
    std::string urlOf(const std::string& remotePath)
    {
        std::string url = baseUrl + "%2F";
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
};

Result<FtpSession> FtpSession::create(const ServerAddress& server, const std::string& userName,
                                      const std::string& password, const Timeouts& timeouts)
{
    static std::once_flag globalInit;
    static CURLcode globalResult = CURLE_OK;
    std::call_once(globalInit, [] { globalResult = curl_global_init(CURL_GLOBAL_DEFAULT); });
    if (globalResult != CURLE_OK)
        return Status::NetworkError(std::string("Cannot start the network library: ") +
                                    curl_easy_strerror(globalResult));

    auto impl = std::make_unique<Impl>();
    impl->multi.reset(curl_multi_init());
    impl->easy.reset(curl_easy_init());
    if (!impl->multi || !impl->easy)
        return Status::NetworkError("Cannot start the network library");
    const bool v6 = server.host.find(':') != std::string::npos;
    impl->baseUrl = "ftp://" + (v6 ? "[" + server.host + "]" : server.host) + ":" + std::to_string(server.port) + "/";

    CURL* easy = impl->easy.get();
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_USERNAME, userName.c_str());
    curl_easy_setopt(easy, CURLOPT_PASSWORD, password.c_str());
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, timeouts.connectSeconds);
    curl_easy_setopt(easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, timeouts.replySeconds);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, timeouts.replySeconds);
    // Paths are absolute and tracked here; sending them whole saves a CWD per file.
    curl_easy_setopt(easy, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Impl::onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, impl.get());
    curl_easy_setopt(easy, CURLOPT_READFUNCTION, &Impl::onRead);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, impl->errorBuffer);
    return FtpSession(std::move(impl));
}

FtpSession::FtpSession(std::unique_ptr<Impl> impl)
    : m_impl(std::move(impl))
{
}
FtpSession::FtpSession(FtpSession&&) noexcept = default;
FtpSession& FtpSession::operator=(FtpSession&&) noexcept = default;
FtpSession::~FtpSession() = default;

FtpSession::Reply FtpSession::login()
{
    m_impl->setNoTransfer(nullptr);
    return m_impl->perform();
}

std::string FtpSession::entryPath() const
{
    char* path = nullptr;
    if (curl_easy_getinfo(m_impl->easy.get(), CURLINFO_FTP_ENTRY_PATH, &path) == CURLE_OK && path && path[0] == '/')
        return path;
    return "/";
}

FtpSession::Reply FtpSession::command(const std::string& ftpCommand)
{
    // The leading '*' lets libcurl carry on after a refusal instead of closing the connection;
    // the reply code decides success here.
    std::unique_ptr<curl_slist, ListFree> quote(curl_slist_append(nullptr, ("*" + ftpCommand).c_str()));
    if (!quote)
        return {false, {}, "out of memory"};
    m_impl->setNoTransfer(quote.get());
    Reply reply = m_impl->perform();
    curl_easy_setopt(m_impl->easy.get(), CURLOPT_QUOTE, nullptr);
    if (reply.ok) {
        const std::string last = reply.lastLine();
        if (last.empty() || last[0] != '2') {
            reply.ok = false;
            reply.error = last.empty() ? "no reply from the server" : last;
        }
    }
    return reply;
}

FtpSession::Reply FtpSession::put(const std::string& localPath, const std::string& remotePath, std::uint64_t& bytesSent)
{
    std::unique_ptr<std::FILE, FileClose> file(std::fopen(localPath.c_str(), "rbe"));
    struct stat info
    {
    };
    if (!file || ::fstat(::fileno(file.get()), &info) != 0 || !S_ISREG(info.st_mode))
        return {false, {}, localPath + ": " + (file ? std::string("not a file") : std::strerror(errno))};

    CURL* easy = m_impl->easy.get();
    const std::string url = m_impl->urlOf(remotePath);
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_NOBODY, 0L);
    curl_easy_setopt(easy, CURLOPT_QUOTE, nullptr);
    curl_easy_setopt(easy, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(easy, CURLOPT_READDATA, file.get());
    curl_easy_setopt(easy, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(info.st_size));
    Reply reply = m_impl->perform();
    curl_easy_setopt(easy, CURLOPT_READDATA, nullptr);
    curl_easy_setopt(easy, CURLOPT_UPLOAD, 0L);
    if (reply.ok) {
        curl_off_t sent = 0;
        if (curl_easy_getinfo(easy, CURLINFO_SIZE_UPLOAD_T, &sent) == CURLE_OK)
            bytesSent += static_cast<std::uint64_t>(sent);
    }
    return reply;
}

long FtpSession::connectionsMade() const
{
    return m_impl->connections;
}

} // namespace qle::publish
