// Where each protocol's answers become the kinds of RemoteError: FTP's reply codes (and the words of
// the replies whose code says too little, such as 550), SFTP's status texts, and libcurl's results
// for a call that got no answer at all.
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

} // namespace qle::publish
