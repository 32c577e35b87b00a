#include "ui/editor/ServerTrustControls.h"

#include "app/UserInterface.h"
#include "ui/BusyPointer.h"
#include "ui/editor/ProtocolChoice.h"
#include "ui/editor/PublishTab.h"

#include <QLineEdit>
#include <QPushButton>

namespace qle::ui {

ServerTrustControls::ServerTrustControls(PublishTab& tab, QLineEdit& server, app::UserInterface& ui,
                                         SettingsSource current, SecretSource secret, QObject* parent)
    : QObject(parent)
    , m_tab(tab)
    , m_ui(ui)
    , m_current(std::move(current))
    , m_secret(std::move(secret))
{
    // An identity belongs to one server and one protocol: the author's change of either forgets it.
    connect(&server, &QLineEdit::textEdited, this, [this] { m_tab.txtTrustedKey->clear(); });
    connect(m_tab.cmbProtocol, &QComboBox::activated, this, [this] { m_tab.txtTrustedKey->clear(); });
    connect(m_tab.btnForget, &QPushButton::clicked, this, [this] { m_tab.txtTrustedKey->clear(); });
    connect(m_tab.btnChooseKeyFile, &QPushButton::clicked, this, &ServerTrustControls::chooseKeyFile);
    connect(m_tab.btnTestConnection, &QPushButton::clicked, this, [this] { (void)testConnection(); });
}

void ServerTrustControls::chooseKeyFile()
{
    app::FileChoice choice;
    choice.title = "Choose the private key file";
    const QString current = m_tab.txtKeyFile->text();
    choice.initialFolder = current.isEmpty() ? std::string() : current.toStdString();
    const std::string chosen = m_ui.chooseFile(choice);
    if (!chosen.empty())
        m_tab.txtKeyFile->setText(QString::fromStdString(chosen));
}

bool ServerTrustControls::offerTrust(const publish::FtpSettings& ftp, const publish::ConnectionReport& report)
{
    const bool changed = report.failure == publish::Failure::ChangedIdentity;
    std::string question =
        changed ? "WARNING: the server " + ftp.server +
                      " no longer shows the identity accepted for it. Someone may be pretending to be your server; "
                      "accept the new identity only if your provider told you it changed.\n\n"
                : "The identity of the server " + ftp.server + " is not known yet. Check it with your provider.\n\n";
    if (changed && !ftp.trustedKey.empty())
        question += "Accepted before:\n" + ftp.trustedKey + "\n\n";
    question += "The server shows:\n" + report.identity.fingerprint + "\n";
    if (!report.identity.description.empty())
        question += report.identity.description + "\n";
    question += "\nTrust this server and publish to it?";
    if (!m_ui.askYesNo(question, app::kProgramTitle))
        return false;
    m_tab.txtTrustedKey->setText(QString::fromStdString(report.identity.fingerprint));
    return true;
}

publish::ConnectionReport ServerTrustControls::testConnection()
{
    publish::FtpSettings ftp = m_current();
    const auto secret = m_secret(ftp);
    if (!secret) {
        publish::ConnectionReport cancelled;
        cancelled.failure = publish::Failure::Stopped;
        cancelled.message = "Not tested: no password was given.";
        return cancelled;
    }
    publish::ConnectionReport report;
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto settings = publish::SettingsForSite(ftp, *secret);
        if (!settings) {
            report.failure = publish::Failure::Other;
            report.message = settings.status().message();
            break;
        }
        {
            BusyPointer busy;
            report = publish::TestConnection(settings.value(), ftp);
        }
        const bool identity =
            report.failure == publish::Failure::UnknownIdentity || report.failure == publish::Failure::ChangedIdentity;
        if (!identity || attempt > 0 || !offerTrust(ftp, report))
            break;
        ftp.trustedKey = report.identity.fingerprint;
    }
    if (report.failure == publish::Failure::UnknownIdentity || report.failure == publish::Failure::ChangedIdentity)
        return report; // the question said it all
    m_ui.showMessage(report.message, app::kProgramTitle,
                     report.ok ? app::MessageIcon::Information : app::MessageIcon::Warning);
    return report;
}

} // namespace qle::ui
