// The Publish tab's "Protocol" choice. It shows "FTP", "FTP with TLS", "SFTP", "Git" and "WebDAV"
// and binds to the site's Ftp_Protocol field as "FTP", "FTPS", "SFTP", "GIT" or "WEBDAV" (its user
// property).
#pragma once

#include <QComboBox>

namespace qle::ui {

class ProtocolChoice : public QComboBox
{
    Q_OBJECT
    Q_PROPERTY(QString protocol READ protocol WRITE setProtocol USER true)

public:
    explicit ProtocolChoice(QWidget* parent = nullptr);

    // "FTP", "FTPS", "SFTP", "GIT" or "WEBDAV".
    QString protocol() const;
    // Any letter case; empty or unknown text shows FTP.
    void setProtocol(const QString& protocol);
};

} // namespace qle::ui
