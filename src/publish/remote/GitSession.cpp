#include "publish/remote/GitSession.h"

#include "publish/remote/KnownHosts.h"

namespace qle::publish::git {

namespace {

int OnCertificate(git_cert* cert, int valid, const char* host, void* payload)
{
    return static_cast<Session*>(payload)->checkCertificate(cert, valid != 0, host ? host : "");
}

int OnCredentials(git_credential** out, const char*, const char* userFromUrl, unsigned int allowed, void* payload)
{
    return static_cast<Session*>(payload)->credentials(out, userFromUrl ? userFromUrl : "", allowed);
}

int OnProgress(const git_indexer_progress*, void* payload)
{
    return static_cast<Session*>(payload)->stopped() ? GIT_EUSER : 0;
}

int OnPushProgress(unsigned int, unsigned int, size_t, void* payload)
{
    return static_cast<Session*>(payload)->stopped() ? GIT_EUSER : 0;
}

int OnPushedReference(const char*, const char* status, void* payload)
{
    if (status)
        static_cast<Session*>(payload)->refusal = status;
    return 0;
}

} // namespace

int Session::checkCertificate(git_cert* cert, bool valid, const std::string& host)
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

int Session::refuse(Failure kind, const std::string& why)
{
    failure = kind;
    git_error_set_str(GIT_ERROR_SSL, why.empty() ? "the server's identity is not trusted" : why.c_str());
    return GIT_ECERTIFICATE;
}

int Session::credentials(git_credential** out, const std::string& userFromUrl, unsigned int allowed)
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

bool Session::stopped()
{
    if (settings->stop && settings->stop->load()) {
        failure = Failure::Stopped;
        return true;
    }
    return false;
}

git_remote_callbacks Session::callbacks()
{
    git_remote_callbacks c = GIT_REMOTE_CALLBACKS_INIT;
    // Always set: without it libgit2 accepts any SSH host key.
    c.certificate_check = &OnCertificate;
    c.credentials = &OnCredentials;
    c.transfer_progress = &OnProgress;
    c.push_transfer_progress = &OnPushProgress;
    c.push_update_reference = &OnPushedReference;
    c.payload = this;
    return c;
}

void Session::reset()
{
    failure = Failure::None;
    credentialTries = 0;
    refusal.clear();
}

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

} // namespace qle::publish::git
