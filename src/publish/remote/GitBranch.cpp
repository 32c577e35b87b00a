#include "publish/remote/GitBranch.h"

#include "publish/remote/GitSocket.h"
#include "publish/remote/KnownHosts.h"

#include <git2.h>
#include <openssl/evp.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <sys/stat.h>

namespace qle::publish {

namespace {

template <typename T, void (*Free)(T*)>
struct Freer
{
    void operator()(T* p) const { Free(p); }
};
using Repository = std::unique_ptr<git_repository, Freer<git_repository, git_repository_free>>;
using Remote = std::unique_ptr<git_remote, Freer<git_remote, git_remote_free>>;
using Commit = std::unique_ptr<git_commit, Freer<git_commit, git_commit_free>>;
using Tree = std::unique_ptr<git_tree, Freer<git_tree, git_tree_free>>;
using TreeEntry = std::unique_ptr<git_tree_entry, Freer<git_tree_entry, git_tree_entry_free>>;
using Blob = std::unique_ptr<git_blob, Freer<git_blob, git_blob_free>>;
using Index = std::unique_ptr<git_index, Freer<git_index, git_index_free>>;
using Signature = std::unique_ptr<git_signature, Freer<git_signature, git_signature_free>>;
using Reference = std::unique_ptr<git_reference, Freer<git_reference, git_reference_free>>;
using Odb = std::unique_ptr<git_odb, Freer<git_odb, git_odb_free>>;

struct BufFree
{
    void operator()(git_buf* buf) const { git_buf_dispose(buf); }
};

// The commit's identity when the author's Git configuration names none.
constexpr const char* kProgramName = "Quillon Engine";
constexpr const char* kProgramEmail = "publish@quillon-engine.invalid";
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

std::string LastError(int code)
{
    const git_error* error = git_error_last();
    return error && error->message ? error->message : "error " + std::to_string(code);
}

std::string Hex(const git_oid& id)
{
    char text[GIT_OID_HEXSZ + 1];
    git_oid_tostr(text, sizeof text, &id);
    return text;
}

// The remote side of a connection: what the program's checks and the author's secret need.
struct Session
{
    const ConnectionSettings* settings = nullptr;
    std::string knownHosts;
    Failure failure = Failure::None;
    ServerIdentity identity;
    int credentialTries = 0;
    std::string refusal; // the server's words when it refused the pushed branch

    static int onCertificate(git_cert* cert, int valid, const char* host, void* payload)
    {
        return static_cast<Session*>(payload)->checkCertificate(cert, valid != 0, host ? host : "");
    }

    int checkCertificate(git_cert* cert, bool valid, const std::string& host)
    {
        const std::string& trusted = settings->trustedKey;
        if (cert->cert_type == GIT_CERT_HOSTKEY_LIBSSH2) {
            const auto* key = reinterpret_cast<git_cert_hostkey*>(cert);
            if (!(key->type & GIT_CERT_SSH_RAW))
                return refuse(Failure::UnknownIdentity, "the server's host key could not be read");
            const std::string_view raw(key->hostkey, key->hostkey_len);
            identity = {FingerprintOf(raw), "SSH host key"};
            if (!trusted.empty())
                return identity.fingerprint == trusted ? 0 : refuse(Failure::ChangedIdentity, "");
            switch (CheckKnownHost(knownHosts, host, settings->address.effectivePort(), raw)) {
            case KnownHost::Match:
                return 0;
            case KnownHost::Mismatch:
                return refuse(Failure::ChangedIdentity, "");
            case KnownHost::NotFound:
                break;
            }
            return refuse(Failure::UnknownIdentity, "");
        }
        if (cert->cert_type == GIT_CERT_X509) {
            const auto* x509 = reinterpret_cast<git_cert_x509*>(cert);
            auto shown = CertificateIdentityOfDer(std::string_view(static_cast<const char*>(x509->data), x509->len));
            if (!shown)
                return refuse(Failure::Tls, shown.status().message());
            identity = shown.value();
            // The author accepted this key for this server: it alone decides, whatever signed it.
            if (!trusted.empty())
                return identity.fingerprint == trusted ? 0 : refuse(Failure::ChangedIdentity, "");
            return valid ? 0 : refuse(Failure::UnknownIdentity, "");
        }
        return refuse(Failure::Tls, "the server's identity is of a kind this program cannot check");
    }

    int refuse(Failure kind, const std::string& why)
    {
        failure = kind;
        git_error_set_str(GIT_ERROR_SSL, why.empty() ? "the server's identity is not trusted" : why.c_str());
        return GIT_ECERTIFICATE;
    }

    static int onCredentials(git_credential** out, const char* url, const char* userFromUrl, unsigned int allowed,
                             void* payload)
    {
        (void)url;
        return static_cast<Session*>(payload)->credentials(out, userFromUrl ? userFromUrl : "", allowed);
    }

    int credentials(git_credential** out, const std::string& userFromUrl, unsigned int allowed)
    {
        const ConnectionSettings& s = *settings;
        const std::string user = !userFromUrl.empty() ? userFromUrl : s.userName;
        if (allowed & GIT_CREDENTIAL_USERNAME)
            return git_credential_username_new(out, user.c_str());
        // One try: the library asks again after a refusal, which must end.
        if (++credentialTries > 1) {
            failure = Failure::Login;
            git_error_set_str(GIT_ERROR_NET, "the server refused the login");
            return GIT_EAUTH;
        }
        if ((allowed & GIT_CREDENTIAL_SSH_KEY) && !s.keyFile.empty())
            return git_credential_ssh_key_new(out, user.c_str(), nullptr, s.keyFile.c_str(),
                                              s.passphrase.empty() ? nullptr : s.passphrase.c_str());
        if ((allowed & GIT_CREDENTIAL_USERPASS_PLAINTEXT) && !s.password.empty())
            return git_credential_userpass_plaintext_new(out, user.c_str(), s.password.c_str());
        if ((allowed & GIT_CREDENTIAL_SSH_KEY) && s.keyFile.empty())
            return git_credential_ssh_key_from_agent(out, user.c_str());
        failure = Failure::Login;
        git_error_set_str(GIT_ERROR_NET, "no password or key to log in with");
        return GIT_EAUTH;
    }

    static int onProgress(const git_indexer_progress*, void* payload)
    {
        return static_cast<Session*>(payload)->stopped() ? GIT_EUSER : 0;
    }
    static int onPushProgress(unsigned int, unsigned int, size_t, void* payload)
    {
        return static_cast<Session*>(payload)->stopped() ? GIT_EUSER : 0;
    }
    static int onPushedReference(const char*, const char* status, void* payload)
    {
        if (status)
            static_cast<Session*>(payload)->refusal = status;
        return 0;
    }

    bool stopped()
    {
        if (settings->stop && settings->stop->load()) {
            failure = Failure::Stopped;
            return true;
        }
        return false;
    }

    git_remote_callbacks callbacks()
    {
        git_remote_callbacks c = GIT_REMOTE_CALLBACKS_INIT;
        // Always set: without it libgit2 accepts any SSH host key.
        c.certificate_check = &Session::onCertificate;
        c.credentials = &Session::onCredentials;
        c.transfer_progress = &Session::onProgress;
        c.push_transfer_progress = &Session::onPushProgress;
        c.push_update_reference = &Session::onPushedReference;
        c.payload = this;
        return c;
    }

    // Starts a new exchange: the tries and failures of the last one are forgotten.
    void reset()
    {
        failure = Failure::None;
        credentialTries = 0;
        refusal.clear();
    }
};

Failure FailureOfGitError(int code, Failure fromCallbacks)
{
    if (fromCallbacks != Failure::None)
        return fromCallbacks;
    if (code == GIT_EAUTH)
        return Failure::Login;
    if (code == GIT_ECERTIFICATE)
        return Failure::Tls;
    if (code == GIT_EUSER)
        return Failure::Stopped;
    const git_error* error = git_error_last();
    if (error && (error->klass == GIT_ERROR_NET || error->klass == GIT_ERROR_SSH || error->klass == GIT_ERROR_HTTP))
        return Failure::ConnectionRefused;
    return Failure::Other;
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

    Result<Tree> tipTree() const
    {
        if (!tip)
            return Tree();
        git_commit* commit = nullptr;
        if (int code = git_commit_lookup(&commit, repository.get(), &*tip); code < 0)
            return Status::IoError("Cannot read the branch's commit: " + LastError(code));
        Commit owned(commit);
        git_tree* tree = nullptr;
        if (int code = git_commit_tree(&tree, commit); code < 0)
            return Status::IoError("Cannot read the branch's files: " + LastError(code));
        return Tree(tree);
    }

    Signature signature() const
    {
        git_signature* sig = nullptr;
        // The author's own Git identity, when the Git configuration names one.
        if (git_signature_default(&sig, repository.get()) == 0)
            return Signature(sig);
        if (git_signature_now(&sig, kProgramName, kProgramEmail) == 0)
            return Signature(sig);
        return {};
    }
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
    std::map<std::string, GitFile> files;
    auto root = m_impl->tipTree();
    if (!root)
        return root.status();
    if (!root.value())
        return files;
    Tree subtree;
    git_tree* start = root->get();
    if (!folder.empty()) {
        git_tree_entry* entry = nullptr;
        const std::string path = folder.back() == '/' ? folder.substr(0, folder.size() - 1) : folder;
        if (git_tree_entry_bypath(&entry, root->get(), path.c_str()) != 0)
            return files; // no such folder on the branch yet
        TreeEntry owned(entry);
        git_object* object = nullptr;
        if (git_tree_entry_type(entry) != GIT_OBJECT_TREE ||
            git_tree_entry_to_object(&object, m_impl->repository.get(), entry) != 0)
            return files;
        subtree.reset(reinterpret_cast<git_tree*>(object));
        start = subtree.get();
    }
    git_odb* odb = nullptr;
    if (int code = git_repository_odb(&odb, m_impl->repository.get()); code < 0)
        return Status::IoError("Cannot read the local repository: " + LastError(code));
    Odb ownedOdb(odb);
    struct Walk
    {
        git_odb* odb;
        std::map<std::string, GitFile>* files;
    } walk {odb, &files};
    const auto visit = [](const char* parent, const git_tree_entry* entry, void* payload) -> int {
        auto* w = static_cast<Walk*>(payload);
        if (git_tree_entry_type(entry) != GIT_OBJECT_BLOB)
            return 0;
        std::size_t size = 0;
        git_object_t type {};
        (void)git_odb_read_header(&size, &type, w->odb, git_tree_entry_id(entry));
        (*w->files)[std::string(parent) + git_tree_entry_name(entry)] = {Hex(*git_tree_entry_id(entry)), size};
        return 0;
    };
    if (int code = git_tree_walk(start, GIT_TREEWALK_PRE, visit, &walk); code < 0)
        return Status::IoError("Cannot read the branch's files: " + LastError(code));
    return files;
}

Result<std::string> GitBranch::read(const std::string& path) const
{
    auto root = m_impl->tipTree();
    if (!root)
        return root.status();
    git_tree_entry* entry = nullptr;
    if (!root.value() || git_tree_entry_bypath(&entry, root->get(), path.c_str()) != 0)
        return Status::NotFound("No file " + path + " on the branch");
    TreeEntry owned(entry);
    git_blob* blob = nullptr;
    if (int code = git_blob_lookup(&blob, m_impl->repository.get(), git_tree_entry_id(entry)); code < 0)
        return Status::NotFound("No file " + path + " on the branch");
    Blob ownedBlob(blob);
    return std::string(static_cast<const char*>(git_blob_rawcontent(blob)),
                       static_cast<std::size_t>(git_blob_rawsize(blob)));
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
    Impl& d = *m_impl;
    git_repository* repo = d.repository.get();
    git_index* rawIndex = nullptr;
    if (int code = git_index_new(&rawIndex); code < 0)
        return Status::IoError("Cannot build the commit: " + LastError(code));
    Index index(rawIndex);
    auto root = d.tipTree();
    if (!root)
        return root.status();
    if (root.value())
        if (int code = git_index_read_tree(index.get(), root->get()); code < 0)
            return Status::IoError("Cannot read the branch's files: " + LastError(code));
    const auto add = [&](const std::string& path, const git_oid& id) {
        git_index_entry entry {};
        entry.mode = GIT_FILEMODE_BLOB;
        entry.id = id;
        entry.path = path.c_str();
        return git_index_add(index.get(), &entry);
    };
    for (const auto& [path, local] : write) {
        git_oid id {};
        if (int code = git_blob_create_from_disk(&id, repo, local.c_str()); code < 0)
            return Status::IoError("Cannot read " + local + ": " + LastError(code));
        if (int code = add(path, id); code < 0)
            return Status::IoError("Cannot add " + path + " to the commit: " + LastError(code));
    }
    for (const auto& [path, bytes] : texts) {
        git_oid id {};
        if (int code = git_blob_create_from_buffer(&id, repo, bytes.data(), bytes.size()); code < 0)
            return Status::IoError("Cannot store " + path + ": " + LastError(code));
        if (int code = add(path, id); code < 0)
            return Status::IoError("Cannot add " + path + " to the commit: " + LastError(code));
    }
    for (const auto& path : remove)
        (void)git_index_remove(index.get(), path.c_str(), 0); // already gone from the branch: nothing to do
    git_oid treeId {};
    if (int code = git_index_write_tree_to(&treeId, index.get(), repo); code < 0)
        return Status::IoError("Cannot build the commit's files: " + LastError(code));
    git_tree* tree = nullptr;
    if (int code = git_tree_lookup(&tree, repo, &treeId); code < 0)
        return Status::IoError("Cannot build the commit's files: " + LastError(code));
    Tree ownedTree(tree);
    Commit parent;
    if (d.tip) {
        git_commit* raw = nullptr;
        if (int code = git_commit_lookup(&raw, repo, &*d.tip); code < 0)
            return Status::IoError("Cannot read the branch's commit: " + LastError(code));
        parent.reset(raw);
    }
    Signature signature = d.signature();
    if (!signature)
        return Status::IoError("Cannot sign the commit: " + LastError(-1));
    const git_commit* parents[] = {parent.get()};
    git_oid commitId {};
    if (int code = git_commit_create(&commitId, repo, nullptr, signature.get(), signature.get(), nullptr,
                                     message.c_str(), tree, parent ? 1 : 0, parent ? parents : nullptr);
        code < 0)
        return Status::IoError("Cannot make the commit: " + LastError(code));
    return Hex(commitId);
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
    const std::string url = UrlOf(address);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_Digest(url.data(), url.size(), digest, &size, EVP_sha256(), nullptr);
    static const char* hex = "0123456789abcdef";
    std::string name;
    for (unsigned int i = 0; i < 12 && i < size; ++i) {
        name += hex[digest[i] >> 4];
        name += hex[digest[i] & 15];
    }
    return stateFolder + name + ".git";
}

} // namespace qle::publish
