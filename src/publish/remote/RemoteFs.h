// One logged-in connection to the author's web space, whatever the protocol (FTP, FTPS, SFTP).
// The script runner and the sync above it drive this interface only; they never know which
// protocol carries it. Remote paths are absolute ("/www/site/articles/art-1.htm").
//
// Every failure carries a kind (RemoteError.h): NotFound, AlreadyExists, Refused (for good),
// Transient (worth another try, on a new connection) or Stopped. The sync decides by the kind
// alone, so a transport maps its protocol's replies onto the kinds and nothing else.
#pragma once

#include "store/Status.h"

#include <cstddef>
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
        std::string name; // the name inside the listed folder: no '/', control character, "." or ".."
        bool folder = false;
        std::optional<std::uint64_t> size; // when the server said
    };

    virtual ~RemoteFs() = default;

    // Connects and logs in; again after a transient failure. Every other call needs a connection
    // that logged in.
    virtual Status connect() = 0;

    // The folder the login put us in ("/" when the server does not say); ends in '/'.
    virtual std::string homeFolder() const = 0;

    // Makes one folder; AlreadyExists when one is there already.
    virtual Status makeFolder(const std::string& path) = 0;

    // Uploads a local file, replacing any file of that remote path; adds the bytes sent.
    virtual Status put(const std::string& localPath, const std::string& remotePath, std::uint64_t& bytesSent) = 0;

    // The content of a small remote file; NotFound when there is none.
    virtual Result<std::string> fetch(const std::string& remotePath) = 0;

    // The bytes of a remote file from `offset` to its end: a ranged read, such as a record's trailer
    // without the rest of it. NotFound when there is no such file; refused when it is shorter.
    virtual Result<std::string> fetchFrom(const std::string& remotePath, std::uint64_t offset) = 0;

    // NotFound when there is no such file.
    virtual Status remove(const std::string& remotePath) = 0;

    // Renames within the server. A file at `to` is replaced, or, where the server keeps it and
    // says the name is taken, the rename fails with AlreadyExists. `to` is never removed here.
    virtual Status rename(const std::string& from, const std::string& to) = 0;

    // The entries of a remote folder (without "." and ".."); NotFound when there is no such folder.
    // Names a server sends that could point elsewhere ('/', "..", control characters) are left out.
    virtual Result<std::vector<Entry>> list(const std::string& folder) = 0;

    // The server's reply lines since the last call, for a console to show. Never holds the password.
    virtual std::vector<std::string> takeServerLines() = 0;
};

// Opens another connection to the same server as the same user (not yet connected).
using RemoteFsFactory = std::function<std::unique_ptr<RemoteFs>()>;

} // namespace qle::publish
