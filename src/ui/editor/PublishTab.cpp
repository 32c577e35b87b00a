#include "ui/editor/PublishTab.h"

#include "publish/script/FtpSettings.h"
#include "ui/editor/ProtocolChoice.h"
#include "ui/editor/PublishRules.h"
#include "ui/editor/TextBoxes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qle::ui {

namespace {

QLineEdit* FieldBox(QWidget* parent, int index, int maxLength)
{
    auto* box = new BoundLineEdit(maxLength, parent);
    box->setObjectName(QStringLiteral("txtFields_%1").arg(index));
    return box;
}

QLabel* Hint(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

} // namespace

PublishTab::PublishTab(QWidget* parent)
    : QWidget(parent)
{
    txtFields[0] = FieldBox(this, 0, 50);
    txtFields[0]->hide();
    txtFields[8] = FieldBox(this, 8, 50);
    txtFields[9] = FieldBox(this, 9, 50);
    txtFields[10] = FieldBox(this, 10, 50);
    txtFields[10]->setEchoMode(QLineEdit::Password);
    // Masked with "*", whatever the desktop style's own mask character.
    txtFields[10]->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    chkPasswordInFile = new QCheckBox(tr("Store the password in the site file"), this);
    chkPasswordInFile->setObjectName(QStringLiteral("chkPasswordInFile"));
    chkPasswordInFile->setToolTip(tr("Otherwise the desktop's keyring keeps it, and no file holds it"));
    txtFields[11] = FieldBox(this, 11, 50);
    txtFields[12] = FieldBox(this, 12, 255);
    txtFields[13] = FieldBox(this, 13, 50);

    btnPublish = new QPushButton(tr("&Publish to the World"), this);
    btnPublish->setObjectName(QStringLiteral("btnPublish"));
    cmbProvider = new QComboBox(this);
    cmbProvider->setObjectName(QStringLiteral("cmbProvider"));
    cmbProvider->setEditable(true);
    cmbProvider->setInsertPolicy(QComboBox::NoInsert);
    Command3 = new QPushButton(tr("FREE &Web Space"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    btnGetWebAddress = new QPushButton(QString::fromLatin1(kWebAddressCaption), this);
    btnGetWebAddress->setObjectName(QStringLiteral("btnGetWebAddress"));
    Command2 = new QPushButton(tr("&Open my web page"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    cmbProtocol = new ProtocolChoice(this);
    cmbProtocol->setObjectName(QStringLiteral("cmbProtocol"));
    txtKeyFile = new QLineEdit(this);
    txtKeyFile->setObjectName(QStringLiteral("txtKeyFile"));
    btnChooseKeyFile = new QPushButton(tr("Choose..."), this);
    btnChooseKeyFile->setObjectName(QStringLiteral("btnChooseKeyFile"));
    txtBranch = new QLineEdit(this);
    txtBranch->setObjectName(QStringLiteral("txtBranch"));
    txtBranch->setPlaceholderText(tr("the repository's default branch"));
    m_branchLabel = new QLabel(tr("Branch:"), this);
    txtTrustedKey = new QLineEdit(this);
    txtTrustedKey->setObjectName(QStringLiteral("txtTrustedKey"));
    txtTrustedKey->setReadOnly(true);
    txtTrustedKey->setPlaceholderText(tr("not checked yet: use Test Connection"));
    btnForget = new QPushButton(tr("Forget"), this);
    btnForget->setObjectName(QStringLiteral("btnForget"));
    btnTestConnection = new QPushButton(tr("Test Connection"), this);
    btnTestConnection->setObjectName(QStringLiteral("btnTestConnection"));
    m_keyFileLabel = new QLabel(tr("Key file:"), this);
    m_identityLabel = new QLabel(tr("Server identity:"), this);
    lblPublishStatus = new QLabel(this);
    lblPublishStatus->setObjectName(QStringLiteral("lblPublishStatus"));
    lblPublishStatus->setWordWrap(true);
    lblPublishStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(Hint(tr("Check your options are correct and then hit the Publish to the World button below."), this),
                   1);
    top->addWidget(btnPublish, 0, Qt::AlignTop);
    layout->addLayout(top);
    layout->addWidget(lblPublishStatus);
    layout->addWidget(Hint(tr("Enter the details of your Web Space Provider if you know them. Otherwise join a free "
                              "service by clicking 'FREE Web Space'"),
                           this));

    auto* grid = new QGridLayout;
    int row = 0;
    grid->addWidget(new QLabel(tr("Provider:"), this), row, 0);
    grid->addWidget(cmbProvider, row++, 1, 1, 2);
    grid->addWidget(new QLabel(tr("Show me how to get"), this), row, 0);
    grid->addWidget(Command3, row, 1);
    grid->addWidget(btnGetWebAddress, row++, 2);
    grid->addWidget(Hint(tr("This is your username and password (usually the same as your Internet login name)"), this),
                    row++, 0, 1, 3);
    grid->addWidget(new QLabel(tr("Username:"), this), row, 0);
    grid->addWidget(txtFields[9], row++, 1, 1, 2);
    grid->addWidget(new QLabel(tr("Password:"), this), row, 0);
    grid->addWidget(txtFields[10], row, 1);
    grid->addWidget(chkPasswordInFile, row++, 2);
    grid->addWidget(Hint(tr("This is the FTP Server name (e.g. %1), click help for more details.")
                             .arg(QString::fromLatin1(kExampleFtpHost)),
                         this),
                    row++, 0, 1, 3);
    grid->addWidget(new QLabel(tr("Destination Address (FTP)"), this), row, 0);
    grid->addWidget(txtFields[8], row++, 1, 1, 2);
    grid->addWidget(new QLabel(tr("Protocol:"), this), row, 0);
    grid->addWidget(cmbProtocol, row, 1);
    grid->addWidget(btnTestConnection, row++, 2, Qt::AlignLeft);
    grid->addWidget(m_keyFileLabel, row, 0);
    grid->addWidget(txtKeyFile, row, 1);
    grid->addWidget(btnChooseKeyFile, row++, 2, Qt::AlignLeft);
    grid->addWidget(m_branchLabel, row, 0);
    grid->addWidget(txtBranch, row++, 1);
    grid->addWidget(m_identityLabel, row, 0);
    grid->addWidget(txtTrustedKey, row, 1);
    grid->addWidget(btnForget, row++, 2, Qt::AlignLeft);
    grid->addWidget(Hint(tr("This is where your web will site when published to on the World Wide Web "), this), row++,
                    0, 1, 3);
    grid->addWidget(new QLabel(tr("Destination Directory:"), this), row, 0);
    grid->addWidget(txtFields[11], row, 1);
    grid->addWidget(txtFields[13], row++, 2);
    grid->addWidget(new QLabel(tr("Your Home Page"), this), row, 0);
    grid->addWidget(txtFields[12], row++, 1, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    layout->addLayout(grid);

    txtConnections = new BoundLineEdit(2, this);
    txtConnections->setObjectName(QStringLiteral("txtConnections"));
    txtConnections->setValidator(new QIntValidator(1, publish::kMostConnections, txtConnections));
    txtConnections->setPlaceholderText(QString::number(publish::kDefaultConnections));
    txtConnections->setMaximumWidth(48);
    chkSendAll = new QCheckBox(tr("Send every file again"), this);
    chkSendAll->setObjectName(QStringLiteral("chkSendAll"));
    chkVerify = new QCheckBox(tr("Check the files on the server"), this);
    chkVerify->setObjectName(QStringLiteral("chkVerify"));
    auto* upload = new QHBoxLayout;
    upload->addWidget(new QLabel(tr("Uploads at once:"), this));
    upload->addWidget(txtConnections);
    upload->addSpacing(12);
    upload->addWidget(chkSendAll);
    upload->addWidget(chkVerify);
    upload->addStretch(1);
    layout->addLayout(upload);
    layout->addWidget(Command2, 0, Qt::AlignLeft);
    layout->addWidget(new LimitNote(this));
    SetTabOrder({btnPublish, cmbProvider, Command3, btnGetWebAddress, txtFields[9], txtFields[10], chkPasswordInFile,
                 txtFields[8], txtFields[11], txtFields[13], txtFields[12], Command2});
    layout->addStretch(1);
    showRowsFor(cmbProtocol->protocol());
    connect(cmbProtocol, &QComboBox::currentIndexChanged, this, [this] { showRowsFor(cmbProtocol->protocol()); });
}

void PublishTab::showRowsFor(const QString& protocol)
{
    const bool git = protocol == QLatin1String("GIT");
    const bool ssh = protocol == QLatin1String("SFTP") || git;
    m_keyFileLabel->setVisible(ssh);
    txtKeyFile->setVisible(ssh);
    btnChooseKeyFile->setVisible(ssh);
    m_branchLabel->setVisible(git);
    txtBranch->setVisible(git);
    // Plain FTP has no server identity to check.
    const bool identity = protocol != QLatin1String("FTP");
    m_identityLabel->setVisible(identity);
    txtTrustedKey->setVisible(identity);
    btnForget->setVisible(identity);
}

QWidget* PublishTab::focusControl() const
{
    return btnPublish;
}

} // namespace qle::ui
