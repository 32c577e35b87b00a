#include "publish/script/RemoteAddress.h"

#include "publish/script/FtpScript.h"

#include <algorithm>
#include <cctype>

namespace qle::publish {

namespace {

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

Status Refused(Protocol protocol, std::string_view typed, const std::string& why)
{
    const std::string forms = protocol == Protocol::Git
                                  ? "ssh://host/path, user@host:path, https://host/path or file:///path"
                                  : "https://host/path";
    return Status::InvalidArgument("\"" + std::string(typed) + "\" is not a " +
                                   (protocol == Protocol::Git ? "Git repository" : "WebDAV") + " address (" + forms +
                                   "): " + why);
}

// A path travels on the upload line as one word and inside URLs: nothing that ends a word, starts a
// query or a fragment, or could be read as a control.
bool PathCharactersFit(std::string_view path)
{
    return std::none_of(path.begin(), path.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7f || c == ' ' || c == '"' || c == '#' || c == '?' || c == '\\';
    });
}

bool UserFits(std::string_view user)
{
    return !user.empty() && std::all_of(user.begin(), user.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.' || c == '+';
    });
}

bool IsLoopback(const std::string& host)
{
    return host == "localhost" || host == "::1" || host.starts_with("127.");
}

// "[user@]host[:port]" into the address; false when the host part is not a server name.
bool ReadAuthority(std::string_view authority, bool userAllowed, RemoteAddress& address)
{
    if (const auto at = authority.rfind('@'); at != std::string_view::npos) {
        if (!userAllowed || !UserFits(authority.substr(0, at)))
            return false;
        address.user = std::string(authority.substr(0, at));
        authority.remove_prefix(at + 1);
    }
    // The host part keeps every check a server name has: no '/', '@', '#', '?', '\' or blank.
    auto server = ParseServer(authority);
    if (!server)
        return false;
    address.host = server->host;
    const bool portWritten = authority.front() == '[' ? authority.find("]:") != std::string_view::npos
                                                      : authority.find(':') != std::string_view::npos;
    address.port = portWritten ? server->port : 0;
    return true;
}

Result<RemoteAddress> ParseUrl(Protocol protocol, std::string_view typed, std::string_view scheme,
                               std::string_view rest)
{
    RemoteAddress address;
    address.protocol = protocol;
    if (scheme == "https")
        address.transport = Transport::Https;
    else if (scheme == "http")
        address.transport = Transport::Http;
    else if (scheme == "ssh" && protocol == Protocol::Git)
        address.transport = Transport::Ssh;
    else if (scheme == "file" && protocol == Protocol::Git)
        address.transport = Transport::File;
    else
        return Refused(protocol, typed, "the scheme " + std::string(scheme) + ":// is not one of these");

    const auto slash = rest.find('/');
    const std::string_view authority = rest.substr(0, slash);
    address.path = slash == std::string_view::npos ? std::string("/") : std::string(rest.substr(slash));
    if (address.transport == Transport::File) {
        if (!authority.empty() && authority != "localhost")
            return Refused(protocol, typed, "file:// names a folder of this computer (file:///path)");
    } else if (!ReadAuthority(authority, address.transport == Transport::Ssh, address)) {
        return Refused(protocol, typed, "the server part \"" + std::string(authority) + "\" is not a server name");
    }
    if (protocol == Protocol::Git && address.path.size() < 2)
        return Refused(protocol, typed, "the address names no repository");
    if (address.transport == Transport::Http && !IsLoopback(address.host))
        return Refused(protocol, typed,
                       "http:// would send the password unencrypted; use https:// (http:// is accepted only for "
                       "this computer, for testing)");
    return address;
}

// "[user@]host:path", the path relative to the login's home folder.
Result<RemoteAddress> ParseScpLike(std::string_view typed)
{
    RemoteAddress address;
    address.protocol = Protocol::Git;
    address.transport = Transport::Ssh;
    address.homeRelative = true;
    // The host ends at the first ':' outside brackets.
    const auto bracket = typed.find(']');
    const auto colon =
        typed.find(':', typed.find('[') != std::string_view::npos && bracket != std::string_view::npos ? bracket : 0);
    if (colon == std::string_view::npos || colon + 1 >= typed.size())
        return Refused(Protocol::Git, typed, "no repository path after the ':'");
    std::string_view authority = typed.substr(0, colon);
    // A port cannot be written in this form: the ':' starts the path.
    if (const auto at = authority.rfind('@'); at != std::string_view::npos) {
        if (!UserFits(authority.substr(0, at)))
            return Refused(Protocol::Git, typed, "the user name is not one a server takes");
        address.user = std::string(authority.substr(0, at));
        authority.remove_prefix(at + 1);
    }
    auto server = ParseServer(authority);
    if (!server || (authority.front() == '[' && authority.back() != ']'))
        return Refused(Protocol::Git, typed, "the server part \"" + std::string(authority) + "\" is not a server name");
    address.host = server->host;
    address.path = std::string(typed.substr(colon + 1));
    if (address.path.front() == '/')
        address.homeRelative = false; // "host:/srv/site.git" names the same folder as ssh://host/srv/site.git
    return address;
}

} // namespace

int RemoteAddress::effectivePort() const
{
    if (port > 0)
        return port;
    switch (transport) {
    case Transport::Ssh:
        return 22;
    case Transport::Https:
        return 443;
    case Transport::Http:
        return 80;
    case Transport::File:
        break;
    }
    return 0;
}

std::string RemoteAddress::authority() const
{
    const bool v6 = host.find(':') != std::string::npos;
    return (v6 ? "[" + host + "]" : host) + (port > 0 ? ":" + std::to_string(port) : std::string());
}

Result<RemoteAddress> ParseAddress(Protocol protocol, std::string_view typed)
{
    typed = Trimmed(typed);
    if (!TakesAddress(protocol))
        return Status::InvalidArgument("The protocol " + std::string(ProtocolName(protocol)) + " takes a server name");
    if (typed.empty())
        return Refused(protocol, typed, "it is empty");
    if (!PathCharactersFit(typed))
        return Refused(protocol, typed, "it holds a blank, a quote, '#', '?', '\\' or a control character");
    Result<RemoteAddress> address = Status::InvalidArgument("");
    if (const auto scheme = typed.find("://"); scheme != std::string_view::npos)
        address = ParseUrl(protocol, typed, AsciiLowerCase(typed.substr(0, scheme)), typed.substr(scheme + 3));
    else if (protocol == Protocol::Git && typed.find(':') != std::string_view::npos &&
             typed.find(':') < typed.find('/'))
        address = ParseScpLike(typed);
    else
        address = Refused(protocol, typed, "it has no scheme such as https://");
    return address;
}

std::string WrittenForm(const RemoteAddress& address)
{
    const bool dav = address.protocol == Protocol::WebDav;
    switch (address.transport) {
    case Transport::Ssh:
        if (address.homeRelative)
            return "git+ssh:" + (address.user.empty() ? "" : address.user + "@") +
                   (address.host.find(':') != std::string::npos ? "[" + address.host + "]" : address.host) + ":" +
                   address.path;
        return "git+ssh://" + (address.user.empty() ? "" : address.user + "@") + address.authority() + address.path;
    case Transport::Https:
        return (dav ? "davs://" : "git+https://") + address.authority() + address.path;
    case Transport::Http:
        return (dav ? "dav://" : "git+http://") + address.authority() + address.path;
    case Transport::File:
        return "git+file://" + address.path;
    }
    return {};
}

bool IsWrittenAddress(std::string_view argument)
{
    const std::string lower = AsciiLowerCase(argument.substr(0, 8));
    return lower.starts_with("git+") || lower.starts_with("dav://") || lower.starts_with("davs://");
}

Result<RemoteAddress> ParseWrittenForm(std::string_view argument)
{
    const std::string lower = AsciiLowerCase(argument.substr(0, std::min<std::size_t>(argument.size(), 12)));
    if (lower.starts_with("davs://"))
        return ParseAddress(Protocol::WebDav, "https://" + std::string(argument.substr(7)));
    if (lower.starts_with("dav://"))
        return ParseAddress(Protocol::WebDav, "http://" + std::string(argument.substr(6)));
    if (lower.starts_with("git+ssh:") && !lower.starts_with("git+ssh://")) {
        auto address = ParseAddress(Protocol::Git, argument.substr(8));
        if (address && address->transport != Transport::Ssh)
            return Status::InvalidArgument("\"" + std::string(argument) + "\" is not a Git address over SSH");
        return address;
    }
    if (lower.starts_with("git+"))
        return ParseAddress(Protocol::Git, argument.substr(4));
    return Status::InvalidArgument("\"" + std::string(argument) + "\" is not a Git or WebDAV address");
}

std::string UrlOf(const RemoteAddress& address)
{
    switch (address.transport) {
    case Transport::Ssh:
        if (address.homeRelative)
            return (address.user.empty() ? "" : address.user + "@") +
                   (address.host.find(':') != std::string::npos ? "[" + address.host + "]" : address.host) + ":" +
                   address.path;
        return "ssh://" + (address.user.empty() ? "" : address.user + "@") + address.authority() + address.path;
    case Transport::Https:
        return "https://" + address.authority() + address.path;
    case Transport::Http:
        return "http://" + address.authority() + address.path;
    case Transport::File:
        return "file://" + address.path;
    }
    return {};
}

Status CheckBranchName(std::string_view name)
{
    const bool badCharacter = std::any_of(name.begin(), name.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x21 || u == 0x7f || std::string_view("~^:?*[\\\"").find(c) != std::string_view::npos;
    });
    const bool badShape = name.starts_with('-') || name.starts_with('/') || name.ends_with('/') ||
                          name.ends_with('.') || name.ends_with(".lock") || name.find("..") != std::string_view::npos ||
                          name.find("@{") != std::string_view::npos || name.find("//") != std::string_view::npos ||
                          name == "@";
    if (!name.empty() && (badCharacter || badShape))
        return Status::InvalidArgument("\"" + std::string(name) + "\" is not a branch name Git takes");
    return Status::OK();
}

} // namespace qle::publish
