// The Publish tab's password box and its "Store the password in the site file" tick. The box shows
// the site's password wherever it is kept, and a save puts it back there: the desktop's keyring, or
// the site file when ticked (or while an older site file holds it and no keyring runs).
#pragma once

#include "app/Keyring.h"
#include "publish/script/FtpSettings.h"
#include "store/Status.h"

#include <string>

class QCheckBox;
class QLineEdit;

namespace qle::publish {
class SitePasswords;
}

namespace qle::ui {

class OptionsSource;

class PasswordControls
{
public:
    // Everything must outlive the controls.
    PasswordControls(QLineEdit& box, QCheckBox& inFile, OptionsSource& options, publish::SitePasswords& passwords);

    // After the settings source opened on a site, `stored` being its settings as the file holds
    // them: fills the box. A keyring that does not answer leaves it empty, unsaid until needed.
    void load(const publish::FtpSettings& stored);

    // Before the settings source is written, `shown` being the settings as the tab shows them
    // (whose server, protocol and user name find the keyring item): puts the box's password where
    // the site keeps it. Ticked: into the site file. Otherwise into the keyring (the empty box
    // forgets it), and only once the keyring holds it does a copy in the site file go; when the
    // keyring cannot take it, the site file keeps what it held and gains nothing.
    Status save(const publish::FtpSettings& shown);

    // True when the site file carries the password: ticked, or an older file's kept there while no
    // keyring runs.
    bool inSiteFile() const;
    std::string text() const;

private:
    QLineEdit& m_box;
    QCheckBox& m_inFile;
    OptionsSource& m_options;
    publish::SitePasswords& m_passwords;
    bool m_olderInFile = false;
    // What the keyring holds as far as this editor knows, and under which key.
    std::string m_kept;
    app::KeyringKey m_keptKey;
};

} // namespace qle::ui
