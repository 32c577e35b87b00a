#include "ui/editor/ProtocolChoice.h"

namespace qle::ui {

ProtocolChoice::ProtocolChoice(QWidget* parent)
    : QComboBox(parent)
{
    addItem(tr("FTP"), QStringLiteral("FTP"));
    addItem(tr("FTP with TLS"), QStringLiteral("FTPS"));
    addItem(tr("SFTP"), QStringLiteral("SFTP"));
    addItem(tr("Git"), QStringLiteral("GIT"));
    addItem(tr("WebDAV"), QStringLiteral("WEBDAV"));
}

QString ProtocolChoice::protocol() const
{
    return currentData().toString();
}

void ProtocolChoice::setProtocol(const QString& protocol)
{
    const int index = findData(protocol.toUpper());
    setCurrentIndex(index >= 0 ? index : 0);
}

} // namespace qle::ui
