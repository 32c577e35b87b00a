#include "FtpServer.h"
#include "TestKeys.h"
#include "UiTest.h"
#include "app/Paths.h"
#include "publish/client/BatchRunner.h"
#include "ui/ConsoleWindow.h"
#include "ui/MainWindow.h"
#include "ui/editor/ProtocolChoice.h"
#include "ui/editor/PublishTab.h"
#include "ui/editor/ServerTrustControls.h"
#include "ui/editor/SiteEditorWindow.h"
#include "ui/editor/ViewTab.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>
#include <sys/stat.h>

namespace qle::test {

namespace {

// Chooses a protocol as the person would.
void ChooseProtocol(ui::PublishTab& tab, const QString& protocol)
{
    const int index = tab.cmbProtocol->findData(protocol);
    tab.cmbProtocol->setCurrentIndex(index);
    emit tab.cmbProtocol->activated(index);
}

// The Publish tab's protocol, key file and server identity, the connection test, the secret handed
// to the console, and the console's Stop button.
class PublishConnectionTest : public QObject
{
    Q_OBJECT

private slots:
    void settingsAreBoundAndTheIdentityIsForgottenWhenTheServerChanges()
    {
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        ui::PublishTab& tab = *editor.publishTab();
        QCOMPARE(tab.cmbProtocol->protocol(), QStringLiteral("FTP"));
        QVERIFY(tab.txtKeyFile->isHidden());
        QVERIFY2(tab.txtTrustedKey->isHidden(), "plain FTP has no identity to show");

        ChooseProtocol(tab, QStringLiteral("SFTP"));
        QVERIFY(!tab.txtKeyFile->isHidden());
        QVERIFY(!tab.txtTrustedKey->isHidden());
        f.recorder.fileAnswers.push_back("/home/jo/.ssh/id_site");
        tab.btnChooseKeyFile->click();
        tab.txtTrustedKey->setText(QStringLiteral("SHA256:abc"));
        editor.commitEdits(generator::SiteEditor::DataSource::Options);
        QCOMPARE(Rows(f.site, "select Ftp_Protocol, Ftp_Key_File, Ftp_Trusted_Key from Options"),
                 std::vector<std::string>({"SFTP|/home/jo/.ssh/id_site|SHA256:abc"}));

        // Each of these forgets the accepted identity; reading the record back does not.
        const std::function<void()> changes[] = {
            [&] { ChooseProtocol(tab, QStringLiteral("FTPS")); },
            [&] {
                auto* server = qobject_cast<QLineEdit*>(editor.txtFields(8));
                server->setFocus();
                QTest::keyClicks(server, "x");
            },
            [&] { tab.btnForget->click(); },
            [&] { PickProvider(editor, QStringLiteral("Neocities")); },
        };
        int row = 0;
        for (const auto& change : changes) {
            tab.txtTrustedKey->setText(QStringLiteral("SHA256:abc"));
            change();
            QVERIFY2(tab.txtTrustedKey->text().isEmpty(), qPrintable(QString::number(row)));
            ++row;
        }
        // The provider's own protocol came with it.
        QCOMPARE(tab.cmbProtocol->protocol(), QStringLiteral("WEBDAV"));
        QVERIFY(tab.txtKeyFile->isHidden());
        QVERIFY(tab.txtBranch->isHidden());
        QVERIFY(!tab.txtTrustedKey->isHidden());
    }

    void testConnectionShowsAnUnknownServerAndStoresItOnceAccepted()
    {
        UiFixture f("Shop.QLS");
        TempDir dir;
        std::filesystem::create_directories(dir / "home/www");
        TestSshKey hostKey(dir.path(), "host");
        SftpServer server(dir / "home", "jo", "Pa55-word", hostKey.path);
        QVERIFY(server.started());
        ui::SiteEditorWindow& editor = f.editor();
        ui::PublishTab& tab = *editor.publishTab();
        editor.setFieldText(8, QString::fromStdString(server.address()));
        editor.setFieldText(9, QStringLiteral("jo"));
        editor.setFieldText(11, QStringLiteral("/www/"));
        ChooseProtocol(tab, QStringLiteral("SFTP"));

        // No password stored: it is asked for, hidden, and never kept.
        f.recorder.textAnswers = {std::string("Pa55-word"), std::string("Pa55-word")};
        f.recorder.yesNoAnswers = {false};
        auto report = editor.serverTrustControls()->testConnection();
        QCOMPARE(report.failure, publish::Failure::UnknownIdentity);
        QCOMPARE(f.recorder.questions.size(), std::size_t(1));
        QVERIFY(f.recorder.questions[0].find(hostKey.fingerprint) != std::string::npos);
        QVERIFY(tab.txtTrustedKey->text().isEmpty());

        f.recorder.yesNoAnswers = {true};
        report = editor.serverTrustControls()->testConnection();
        QVERIFY2(report.ok, report.message.c_str());
        QCOMPARE(tab.txtTrustedKey->text().toStdString(), hostKey.fingerprint);
        QCOMPARE(f.recorder.secretPrompts.size(), std::size_t(2));
        QVERIFY(f.recorder.messages.back().text.find("Connection works") != std::string::npos);
        editor.commitEdits(generator::SiteEditor::DataSource::Options);
        QCOMPARE(Rows(f.site, "select Ftp_Trusted_Key, Ftp_Password from Options"),
                 std::vector<std::string>({hostKey.fingerprint + "|"}));
    }

    void publishHandsTheAskedPasswordToTheConsoleByDescriptor()
    {
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        editor.setFieldText(3, QStringLiteral("Home"));
        editor.viewTab()->btnUpdateWeb->click();
        editor.setFieldText(8, QStringLiteral("ftp.example.com"));
        editor.setFieldText(9, QStringLiteral("jo"));
        ChooseProtocol(*editor.publishTab(), QStringLiteral("FTPS"));

        // Cancelled: nothing is started, and nothing is reported as wrong.
        editor.publishTab()->btnPublish->click();
        QCOMPARE(f.recorder.secretPrompts.size(), std::size_t(1));
        QVERIFY(f.recorder.started.empty());
        QVERIFY(f.recorder.messages.empty());

        f.recorder.textAnswers = {std::string("typed secret")};
        editor.publishTab()->btnPublish->click();
        const std::string batch = f.baseFolder() + "QuillonEngine_ftp.bat";
        QCOMPARE(f.recorder.started.size(), std::size_t(1));
        // The console opens over the main window ("--over" and its place), then takes the secret.
        std::vector<std::string> console = f.recorder.started[0];
        QCOMPARE(console.at(3), std::string("--over"));
        console.erase(console.begin() + 3, console.begin() + 5);
        QCOMPARE(console, std::vector<std::string>({app::ExecutableFolder() + "quillon-engine", "--console", batch,
                                                    "--secret-fd", "3", "-c:4"}));
        QCOMPARE(f.recorder.secretsHandedOn, std::vector<std::string>({"typed secret"}));
        QVERIFY(ReadFile(batch).find("ftps://ftp.example.com") != std::string::npos);
        QVERIFY(ReadFile(f.baseFolder() + "QuillonEngine_ftp.txt").find("typed secret") == std::string::npos);
    }

    void stopEndsTheRunningUploadClient()
    {
        TempDir dir;
        // Stands in for the upload client: runs until asked to stop, then says so.
        const std::string client = dir / "client";
        WriteFile(client, "#!/bin/sh\ntrap 'echo stopped cleanly; exit 1' TERM\necho sending\n"
                          "while :; do sleep 0.05; done\n");
        ::chmod(client.c_str(), 0755);
        ui::ConsoleWindow console;
        QSignalSpy finished(&console, &ui::ConsoleWindow::finished);
        console.show();
        QVERIFY(!console.stopButton()->isEnabled());
        console.start([&client](const auto& output, const auto&, const auto& clientRunning) {
            return publish::RunStreaming({client}, "", output, {}, clientRunning);
        });
        QTRY_VERIFY(console.text().contains(QStringLiteral("sending")));
        QTRY_VERIFY(console.stopButton()->isEnabled());
        console.stopButton()->click();
        QTRY_COMPARE(finished.size(), 1);
        QVERIFY(console.text().contains(QStringLiteral("stopped cleanly")));
        QCOMPARE(console.exitStatus(), 1);
        QVERIFY(!console.stopButton()->isEnabled());
    }
};

QLE_UI_SUITE(PublishConnectionTest);

} // namespace

} // namespace qle::test

#include "PublishConnection_test.moc"
