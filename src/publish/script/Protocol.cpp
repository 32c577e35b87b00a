#include "publish/script/Protocol.h"

#include "publish/script/RemoteAddress.h"

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
    if (upper == "GIT")
        return Protocol::Git;
    if (upper == "WEBDAV")
        return Protocol::WebDav;
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
    case Protocol::Git:
        return "GIT";
    case Protocol::WebDav:
        return "WEBDAV";
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
    case Protocol::Git:
        return "git";
    case Protocol::WebDav:
        return "dav";
    }
    return "ftp";
}

int DefaultPort(Protocol protocol)
{
    switch (protocol) {
    case Protocol::Ftp:
    case Protocol::Ftps:
        return 21;
    case Protocol::Sftp:
    case Protocol::Git:
        return 22;
    case Protocol::WebDav:
        return 443;
    }
    return 21;
}

bool TakesAddress(Protocol protocol)
{
    return protocol == Protocol::Git || protocol == Protocol::WebDav;
}

std::string ServerArgument(Protocol protocol, const std::string& server)
{
    if (protocol == Protocol::Ftp)
        return server;
    if (TakesAddress(protocol)) {
        auto address = ParseAddress(protocol, server);
        return address ? WrittenForm(address.value()) : server;
    }
    return std::string(SchemeOf(protocol)) + "://" + server;
}

} // namespace qle::publish
