#include "publish/remote/GitBranch.h"

#include "app/Sha256.h"
#include "publish/remote/GitHandles.h"
#include "publish/remote/GitSession.h"
#include "publish/remote/GitSocket.h"
#include "publish/remote/GitTree.h"
#include "publish/remote/KnownHosts.h"

#include <filesystem>
#include <mutex>
#include <sys/stat.h>

namespace qle::publish {

using namespace git;

namespace {

// The fallback when a repository without any branch does not say which is its default.
constexpr const char* kFirstBranch = "main";

void StartLibgit2()
{
    static std::once_flag once;
    std::call_once(once, [] {
        git_libgit2_init();
        UseBoundedGitSockets();
        // libgit2's TLS library is told where the system's certificates are, as libcurl knows.
        struct stat info
        {
        };
        if (::stat("/etc/ssl/certs/ca-certificates.crt", &info) == 0)
            git_libgit2_opts(GIT_OPT_SET_SSL_CERT_LOCATIONS, "/etc/ssl/certs/ca-certificates.crt", "/etc/ssl/certs");
    });
}

} // namespace

struct GitBranch::Impl
{
    ConnectionSettings settings;
    Repository repository;
    Remote remote;
    Session session;
    std::string url;
    std::string branch;
    std::optional<git_oid> tip; // the branch's commit as fetched
    int lastCode = 0;
    bool reached = false;                // a connection got as far as the server's list of branches
    const GitWaitLimit* limit = nullptr; // of the exchange under way
    std::string timedOut;                // what the server did not do in time, in the last exchange

    // The time-outs and the stop bound every wait of an exchange with the server.
    struct Bounded
    {
        explicit Bounded(Impl& impl)
            : d(impl)
            , limit(impl.settings.timeouts, impl.settings.stop)
        {
            d.limit = &limit;
            d.timedOut.clear();
        }
        ~Bounded() { d.limit = nullptr; }
        Bounded(const Bounded&) = delete;
        Bounded& operator=(const Bounded&) = delete;
        Impl& d;
        GitWaitLimit limit;
    };

    std::string trackingRef() const { return "refs/remotes/origin/" + branch; }

    int fail(int code)
    {
        lastCode = code;
        session.failure = FailureOfGitError(code, session.failure);
        if (limit)
            timedOut = limit->timedOut();
        if (settings.stop && settings.stop->load())
            session.failure = Failure::Stopped;
        else if (!timedOut.empty())
            session.failure = Failure::Timeout;
        return code;
    }

    // Connects for fetching and settles the branch name; true in `exists` when the server has it.
    int connect(bool& exists, git_oid& serverTip)
    {
        session.reset();
        git_remote_callbacks callbacks = session.callbacks();
        if (int code = git_remote_connect(remote.get(), GIT_DIRECTION_FETCH, &callbacks, nullptr, nullptr); code < 0)
            return fail(code);
        const git_remote_head** heads = nullptr;
        std::size_t count = 0;
        if (int code = git_remote_ls(&heads, &count, remote.get()); code < 0)
            return fail(code);
        reached = true;
        branch = settings.branch;
        if (branch.empty()) {
            git_buf name = GIT_BUF_INIT;
            std::unique_ptr<git_buf, BufFree> owned(&name);
            const bool named = git_remote_default_branch(&name, remote.get()) == 0 && name.ptr;
            const std::string ref = named ? name.ptr : "";
            branch = ref.starts_with("refs/heads/") ? ref.substr(11) : kFirstBranch;
        }
        exists = false;
        for (std::size_t i = 0; i < count; ++i)
            if (heads[i]->name == "refs/heads/" + branch) {
                exists = true;
                serverTip = heads[i]->oid;
            }
        return 0;
    }

    const git_oid* tipId() const { return tip ? &*tip : nullptr; }
};

GitBranch::GitBranch(std::unique_ptr<Impl> impl)
    : m_impl(std::move(impl))
{
}

GitBranch::~GitBranch() = default;

Result<std::unique_ptr<GitBranch>> GitBranch::open(const ConnectionSettings& settings,
                                                   const std::string& localRepository)
{
    StartLibgit2();
    auto impl = std::make_unique<Impl>();
    impl->settings = settings;
    impl->session.settings = &impl->settings;
    impl->session.knownHosts = KnownHostsFileOr(settings.knownHostsFile);
    impl->url = UrlOf(settings.address);
    if (localRepository.empty()) {
        git_remote* detached = nullptr;
        if (int code = git_remote_create_detached(&detached, impl->url.c_str()); code < 0)
            return Status::InvalidArgument("Cannot use the repository address " + impl->url + ": " + LastError(code));
        impl->remote.reset(detached);
        return std::unique_ptr<GitBranch>(new GitBranch(std::move(impl)));
    }
    git_repository* repository = nullptr;
    int code = git_repository_open_bare(&repository, localRepository.c_str());
    if (code < 0) {
        std::error_code ignored;
        std::filesystem::create_directories(std::filesystem::path(localRepository).parent_path(), ignored);
        code = git_repository_init(&repository, localRepository.c_str(), 1);
    }
    if (code < 0)
        return Status::IoError("Cannot open the local copy of the repository " + localRepository + ": " +
                               LastError(code));
    impl->repository.reset(repository);
    git_remote* remote = nullptr;
    if (code = git_remote_create_anonymous(&remote, repository, impl->url.c_str()); code < 0)
        return Status::InvalidArgument("Cannot use the repository address " + impl->url + ": " + LastError(code));
    impl->remote.reset(remote);
    return std::unique_ptr<GitBranch>(new GitBranch(std::move(impl)));
}

Status GitBranch::fetch(const std::function<void(const std::string&)>& note)
{
    Impl& d = *m_impl;
    Impl::Bounded bounded(d);
    bool exists = false;
    git_oid serverTip {};
    const int connected = d.connect(exists, serverTip);
    if (connected < 0) {
        git_remote_disconnect(d.remote.get());
        return failure("Cannot reach the repository " + d.url);
    }
    d.tip.reset();
    if (!exists) {
        git_remote_disconnect(d.remote.get());
        note("The branch " + d.branch + " does not exist yet: this publish makes it.");
        return Status::OK();
    }
    git_reference* tracking = nullptr;
    if (git_reference_lookup(&tracking, d.repository.get(), d.trackingRef().c_str()) == 0)
        git_reference_free(tracking);
    else
        note("Fetching the whole history of the branch " + d.branch +
             " the first time (this Git library cannot fetch only its newest commit).");
    // The local copy follows whatever the server holds, even a branch rewritten by someone else;
    // only this copy is ever forced, never the server's branch.
    const std::string refspec = "+refs/heads/" + d.branch + ":" + d.trackingRef();
    char* strings[] = {const_cast<char*>(refspec.c_str())};
    const git_strarray refspecs {strings, 1};
    git_fetch_options options = GIT_FETCH_OPTIONS_INIT;
    options.callbacks = d.session.callbacks();
    options.download_tags = GIT_REMOTE_DOWNLOAD_TAGS_NONE;
    options.update_fetchhead = 0;
    d.session.reset();
    const int code = git_remote_fetch(d.remote.get(), &refspecs, &options, "fetch");
    git_remote_disconnect(d.remote.get());
    if (code < 0) {
        d.fail(code);
        return failure("Cannot fetch the branch " + d.branch + " of " + d.url);
    }
    d.tip = serverTip;
    return Status::OK();
}

Result<bool> GitBranch::probe()
{
    Impl& d = *m_impl;
    Impl::Bounded bounded(d);
    bool exists = false;
    git_oid serverTip {};
    const int code = d.connect(exists, serverTip);
    git_remote_disconnect(d.remote.get());
    if (code < 0)
        return failure("Cannot reach the repository " + d.url);
    return exists;
}

const std::string& GitBranch::branchName() const
{
    return m_impl->branch;
}

bool GitBranch::hasTip() const
{
    return m_impl->tip.has_value();
}

Result<std::map<std::string, GitFile>> GitBranch::files(const std::string& folder) const
{
    return FilesOf(m_impl->repository.get(), m_impl->tipId(), folder);
}

Result<std::string> GitBranch::read(const std::string& path) const
{
    return FileOf(m_impl->repository.get(), m_impl->tipId(), path);
}

std::string GitBranch::BlobIdOf(std::string_view bytes)
{
    StartLibgit2();
    git_oid id {};
    git_odb_hash(&id, bytes.data(), bytes.size(), GIT_OBJECT_BLOB);
    return Hex(id);
}

Result<std::string> GitBranch::commit(const std::map<std::string, std::string>& write,
                                      const std::vector<std::string>& remove,
                                      const std::map<std::string, std::string>& texts, const std::string& message)
{
    return CommitOnTip(m_impl->repository.get(), m_impl->tipId(), write, remove, texts, message);
}

GitBranch::Pushed GitBranch::push(const std::string& commitId, std::string& why)
{
    Impl& d = *m_impl;
    git_oid id {};
    git_reference* ref = nullptr;
    // A local name for the commit, so that the push names what it sends; the server's branch is
    // updated only if that keeps every commit it has (no '+' in the refspec).
    const std::string local = "refs/quillon/publish";
    if (git_oid_fromstr(&id, commitId.c_str()) < 0 ||
        git_reference_create(&ref, d.repository.get(), local.c_str(), &id, 1, "publish") < 0) {
        why = "Cannot name the commit to push: " + LastError(-1);
        return Pushed::Failed;
    }
    Reference owned(ref);
    const std::string refspec = local + ":refs/heads/" + d.branch;
    char* strings[] = {const_cast<char*>(refspec.c_str())};
    const git_strarray refspecs {strings, 1};
    git_push_options options = GIT_PUSH_OPTIONS_INIT;
    options.callbacks = d.session.callbacks();
    d.session.reset();
    Impl::Bounded bounded(d);
    const int code = git_remote_push(d.remote.get(), &refspecs, &options);
    git_remote_disconnect(d.remote.get());
    if (code == GIT_ENONFASTFORWARD) {
        why = LastError(code);
        return Pushed::Moved;
    }
    if (code < 0) {
        d.fail(code);
        why = failure("Cannot push to " + d.url).message();
        return Pushed::Failed;
    }
    if (!d.session.refusal.empty()) {
        why = d.session.refusal;
        // The server's own words for a branch that moved since the fetch.
        const bool moved =
            why.find("non-fast-forward") != std::string::npos || why.find("fetch first") != std::string::npos;
        return moved ? Pushed::Moved : Pushed::Refused;
    }
    // The local copy now knows the branch as the server has it.
    git_reference* tracking = nullptr;
    if (git_reference_create(&tracking, d.repository.get(), d.trackingRef().c_str(), &id, 1, "pushed") == 0)
        git_reference_free(tracking);
    d.tip = id;
    return Pushed::Done;
}

bool GitBranch::reached() const
{
    return m_impl->reached;
}

Failure GitBranch::lastFailure() const
{
    return m_impl->session.failure;
}

const ServerIdentity& GitBranch::serverIdentity() const
{
    return m_impl->session.identity;
}

Status GitBranch::failure(const std::string& what) const
{
    const Impl& d = *m_impl;
    ConnectFailureFacts facts;
    const RemoteAddress& address = d.settings.address;
    facts.where =
        address.transport == Transport::File ? d.url : address.host + ":" + std::to_string(address.effectivePort());
    facts.host = address.host;
    facts.userName = address.user.empty() ? d.settings.userName : address.user;
    facts.error = d.session.failure == Failure::Timeout ? d.timedOut : LastError(d.lastCode);
    facts.shown = d.session.identity.fingerprint;
    facts.accepted = d.settings.trustedKey.empty() ? "the key recorded in " + d.session.knownHosts
                                                   : "the trusted " + d.settings.trustedKey;
    switch (d.session.failure) {
    case Failure::UnknownIdentity:
    case Failure::ChangedIdentity:
    case Failure::Login:
    case Failure::Timeout:
    case Failure::Stopped:
        return ConnectFailureStatus(d.session.failure, facts);
    default:
        break;
    }
    return Status::NetworkError(what + ": " + facts.error);
}

std::string LocalRepositoryFor(const std::string& stateFolder, const RemoteAddress& address)
{
    // One copy per repository address; the name is a digest so that any address is a safe name.
    return stateFolder + app::Sha256Hex(UrlOf(address)).substr(0, 24) + ".git";
}

} // namespace qle::publish