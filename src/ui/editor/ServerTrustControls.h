// The Publish tab's connection controls at work: the key-file chooser, "Forget", clearing the
// accepted server identity when the author changes the server or the protocol, and "Test
// Connection", which shows an unknown or changed identity and stores it once the author accepts it.
#pragma once

#include "publish/client/ConnectionTest.h"

#include <QObject>
#include <functional>
#include <optional>
#include <string>

class QLineEdit;

namespace qle::app {
class UserInterface;
}

namespace qle::ui {

class PublishTab;

class ServerTrustControls : public QObject
{
    Q_OBJECT

public:
    using SettingsSource = std::function<publish::FtpSettings()>;
    // The password or passphrase the script does not carry: empty text when none is needed, nothing
    // when the author gave none.
    using SecretSource = std::function<std::optional<std::string>(const publish::FtpSettings&)>;

    // `tab`, `server` (the server box) and `ui` must outlive the controls; `current` gives the
    // settings as the tab shows them now, `secret` the secret for them.
    ServerTrustControls(PublishTab& tab, QLineEdit& server, app::UserInterface& ui, SettingsSource current,
                        SecretSource secret, QObject* parent = nullptr);

    // "Test Connection": reports the outcome to the author and returns it.
    publish::ConnectionReport testConnection();

private:
    void chooseKeyFile();
    // Shows the identity and asks the author to accept it; true when accepted (and stored in the tab).
    bool offerTrust(const publish::FtpSettings& ftp, const publish::ConnectionReport& report);

    PublishTab& m_tab;
    app::UserInterface& m_ui;
    SettingsSource m_current;
    SecretSource m_secret;
};

} // namespace qle::ui
