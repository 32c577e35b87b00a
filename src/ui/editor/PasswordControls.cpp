#include "ui/editor/PasswordControls.h"

#include "publish/client/SitePassword.h"
#include "ui/models/OptionsSource.h"

#include <QCheckBox>
#include <QLineEdit>

namespace qle::ui {

namespace {

constexpr const char* kPasswordField = "Ftp_Password";

} // namespace

PasswordControls::PasswordControls(QLineEdit& box, QCheckBox& inFile, OptionsSource& options,
                                   publish::SitePasswords& passwords)
    : m_box(box)
    , m_inFile(inFile)
    , m_options(options)
    , m_passwords(passwords)
{
}

void PasswordControls::load(const publish::FtpSettings& stored)
{
    m_olderInFile = publish::HoldsOlderPassword(stored);
    m_kept.clear();
    m_keptKey = publish::KeyringKeyFor(stored);
    if (stored.passwordInFile || m_olderInFile) {
        m_box.setText(QString::fromStdString(stored.password));
        return;
    }
    auto kept = m_passwords.find(stored);
    if (kept)
        m_kept = kept.value();
    m_box.setText(QString::fromStdString(m_kept));
}

Status PasswordControls::save(const publish::FtpSettings& shown)
{
    if (inSiteFile()) {
        m_options.setFieldValue(kPasswordField, m_box.text());
        return Status::OK();
    }
    const std::string password = text();
    const app::KeyringKey key = publish::KeyringKeyFor(shown);
    if (password != m_kept || !(key == m_keptKey)) {
        if (Status s = m_passwords.store(shown, password); !s.ok()) {
            // No keyring has been said once already; the box keeps the password for this session.
            return s.code() == Status::Code::Unavailable ? Status::OK()
                                                         : s.withContext("The password could not be kept");
        }
        m_kept = password;
        m_keptKey = key;
    }
    // Unticked after the site file held it: the keyring has it now.
    m_options.setFieldValue(kPasswordField, QString());
    return Status::OK();
}

bool PasswordControls::inSiteFile() const
{
    return m_inFile.isChecked() || m_olderInFile;
}

std::string PasswordControls::text() const
{
    return m_box.text().toStdString();
}

} // namespace qle::ui
