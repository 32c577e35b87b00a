// The site editor's Publish tab at work: the settings it holds, the provider catalogue, the rules
// applied as a box is left, and publishing itself.
#include "ui/editor/SiteEditorWindow.h"

#include "app/AppQueries.h"
#include "app/Desktop.h"
#include "app/Folders.h"
#include "app/Paths.h"
#include "app/StartUp.h"
#include "generator/HomePage.h"
#include "publish/client/SitePassword.h"
#include "publish/client/UploadOutcome.h"
#include "publish/remote/Connection.h"
#include "publish/script/FtpSettings.h"
#include "ui/FreeWebSpace.h"
#include "ui/SiteActions.h"
#include "ui/editor/PasswordControls.h"
#include "ui/editor/ProtocolChoice.h"
#include "ui/editor/PublishRules.h"
#include "ui/editor/PublishTab.h"
#include "ui/editor/ServerTrustControls.h"
#include "ui/editor/TextBoxes.h"
#include "ui/editor/UploadWatcher.h"
#include "ui/models/ProviderCatalogue.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>

namespace qle::ui {

void SiteEditorWindow::fillProviderList()
{
    auto providers = app::FillListFromQuery(m_state.appDatabasePath, "select provider as field1 from providers;");
    if (!providers) {
        m_ui.showMessage("The list of providers could not be read: " + providers.status().message(), app::kProgramTitle,
                         app::MessageIcon::Warning);
        return;
    }
    for (const auto& name : providers.value())
        m_publishTab->cmbProvider->addItem(QString::fromStdString(name));
}

publish::FtpSettings SiteEditorWindow::currentFtpSettings() const
{
    publish::FtpSettings ftp;
    ftp.server = publish::TrimmedServer(fieldText(8).toStdString());
    ftp.userName = fieldText(9).toStdString();
    ftp.password = m_password->inSiteFile() ? m_password->text() : std::string();
    ftp.passwordInFile = m_publishTab->chkPasswordInFile->isChecked();
    ftp.root = fieldText(11).toStdString();
    ftp.dir = fieldText(13).toStdString();
    ftp.protocol = m_publishTab->cmbProtocol->protocol().toStdString();
    ftp.trustedKey = m_publishTab->txtTrustedKey->text().toStdString();
    ftp.keyFile = m_publishTab->txtKeyFile->text().toStdString();
    ftp.branch = m_publishTab->txtBranch->text().trimmed().toStdString();
    ftp.connections = m_publishTab->txtConnections->text().toStdString();
    ftp.sendAll = m_publishTab->chkSendAll->isChecked();
    ftp.verify = m_publishTab->chkVerify->isChecked();
    return ftp;
}

std::optional<std::string> SiteEditorWindow::uploadSecret(const publish::FtpSettings& ftp)
{
    return publish::UploadSecret(ftp, m_passwords, m_ui, m_password->inSiteFile() ? std::string() : m_password->text());
}

bool SiteEditorWindow::buildBeforePublishing(bool saveEdits)
{
    if (m_state.currentSitePath.empty())
        return true; // the publisher tells the author that no site is open
    m_buildingToPublish = true;
    const Status built = BuildBeforePublishing(*this, m_state, saveEdits);
    m_buildingToPublish = false;
    if (built.ok())
        return true;
    m_publishTab->lblPublishStatus->clear();
    m_ui.showMessage("The site was not published. " + built.message(), app::kProgramTitle, app::MessageIcon::Critical);
    return false;
}

void SiteEditorWindow::publishSite(bool saveFirst)
{
    // The main window's command publishes what is stored; that is what its snapshot keeps, and
    // what is built when the last build is not of it.
    bool built = false;
    snapshot(saveFirst, [&] { built = buildBeforePublishing(saveFirst); });
    if (!built || !confirmPublishAfterCheck())
        return;
    const publish::FtpSettings ftp = currentFtpSettings();
    // The console records how the upload ended; until then the tab says it is under way.
    m_upload->watch(QString::fromStdString(app::BaseFolder(m_state.options)));
    m_publishTab->lblPublishStatus->setText(tr("Uploading ..."));
    // The publisher tells the author itself why a publish was abandoned. A password the script does
    // not carry (the keyring's, or asked) is handed to the console by descriptor before it starts.
    bool cancelled = false;
    const auto askSecret = [this, &ftp, &cancelled] {
        auto secret = uploadSecret(ftp);
        cancelled = !secret;
        return secret;
    };
    const QRect place = window()->frameGeometry();
    const std::string over = QStringLiteral("%1,%2,%3,%4")
                                 .arg(place.x())
                                 .arg(place.y())
                                 .arg(place.width())
                                 .arg(place.height())
                                 .toStdString();
    if (!PublishCurrentSite(ftp, *this, m_state, m_ui, askSecret, over).ok() || cancelled) {
        m_upload->stop();
        m_publishTab->lblPublishStatus->clear();
    }
}

void SiteEditorWindow::showLastUpload()
{
    if (m_upload->isWatching())
        return;
    // The outcome file is the base folder's: it may tell of another site, or of another server.
    auto record = publish::ReadUploadOutcome(app::BaseFolder(m_state.options));
    const bool ours = record && record->sitePath == m_sitePath.toStdString() &&
                      record->destination == publish::UploadDestination(currentFtpSettings());
    m_publishTab->lblPublishStatus->setText(ours ? QString::fromStdString(record->outcome) : QString());
}

void SiteEditorWindow::pickProvider()
{
    auto rows = FindProviders(m_state.appDatabasePath, m_publishTab->cmbProvider->currentText().toStdString());
    if (!rows) {
        reportFailure(rows.status().withContext("The provider could not be looked up"));
        return;
    }
    for (const auto& row : rows.value()) {
        // The accepted identity belonged to the server and protocol being replaced.
        const QString protocol = QString::fromStdString(
            publish::ProtocolName(publish::ParseProtocol(row.protocol).value_or(publish::Protocol::Ftp)));
        if (fieldText(8) != WithUserName(QString::fromStdString(row.ftpServer), fieldText(9)) ||
            m_publishTab->cmbProtocol->protocol() != protocol)
            m_publishTab->txtTrustedKey->clear();
        setFieldText(8, WithUserName(QString::fromStdString(row.ftpServer), fieldText(9)));
        setFieldText(11, WithUserName(QString::fromStdString(row.root), fieldText(9)));
        setFieldText(12, HomepageFor(QString::fromStdString(row.yourpage), fieldText(9)));
        m_publishTab->cmbProtocol->setProtocol(protocol);
        m_publishTab->txtBranch->setText(QString::fromStdString(row.branch));
    }
}

void SiteEditorWindow::usernameLeft()
{
    auto rows = FindProviders(m_state.appDatabasePath, m_publishTab->cmbProvider->currentText().toStdString());
    if (!rows) {
        reportFailure(rows.status().withContext("The provider could not be looked up"));
        return;
    }
    for (const auto& row : rows.value()) {
        setFieldText(12, HomepageFor(QString::fromStdString(row.yourpage), fieldText(9)));
        // A catalogue address still waiting for the user name gets it now.
        setFieldText(8, WithUserName(fieldText(8), fieldText(9)));
        setFieldText(11, WithUserName(fieldText(11), fieldText(9)));
    }
}

bool SiteEditorWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        // Switching to another window or opening a menu is not leaving the box.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (watched == m_txtFields[9])
                usernameLeft();
            else if (watched == m_txtFields[11])
                setFieldText(11, RootOnLeaving(fieldText(11)));
            else if (watched == m_txtFields[13])
                setFieldText(13, DirectoryOnLeaving(fieldText(13)));
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SiteEditorWindow::openPublishedPage()
{
    auto page = generator::HomePagePath(false, *this, m_sitePath.toStdString(),
                                        app::WebFolder(app::BaseFolder(m_state.options)));
    if (!page) {
        reportFailure(page.status());
        return;
    }
    const QString address = PublishedPageAddress(fieldText(12), fieldText(13), QString::fromStdString(page.value()));
    reportFailure(app::ShowPage(address.toStdString(), m_state.programFolder, app::BaseFolder(m_state.options), m_ui));
}

void SiteEditorWindow::showFreeWebSpace()
{
    auto* catalogue = new FreeWebSpace(m_state, m_ui, window());
    catalogue->setAttribute(Qt::WA_DeleteOnClose);
    catalogue->show();
}

} // namespace qle::ui
