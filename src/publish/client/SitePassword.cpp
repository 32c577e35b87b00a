#include "publish/client/SitePassword.h"

#include "app/Paths.h"
#include "app/UserInterface.h"
#include "publish/remote/Secrets.h"
#include "publish/script/FtpScript.h"
#include "publish/script/Protocol.h"
#include "store/Database.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string_view>

namespace qle::publish {

namespace {

// The usual port of a URL scheme or of a protocol's plain name (lower case); 0 when unknown.
int UsualPort(std::string_view name)
{
    struct Usual
    {
        std::string_view name;
        int port;
    };
    static constexpr Usual kPorts[] = {
        {"ftp", 21},    {"ftps", 21}, {"sftp", 22},    {"ssh", 22},   {"git", 22},
        {"https", 443}, {"http", 80}, {"webdav", 443}, {"davs", 443}, {"dav", 80},
    };
    for (const auto& usual : kPorts)
        if (usual.name == name)
            return usual.port;
    return 0;
}

// A whole port number, 1 to 65535; 0 otherwise.
int PortNumber(std::string_view text)
{
    int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || port < 1 || port > 65535)
        return 0;
    return port;
}

std::optional<std::string> Ask(SecretNeeded needed, const FtpSettings& ftp, app::UserInterface& ui)
{
    auto secret = ui.askSecret(SecretPrompt(needed, ftp), app::kProgramTitle);
    if (!secret || secret->empty())
        return std::nullopt;
    return secret;
}

} // namespace

app::KeyringKey KeyringKeyFor(const FtpSettings& ftp)
{
    app::KeyringKey key;
    key.protocol = ftp.protocol.empty() ? std::string("FTP") : ProtocolNameOf(TrimmedServer(ftp.protocol));
    key.user = ftp.userName;

    // "host", "host:port", "[v6]:port", "scheme://[user@]host[:port]/path" or scp-like "user@host:path".
    const std::string text = TrimmedServer(ftp.server);
    std::string_view rest = text;
    std::string scheme;
    if (const auto separator = rest.find("://"); separator != std::string_view::npos) {
        scheme = AsciiLowerCase(rest.substr(0, separator));
        rest.remove_prefix(separator + 3);
    }
    rest = rest.substr(0, rest.find('/'));
    if (const auto at = rest.rfind('@'); at != std::string_view::npos) {
        if (at > 0)
            key.user = std::string(rest.substr(0, at));
        rest.remove_prefix(at + 1);
    }
    int port = 0;
    if (rest.starts_with('[')) {
        const auto close = rest.find(']');
        const std::string_view after = close == std::string_view::npos ? std::string_view() : rest.substr(close + 1);
        if (after.starts_with(':'))
            port = PortNumber(after.substr(1));
        rest = rest.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
    } else if (std::count(rest.begin(), rest.end(), ':') == 1) {
        // After the colon a port, or the path of a scp-like address.
        const auto colon = rest.find(':');
        port = PortNumber(rest.substr(colon + 1));
        rest = rest.substr(0, colon);
    }
    key.server = AsciiLowerCase(rest);
    if (port == 0)
        port = UsualPort(scheme.empty() ? AsciiLowerCase(key.protocol) : scheme);
    key.port = port;
    return key;
}

std::string PasswordOwner(const FtpSettings& ftp)
{
    const app::KeyringKey key = KeyringKeyFor(ftp);
    return key.user + " at " + TrimmedServer(ftp.server) + " (" + key.protocol + ")";
}

SitePasswords::SitePasswords(app::Keyring& keyring, app::UserInterface& ui)
    : m_keyring(keyring)
    , m_ui(ui)
{
}

Result<std::string> SitePasswords::find(const FtpSettings& ftp)
{
    auto kept = m_keyring.lookup(KeyringKeyFor(ftp));
    if (!kept)
        return kept.status();
    return kept->value_or(std::string());
}

std::string SitePasswords::passwordFor(const FtpSettings& ftp)
{
    auto kept = find(ftp);
    if (kept)
        return kept.value();
    tellNoKeyring(kept.status());
    return {};
}

Status SitePasswords::store(const FtpSettings& ftp, const std::string& password)
{
    if (password.empty())
        return forget(ftp);
    Status stored = m_keyring.store(KeyringKeyFor(ftp), password, "Quillon Engine: password for " + PasswordOwner(ftp));
    if (stored.code() == Status::Code::Unavailable)
        tellNoKeyring(stored);
    return stored;
}

Status SitePasswords::forget(const FtpSettings& ftp)
{
    return m_keyring.forget(KeyringKeyFor(ftp));
}

void SitePasswords::tellNoKeyring(const Status& why)
{
    if (m_toldNoKeyring)
        return;
    m_toldNoKeyring = true;
    std::string text = why.code() == Status::Code::Unavailable
                           ? "No keyring is running on this desktop, so the password cannot be kept safely."
                           : why.message() + ".";
    text += " It is asked for each time you publish. To keep it in the site file instead, as before, tick \"Store "
            "the password in the site file\" on the Publish tab.";
    m_ui.showMessage(text, app::kProgramTitle, app::MessageIcon::Information);
}

std::optional<std::string> UploadSecret(const FtpSettings& ftp, SitePasswords& passwords, app::UserInterface& ui,
                                        const std::string& shown)
{
    const SecretNeeded needed = SecretFor(ftp);
    if (needed == SecretNeeded::Passphrase)
        return Ask(needed, ftp, ui);
    if (!ftp.password.empty())
        return std::string(); // the script's password line carries the site file's
    if (!shown.empty())
        return shown;
    if (needed == SecretNeeded::None) {
        // An SSH login without a key file tries a kept password before the agent, as it tries the
        // site file's; with no keyring the agent alone is no reason to say anything.
        const auto protocol = ParseProtocol(ftp.protocol);
        const bool agent = (protocol == Protocol::Sftp || protocol == Protocol::Git) && ftp.keyFile.empty();
        auto kept = agent ? passwords.find(ftp) : Result<std::string>(std::string());
        return kept ? kept.value() : std::string();
    }
    std::string kept = passwords.passwordFor(ftp);
    if (!kept.empty())
        return kept;
    return Ask(needed, ftp, ui);
}

bool HoldsOlderPassword(const FtpSettings& ftp)
{
    return !ftp.password.empty() && !ftp.passwordInFile;
}

Status OfferToMovePassword(const std::string& sitePath, FtpSettings& ftp, SitePasswords& passwords,
                           const YesNoQuestion& ask)
{
    if (!HoldsOlderPassword(ftp))
        return Status::OK();
    // Without a keyring there is nowhere to move it: the site goes on as before, and is asked again
    // once a keyring runs.
    if (auto kept = passwords.find(ftp); !kept)
        return kept.status().code() == Status::Code::Unavailable ? Status::OK() : kept.status();
    const std::string question =
        "The site file " + app::FileNameOfPath(sitePath) + " holds the password for " + PasswordOwner(ftp) +
        " as plain text, and so does every backup of it. Move the password to the "
        "desktop's keyring, where it is kept safely?\n\nNo keeps it in the site file, as before.";
    const std::optional<bool> answer = ask(question);
    if (!answer)
        return Status::OK();
    if (!*answer) {
        ftp.passwordInFile = true;
        return SavePasswordInFile(sitePath, true);
    }
    if (Status s = passwords.store(ftp, ftp.password); !s.ok())
        return s.withContext("The password stays in the site file");
    // Only once the keyring holds it does it leave the file.
    if (Status s = ClearSitePassword(sitePath); !s.ok())
        return s;
    ftp.password.clear();
    return Status::OK();
}

Status ClearSitePassword(const std::string& sitePath)
{
    auto db = store::Database::open(sitePath);
    if (!db)
        return db.status();
    // Without it the old row's bytes stay in the file's free space, and in every backup copied from it.
    if (Status s = db->execute("PRAGMA secure_delete = ON"); !s.ok())
        return s;
    return db->execute("UPDATE Options SET Ftp_Password = ''");
}

Status SavePasswordInFile(const std::string& sitePath, bool inFile)
{
    auto db = store::Database::open(sitePath);
    if (!db)
        return db.status();
    return db->execute("UPDATE Options SET Ftp_Password_In_File = ?", {inFile ? "1" : "0"});
}

} // namespace qle::publish
