#include "publish/remote/ConnectFailure.h"

#include "publish/remote/RemoteError.h"

#include <curl/curl.h>

namespace qle::publish {

Failure FailureOfCurlCode(int code)
{
    switch (static_cast<CURLcode>(code)) {
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

namespace {

std::string Message(Failure failure, const ConnectFailureFacts& f)
{
    const std::string detail = f.reply.empty() ? f.error : f.reply;
    switch (failure) {
    case Failure::NameResolution:
        return "The server name " + f.host + " is not known: " + f.error;
    case Failure::ConnectionRefused:
        return "Cannot connect to " + f.where +
               ": nothing answers there (check the server name, its port and the protocol). " + f.error;
    case Failure::Timeout:
        return f.where + " did not answer in time: " + f.error;
    case Failure::TooManyConnections:
        return f.where + " refused more connections (" + detail + ")";
    case Failure::TlsRequired:
        return f.where +
               " refused the login over plain FTP: this server requires FTP with TLS. Choose \"FTP with TLS\" "
               "as the protocol. (" +
               detail + ")";
    case Failure::TlsUnavailable:
        return f.where + " does not offer FTP with TLS: " + detail;
    case Failure::Tls:
        return "The TLS connection with " + f.where + " failed: " + f.error;
    case Failure::UnknownIdentity:
        return "The identity of " + f.where + " is not trusted yet: it shows " + f.shown + ". Nothing was sent.";
    case Failure::ChangedIdentity:
        return "The identity of " + f.where + " has CHANGED: it shows " + f.shown + ", not " + f.accepted +
               ". Someone may be pretending to be the server; nothing was sent.";
    case Failure::InsecureOption:
        return "The server's identity cannot be checked: " + f.error + ". Nothing was sent.";
    case Failure::Login:
        return f.where + " refused the login of " + f.userName + ": " + detail;
    case Failure::Passphrase:
        return "The passphrase of the key file " + f.keyFile + " is wrong: the key could not be unlocked, so " +
               f.where + " was not logged in to. Nothing was sent.";
    case Failure::Stopped:
        return "Stopped.";
    case Failure::None:
    case Failure::Permission:
    case Failure::Other:
        break;
    }
    return "Cannot connect to " + f.where + ": " + detail;
}

RemoteErrorKind KindOfFailure(Failure failure)
{
    switch (failure) {
    case Failure::NameResolution: // a name server or a link that is down for a moment
    case Failure::ConnectionRefused:
    case Failure::Timeout:
    case Failure::TooManyConnections:
        return RemoteErrorKind::Transient;
    case Failure::Stopped:
        return RemoteErrorKind::Stopped;
    default:
        return RemoteErrorKind::Refused;
    }
}

} // namespace

Status ConnectFailureStatus(Failure failure, const ConnectFailureFacts& facts)
{
    return StatusOfKind(KindOfFailure(failure), Message(failure, facts));
}

} // namespace qle::publish
