// The kinds of failure a web space can report, whatever carries it (FTP, SFTP, and later others):
// what the sync decides by. Each transport maps its own replies onto them in one place; the
// message the author reads is made here, from the kind and the server's own words.
#pragma once

#include "store/Status.h"

#include <string>

namespace qle::publish {

enum class RemoteErrorKind {
    NotFound,      // no such file or folder
    AlreadyExists, // the server said the name is taken (a folder made twice, a rename onto a file it keeps)
    Refused,       // refused for good: permissions, quota, a name the server rejects; trying again cannot help
    Transient,     // the connection dropped, timed out or the server was busy (421, 426, 450): may work again
    Stopped,       // the author stopped the run
};

// A failed call on the web space, as a Status whose message is `what`, the kind in the author's
// words (or `reason` when given) and the server's own words in brackets ("Cannot rename /a to /b:
// the server refused it (553 Rename denied)"). Kinds travel as Status codes: NotFound, InvalidArgument
// (already exists), IoError (refused), NetworkError (transient) and Cancelled (stopped).
Status RemoteError(RemoteErrorKind kind, const std::string& what, const std::string& serverWords = {},
                   const std::string& reason = {});

// A Status of that kind with a message made elsewhere (the connection failures say more than one line).
Status StatusOfKind(RemoteErrorKind kind, std::string message);

// The kind of a failed call's Status (a local failure, such as a file that cannot be read, counts
// as refused). REQUIRES: !status.ok()
RemoteErrorKind KindOf(const Status& status);

inline bool IsTransient(const Status& status)
{
    return !status.ok() && KindOf(status) == RemoteErrorKind::Transient;
}

} // namespace qle::publish
