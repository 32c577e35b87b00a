// One logged-in connection to the author's web space, whatever the protocol (FTP, FTPS, SFTP).
// The script runner and the sync above it drive this interface only; they never know which
// protocol carries it. Remote paths are absolute ("/www/site/articles/art-1.htm").
#pragma once

#include "store/Status.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qle::publish {

class RemoteFs
{
public:
    struct Entry
    {
        std::string name; // the name inside the listed folder, no '/'
        bool folder = false;
        std::optional<std::uint64_t> size; // when the server said
    };

    virtual ~RemoteFs() = default;

    // Connects and logs in. Every other call needs a connection that logged in.
    virtual Status connect() = 0;

    // The folder the login put us in ("/" when the server does not say); ends in '/'.
    virtual std::string homeFolder() const = 0;

    // Makes one folder. A folder that already exists is an error whose code is InvalidArgument,
    // so the caller can tell it from a refusal.
    virtual Status makeFolder(const std::string& path) = 0;

    // Uploads a local file, replacing any file of that remote path; adds the bytes sent.
    virtual Status put(const std::string& localPath, const std::string& remotePath, std::uint64_t& bytesSent) = 0;

    // The content of a small remote file; NotFound when there is none.
    virtual Result<std::string> fetch(const std::string& remotePath) = 0;

    virtual Status remove(const std::string& remotePath) = 0;

    // Renames within the server, replacing a file at `to`.
    virtual Status rename(const std::string& from, const std::string& to) = 0;

    // The entries of a remote folder (without "." and ".."); NotFound when there is no such folder.
    virtual Result<std::vector<Entry>> list(const std::string& folder) = 0;

    // The server's reply lines since the last call, for a console to show. Never holds the password.
    virtual std::vector<std::string> takeServerLines() = 0;
};

// Opens another connection to the same server as the same user (not yet connected).
using RemoteFsFactory = std::function<std::unique_ptr<RemoteFs>()>;

} // namespace qle::publish
