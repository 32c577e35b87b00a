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
};

// A protocol's name as settings keep it: ASCII letters in capitals ("ftps" -> "FTPS").
std::string ProtocolNameOf(std::string_view text);

// "FTP", "FTPS" or "SFTP" in any letter case; empty text means FTP. Anything else: nothing.
std::optional<Protocol> ParseProtocol(std::string_view text);
// The setting's value: "FTP", "FTPS" or "SFTP".
const char* ProtocolName(Protocol protocol);
// The URL scheme: "ftp", "ftps" or "sftp".
const char* SchemeOf(Protocol protocol);
int DefaultPort(Protocol protocol);

// The server argument of the batch file's upload line for these settings: "host[:port]" for FTP,
// "scheme://host[:port]" otherwise. `server` is the site's server setting ("host" or "host:port").
std::string ServerArgument(Protocol protocol, const std::string& server);

} // namespace qle::publish
