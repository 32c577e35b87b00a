#include "publish/remote/RemoteError.h"

namespace qle::publish {

namespace {

const char* KindWords(RemoteErrorKind kind)
{
    switch (kind) {
    case RemoteErrorKind::NotFound:
        return "not found on the server";
    case RemoteErrorKind::AlreadyExists:
        return "the name is taken on the server";
    case RemoteErrorKind::Refused:
        return "the server refused it";
    case RemoteErrorKind::Transient:
        return "the connection failed (trying again may work)";
    case RemoteErrorKind::Stopped:
        return "stopped";
    }
    return "failed";
}

} // namespace

Status RemoteError(RemoteErrorKind kind, const std::string& what, const std::string& serverWords,
                   const std::string& reason)
{
    std::string message = what + ": " + (reason.empty() ? KindWords(kind) : reason);
    if (!serverWords.empty())
        message += " (" + serverWords + ")";
    return StatusOfKind(kind, std::move(message));
}

Status StatusOfKind(RemoteErrorKind kind, std::string message)
{
    switch (kind) {
    case RemoteErrorKind::NotFound:
        return Status::NotFound(message);
    case RemoteErrorKind::AlreadyExists:
        return Status::InvalidArgument(message);
    case RemoteErrorKind::Refused:
        return Status::IoError(message);
    case RemoteErrorKind::Transient:
        return Status::NetworkError(message);
    case RemoteErrorKind::Stopped:
        return Status::Cancelled(message);
    }
    return Status::IoError(message);
}

RemoteErrorKind KindOf(const Status& status)
{
    switch (status.code()) {
    case Status::Code::NotFound:
        return RemoteErrorKind::NotFound;
    case Status::Code::InvalidArgument:
        return RemoteErrorKind::AlreadyExists;
    case Status::Code::NetworkError:
        return RemoteErrorKind::Transient;
    case Status::Code::Cancelled:
        return RemoteErrorKind::Stopped;
    case Status::Code::Ok:
    case Status::Code::IoError:
    case Status::Code::DatabaseError:
    case Status::Code::Unavailable:
        break;
    }
    return RemoteErrorKind::Refused;
}

} // namespace qle::publish
