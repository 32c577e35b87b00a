#include "publish/remote/ReplyKinds.h"

#include "publish/script/FtpScript.h"

#include <curl/curl.h>

#include <cstdlib>

namespace qle::publish {

namespace {

int ReplyCode(const std::string& reply)
{
    return reply.size() >= 3 ? std::atoi(reply.substr(0, 3).c_str()) : 0;
}

bool SaysAny(const std::string& lower, std::initializer_list<const char*> phrases)
{
    for (const char* phrase : phrases)
        if (lower.find(phrase) != std::string::npos)
            return true;
    return false;
}

// What a reply's words say where its code says too little.
bool SaysMissing(const std::string& lower)
{
    return SaysAny(lower,
                   {"no such", "not found", "not exist", "n't exist", "cannot find", "can't find", "not present"});
}
bool SaysTaken(const std::string& lower)
{
    return !SaysMissing(lower) && SaysAny(lower, {"exist", "already", "name is taken", "in use"});
}
bool SaysDenied(const std::string& lower)
{
    return SaysAny(lower, {"denied", "permission", "not allowed", "privilege", "forbidden"});
}

// libcurl's result of a call that got no refusal from the server to go by.
RemoteErrorKind KindOfCurlCode(int code)
{
    switch (static_cast<CURLcode>(code)) {
    case CURLE_REMOTE_FILE_NOT_FOUND:
        return RemoteErrorKind::NotFound;
    case CURLE_REMOTE_FILE_EXISTS:
        return RemoteErrorKind::AlreadyExists;
    case CURLE_ABORTED_BY_CALLBACK:
        return RemoteErrorKind::Stopped;
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_COULDNT_CONNECT:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_FTP_ACCEPT_FAILED:
    case CURLE_FTP_ACCEPT_TIMEOUT:
    case CURLE_FTP_CANT_GET_HOST:
    case CURLE_FTP_WEIRD_PASV_REPLY:
    case CURLE_FTP_WEIRD_227_FORMAT:
    case CURLE_FTP_PORT_FAILED:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_AGAIN:
        return RemoteErrorKind::Transient;
    default:
        // Anything else (a local file that cannot be read, an option refused) would fail again.
        return RemoteErrorKind::Refused;
    }
}

} // namespace

RemoteErrorKind FtpFailureKind(FtpCommand command, const std::string& reply, int curlCode)
{
    const int code = ReplyCode(reply);
    // libcurl knows what a refused RETR means, whatever the server's words.
    if (code < 400 || code >= 600 || curlCode == CURLE_REMOTE_FILE_NOT_FOUND)
        return KindOfCurlCode(curlCode);
    switch (code) {
    case 421: // closing the connection: too many connections, or idle too long
    case 425: // no data connection
    case 426: // the data connection broke
    case 450: // the file is busy
    case 451: // an error on the server's side
        return RemoteErrorKind::Transient;
    case 521:
    case 550:
    case 553: {
        const std::string words = AsciiLowerCase(reply);
        if (SaysMissing(words))
            return RemoteErrorKind::NotFound;
        const bool makes =
            command == FtpCommand::MakeFolder || command == FtpCommand::RenameTo || command == FtpCommand::Transfer;
        if (makes && SaysTaken(words))
            return RemoteErrorKind::AlreadyExists;
        // Some servers answer CWD into a missing folder with no more than "550 Failed to change directory".
        if (code == 550 && command == FtpCommand::Enter && !SaysDenied(words))
            return RemoteErrorKind::NotFound;
        return RemoteErrorKind::Refused;
    }
    default:
        // 452 and 552 (no room) are refusals for good; other 4xx replies are worth another try.
        return code < 500 && code != 452 ? RemoteErrorKind::Transient : RemoteErrorKind::Refused;
    }
}

std::string FtpReplyReason(const std::string& reply)
{
    const int code = ReplyCode(reply);
    if (code == 421)
        return "the server refused more connections";
    if (code == 452 || code == 552)
        return "the server has no room for it (the web space is full or its quota is used up)";
    return {};
}

RemoteErrorKind SftpFailureKind(const std::string& error, int curlCode)
{
    const std::string words = AsciiLowerCase(error);
    // libcurl's names for SFTP's status codes.
    if (SaysAny(words, {"no such file", "no such path"}))
        return RemoteErrorKind::NotFound;
    if (words.find("file already exists") != std::string::npos)
        return RemoteErrorKind::AlreadyExists;
    if (SaysAny(words, {"connection to sftp server lost", "not connected to sftp server"}))
        return RemoteErrorKind::Transient;
    if (SaysAny(words, {"permission denied", "write protected", "disk full", "quota exceeded", "not supported",
                        "invalid filename", "operation failed", "lock conflict", "not a directory"}))
        return RemoteErrorKind::Refused;
    // CURLE_SSH without a status: the session itself failed.
    return curlCode == CURLE_SSH ? RemoteErrorKind::Transient : KindOfCurlCode(curlCode);
}

bool SftpSaysNoMore(const std::string& error)
{
    return AsciiLowerCase(error).find("operation failed") != std::string::npos;
}

RemoteErrorKind DavFailureKind(DavRequest request, long status, int curlCode)
{
    if (status == 0)
        return KindOfCurlCode(curlCode);
    switch (status) {
    case 404:
    case 409: // RFC 4918: the folder the request puts something in is missing
    case 410:
        return RemoteErrorKind::NotFound;
    case 405: // MKCOL onto a name that is there already
        return request == DavRequest::MakeFolder ? RemoteErrorKind::AlreadyExists : RemoteErrorKind::Refused;
    case 412: // MOVE onto a file the server keeps (Overwrite: F, or a server that never overwrites)
        return request == DavRequest::Move ? RemoteErrorKind::AlreadyExists : RemoteErrorKind::Refused;
    case 408:
    case 429:
        return RemoteErrorKind::Transient;
    case 501: // not implemented, wrong version, no room: asking again gets the same answer
    case 505:
    case 507:
        return RemoteErrorKind::Refused;
    default:
        return status >= 500 ? RemoteErrorKind::Transient : RemoteErrorKind::Refused;
    }
}

std::string DavReplyReason(long status)
{
    if (status == 507)
        return "the server has no room for it (the web space is full or its quota is used up)";
    return {};
}

} // namespace qle::publish
