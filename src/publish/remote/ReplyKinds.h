// Where each protocol's answers become the kinds of RemoteError: FTP's reply codes (and the words of
// the replies whose code says too little, such as 550), SFTP's status texts, WebDAV's HTTP statuses,
// and libcurl's results for a call that got no answer at all.
#pragma once

#include "publish/remote/RemoteError.h"

#include <string>

namespace qle::publish {

// The FTP command a reply answers: a 550 means "not there" after some and "refused" after others.
enum class FtpCommand { Enter, MakeFolder, Delete, RenameFrom, RenameTo, Transfer };

// The kind of a failed FTP exchange: from the server's reply ("550 No such file") when it gave
// one, else from libcurl's result (a CURLcode).
RemoteErrorKind FtpFailureKind(FtpCommand command, const std::string& reply, int curlCode);

// The author's words for a reply whose code says more than its kind ("421": the server refused
// more connections); empty for the others.
std::string FtpReplyReason(const std::string& reply);

// The kind of a failed SFTP call from libcurl's message ("rename command failed: No such file or
// directory") and result. A plain failure ("Operation failed", all an SFTP version 3 server says
// for a name that is taken) counts as refused: the caller looks whether the name is taken.
RemoteErrorKind SftpFailureKind(const std::string& error, int curlCode);

// True when an SFTP refusal is that plain failure, and nothing more telling (a permission denied).
bool SftpSaysNoMore(const std::string& error);

// The WebDAV request an HTTP status answers: 405 and 412 say "the name is taken" only after some.
enum class DavRequest { MakeFolder, Move, Other };

// The kind of a failed WebDAV request: from its HTTP status when one came (404 and 410 not found;
// 409, a folder on the way missing, too; 405 after MKCOL and 412 after MOVE the name is taken;
// 408, 429 and 5xx but 501, 505 and 507 transient; the rest refused), else (status 0) from
// libcurl's result.
RemoteErrorKind DavFailureKind(DavRequest request, long status, int curlCode);

// The author's words for a status that says more than its kind (507: no room); empty for the others.
std::string DavReplyReason(long status);

} // namespace qle::publish
