// Where a site's publish password is kept, and the secret one upload or connection test is handed.
// The password lives in the desktop's keyring; the site file holds it only when the author keeps
// it there ("Store the password in the site file") or an older file still does. The program and
// the command line share this, so the password takes one path: keyring (or the person), then the
// upload client's inherited descriptor; never a command line, the environment, the script or a log.
#pragma once

#include "app/Keyring.h"
#include "publish/script/FtpSettings.h"
#include "store/Status.h"

#include <functional>
#include <optional>
#include <string>

namespace qle::app {
class UserInterface;
}

namespace qle::publish {

// The keyring item of a site's password: the protocol setting's plain name in capitals ("FTP" when
// empty), the server's host in lower case and its port (the usual one of the protocol or of the
// address's scheme when none is written; 0 when neither says), and the user name (that of an
// address written "scheme://user@host" before the site's). Addresses with a path (Git, WebDAV) key
// by their host, so one account's password serves every site on it.
app::KeyringKey KeyringKeyFor(const FtpSettings& ftp);

// Whose password it is, as messages and the keyring's label name it: "jo at ftp.example.net (FTP)".
std::string PasswordOwner(const FtpSettings& ftp);

// The publish passwords of sites in the desktop's keyring. When no keyring answers, the person is
// told once (per object: once per run of the program) and the calls go on without it.
class SitePasswords
{
public:
    // `keyring` and `ui` must outlive the object.
    SitePasswords(app::Keyring& keyring, app::UserInterface& ui);

    // The password kept for these settings: empty when none is. Nothing is said when no keyring
    // answers: the status says so (Status::Unavailable).
    Result<std::string> find(const FtpSettings& ftp);

    // find(), telling the person once when no keyring answers; empty then.
    std::string passwordFor(const FtpSettings& ftp);

    // Keeps the password for these settings (the empty text forgets it). When no keyring answers
    // the person is told once and the status says so.
    Status store(const FtpSettings& ftp, const std::string& password);

    // Removes the password kept for these settings; OK when there was none.
    Status forget(const FtpSettings& ftp);

    // Says, the first time only, that no keyring runs and that the password is asked each time.
    void tellNoKeyring(const Status& why);

private:
    app::Keyring& m_keyring;
    app::UserInterface& m_ui;
    bool m_toldNoKeyring = false;
};

// The secret one publish or connection test hands the upload client by descriptor. Empty text when
// there is none to hand: the site file carries the password (the script's password line), or no
// secret is needed (an SFTP key without a passphrase, or the SSH agent with no password kept).
// Otherwise `shown` (a password the editor shows that no file holds), the keyring's, or the
// person's answer to the password prompt; a key file's passphrase is always asked and never kept.
// Nothing when the person gave none.
std::optional<std::string> UploadSecret(const FtpSettings& ftp, SitePasswords& passwords, app::UserInterface& ui,
                                        const std::string& shown = {});

// True when the site file holds a password the author has not chosen to keep there: an older site
// file's, from before the keyring.
bool HoldsOlderPassword(const FtpSettings& ftp);

// Asks a yes-or-no question: true or false as answered, nothing when no answer came (the command
// line's input ended).
using YesNoQuestion = std::function<std::optional<bool>(const std::string& question)>;

// An older site file's password (see HoldsOlderPassword) on its first use: when a keyring answers,
// asks whether to move it there. Yes: kept in the keyring, then removed from the site file (see
// ClearSitePassword) and from `ftp`. No: the site keeps it in the file from now on (its setting
// ticked). No answer, or no keyring: nothing changes. The error names the file or the keyring.
Status OfferToMovePassword(const std::string& sitePath, FtpSettings& ftp, SitePasswords& passwords,
                           const YesNoQuestion& ask);

// Empties the site file's password so that no byte of it stays in the file (deleted content is
// overwritten). The error names the file.
Status ClearSitePassword(const std::string& sitePath);

// Stores the "keep the password in the site file" setting. The error names the file.
Status SavePasswordInFile(const std::string& sitePath, bool inFile);

} // namespace qle::publish
