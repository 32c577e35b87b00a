// The protocols a site can publish over, as the publish settings and the batch file name them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qle::publish {

enum class Protocol {
    Ftp,
    Ftps, // explicit TLS on the FTP port
    Sftp,
    Git,    // a branch of a Git repository (page hosts publish what is pushed)
    WebDav, // a WebDAV folder over HTTPS
};

// A protocol's name as settings keep it: ASCII letters in capitals ("ftps" -> "FTPS").
std::string ProtocolNameOf(std::string_view text);

// "FTP", "FTPS", "SFTP", "GIT" or "WEBDAV" in any letter case; empty text means FTP. Anything
// else: nothing.
std::optional<Protocol> ParseProtocol(std::string_view text);
// The setting's value: "FTP", "FTPS", "SFTP", "GIT" or "WEBDAV".
const char* ProtocolName(Protocol protocol);
// The URL scheme of the FTP family: "ftp", "ftps" or "sftp" (Git and WebDAV addresses carry their own).
const char* SchemeOf(Protocol protocol);
// The FTP family's usual port (Git and WebDAV: that of the address's own scheme, see RemoteAddress).
int DefaultPort(Protocol protocol);

// True for the protocols whose destination is an address with a path (Git and WebDAV) rather than
// a server name.
bool TakesAddress(Protocol protocol);

// The server argument of the batch file's upload line for these settings: "host[:port]" for FTP,
// "scheme://host[:port]" for FTP with TLS and SFTP; for Git and WebDAV the written form of the
// address (see RemoteAddress.h), or the text as typed when it is not one. `server` is the site's
// destination setting.
std::string ServerArgument(Protocol protocol, const std::string& server);

} // namespace qle::publish
