#include "publish/script/Protocol.h"

#include <cctype>
#include <string>

namespace qle::publish {

std::string ProtocolNameOf(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

std::optional<Protocol> ParseProtocol(std::string_view text)
{
    const std::string upper = ProtocolNameOf(text);
    if (upper.empty() || upper == "FTP")
        return Protocol::Ftp;
    if (upper == "FTPS")
        return Protocol::Ftps;
    if (upper == "SFTP")
        return Protocol::Sftp;
    return std::nullopt;
}

const char* ProtocolName(Protocol protocol)
{
    switch (protocol) {
    case Protocol::Ftp:
        return "FTP";
    case Protocol::Ftps:
        return "FTPS";
    case Protocol::Sftp:
        return "SFTP";
    }
    return "FTP";
}

const char* SchemeOf(Protocol protocol)
{
    switch (protocol) {
    case Protocol::Ftp:
        return "ftp";
    case Protocol::Ftps:
        return "ftps";
    case Protocol::Sftp:
        return "sftp";
    }
    return "ftp";
}

int DefaultPort(Protocol protocol)
{
    return protocol == Protocol::Sftp ? 22 : 21;
}

std::string ServerArgument(Protocol protocol, const std::string& server)
{
    if (protocol == Protocol::Ftp)
        return server;
    return std::string(SchemeOf(protocol)) + "://" + server;
}

} // namespace qle::publish
