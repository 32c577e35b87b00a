// The "Publish to the World !" tab: the FTP settings of the site and the publish button.
#pragma once

#include <QWidget>
#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qle::ui {

class ProtocolChoice;

class PublishTab : public QWidget
{
    Q_OBJECT

public:
    explicit PublishTab(QWidget* parent = nullptr);

    // txtFields indices 0 and 8 to 13 (the others stay null): Local_Web_Dir (never shown),
    // Ftp_Destination, Ftp_Username, the password, Ftp_Root, Your_Homepage, Ftp_Dir. The password
    // is kept in the desktop's keyring, or in Ftp_Password when chkPasswordInFile is ticked
    // (Ftp_Password_In_File); see PasswordControls.
    std::array<QLineEdit*, 14> txtFields {};
    QCheckBox* chkPasswordInFile;
    QPushButton* btnPublish;
    QComboBox* cmbProvider;
    QPushButton* Command3;         // "FREE &Web Space"
    QPushButton* btnGetWebAddress; // the domain seller's page
    QPushButton* Command2;         // "&Open my web page"
    QLineEdit* txtConnections;     // Ftp_Connections: uploads at once, empty for the default
    QCheckBox* chkSendAll;         // send every file again, whatever the server holds
    QCheckBox* chkVerify;          // check the server's files against the record of published files
    QLabel* lblPublishStatus;      // how the last upload ended: "Published: ..." or "Upload failed: ..."

    // How the site reaches its server: Ftp_Protocol, Ftp_Key_File (SFTP only, shown then) and
    // the accepted server identity Ftp_Trusted_Key, which only "Forget" or a change of server or
    // protocol clears here.
    ProtocolChoice* cmbProtocol;
    QLineEdit* txtKeyFile;
    QLineEdit* txtBranch; // Ftp_Branch (Git only, shown then): empty for the repository's default
    QPushButton* btnChooseKeyFile;
    QLineEdit* txtTrustedKey;
    QPushButton* btnForget;
    QPushButton* btnTestConnection;

    // Shows the key-file row only for SFTP and Git, the branch only for Git, the server identity for
    // every protocol but plain FTP.
    void showRowsFor(const QString& protocol);

    QWidget* focusControl() const;

private:
    QLabel* m_keyFileLabel;
    QLabel* m_branchLabel;
    QLabel* m_identityLabel;
};

} // namespace qle::ui
