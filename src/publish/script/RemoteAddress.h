// The destination of a Git or WebDAV site: an address with a path, as the author types it and as
// the batch file's upload line writes it. Pure text handling, no network.
//
// Typed (the site's destination setting)      Written on the upload line
//   Git:    ssh://[user@]host[:port]/path        git+ssh://[user@]host[:port]/path
//           [user@]host:path  (scp-like)         git+ssh:[user@]host:path
//           https://host[:port]/path             git+https://host[:port]/path
//           http://127.0.0.1[:port]/path         git+http://127.0.0.1[:port]/path
//           file:///path                         git+file:///path
//   WebDAV: https://host[:port][/path]           davs://host[:port][/path]
//           http://127.0.0.1[:port][/path]       dav://127.0.0.1[:port][/path]
//
// The scp-like path is relative to the login's home folder, unlike the path of ssh://host/path,
// which starts at the server's root. Its written form keeps that: after "git+ssh:" without "//" the
// address is the scp-like text itself, as a URL without "//" has a path without a root. Plain
// http:// is accepted only for this computer (loopback), where nothing crosses a network.
#pragma once

#include "publish/script/Protocol.h"
#include "store/Status.h"

#include <string>
#include <string_view>

namespace qle::publish {

enum class Transport { Ssh, Https, Http, File };

struct RemoteAddress
{
    Protocol protocol = Protocol::Git;
    Transport transport = Transport::Https;
    std::string user;          // "user@" of an SSH address; empty otherwise or when not written
    std::string host;          // empty for file://; an IPv6 address without brackets
    int port = 0;              // 0: the transport's usual port
    std::string path;          // starts with '/', except a scp-like path
    bool homeRelative = false; // scp-like: the path starts at the login's home folder

    int effectivePort() const;
    // "host[:port]" as a URL carries it (an IPv6 address in brackets; the port only when written).
    std::string authority() const;
};

// The destination setting of a Git or WebDAV site, blanks around it ignored. The error quotes the
// text and says which forms are understood.
Result<RemoteAddress> ParseAddress(Protocol protocol, std::string_view typed);

// The address as the batch file's upload line writes it (see above).
std::string WrittenForm(const RemoteAddress& address);

// True when the upload line's server argument is a written Git or WebDAV address.
bool IsWrittenAddress(std::string_view argument);

// Reads a written form back; the error quotes the text.
Result<RemoteAddress> ParseWrittenForm(std::string_view argument);

// The address as the network library takes it: "ssh://user@host:port/path", "user@host:path",
// "https://host:port/path", "file:///path".
std::string UrlOf(const RemoteAddress& address);

// A branch name as Git takes it (empty: the repository's default branch): no blank, control
// character or any of ~^:?*[\, no "..", "@{" or "//", not starting with '-' or '/', not ending in
// '/', '.' or ".lock". The error quotes the name.
Status CheckBranchName(std::string_view name);

} // namespace qle::publish
