// One branch of the author's Git repository (a page host publishes what is pushed to it), through
// libgit2 and a bare repository on this computer that keeps what was fetched. The server's identity
// is checked on every connection by the program's own check (the SSH host key against the known
// hosts file or the accepted fingerprint, the HTTPS certificate by the system's store or the
// accepted key): libgit2 accepts any SSH host key unless told otherwise. Nothing is ever pushed by
// force: a push that would drop commits of the branch is refused here and by the server. Every
// wait on the server ends with the settings' time-outs (see GitSocket.h).
#pragma once

#include "publish/remote/ConnectFailure.h"
#include "publish/remote/Connection.h"
#include "publish/remote/IdentityCheck.h"
#include "store/Status.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace qle::publish {

struct GitFile
{
    std::string id; // the blob's id, 40 hex digits
    std::uint64_t size = 0;
};

class GitBranch
{
public:
    // Opens the bare repository in `localRepository` (made when missing); with an empty path, only
    // probe() can be used. Nothing is sent yet.
    static Result<std::unique_ptr<GitBranch>> open(const ConnectionSettings& settings,
                                                   const std::string& localRepository);
    ~GitBranch();
    GitBranch(const GitBranch&) = delete;
    GitBranch& operator=(const GitBranch&) = delete;

    // Connects, settles the branch (settings.branch, else the repository's default branch, else
    // "main" for a repository without any) and fetches it when it exists. `note` hears what the
    // author should know (a whole history fetched the first time).
    Status fetch(const std::function<void(const std::string&)>& note);
    // Connects and names the branch without fetching (a connection test). True when it exists.
    Result<bool> probe();

    const std::string& branchName() const;
    // True when the branch exists on the server (as last fetched).
    bool hasTip() const;

    // The files of the fetched tip under `folder` ("" for the whole tree, else "a/b/"), by path
    // relative to the folder.
    Result<std::map<std::string, GitFile>> files(const std::string& folder) const;
    // The bytes of a file of the fetched tip; NotFound when there is none.
    Result<std::string> read(const std::string& path) const;

    // The blob id of some bytes (nothing stored).
    static std::string BlobIdOf(std::string_view bytes);

    // A new commit on the fetched tip (or the branch's first commit): its tree is the tip's, with
    // `write` (path -> local file to store there), `remove` (paths) and `texts` (path -> bytes)
    // applied. Returns the commit's id. The commit carries `message` and the author's Git identity
    // (user.name and user.email of the Git configuration), else "Quillon Engine".
    Result<std::string> commit(const std::map<std::string, std::string>& write, const std::vector<std::string>& remove,
                               const std::map<std::string, std::string>& texts, const std::string& message);

    enum class Pushed {
        Done,    // the branch now points at the commit
        Moved,   // the branch moved since the fetch: fetch and build on its newest commit
        Refused, // the server refused the update (a hook, a protected branch): `why` says
        Failed,  // the connection failed: `why` says
    };
    // Pushes the commit to the branch, never by force.
    Pushed push(const std::string& commitId, std::string& why);

    // True once a connection was let in (the login and the server's identity passed).
    bool reached() const;
    // What went wrong at the last connection, and the identity the server showed when it was the
    // identity.
    Failure lastFailure() const;
    const ServerIdentity& serverIdentity() const;
    // The last failure as the author reads it.
    Status failure(const std::string& what) const;

private:
    struct Impl;
    explicit GitBranch(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

// The local repository of a destination under `stateFolder`: one per repository address.
std::string LocalRepositoryFor(const std::string& stateFolder, const RemoteAddress& address);

} // namespace qle::publish
