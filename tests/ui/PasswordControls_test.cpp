#include "UiTest.h"
#include "app/Backups.h"
#include "store/Database.h"
#include "ui/MainWindow.h"
#include "ui/editor/PublishTab.h"
#include "ui/editor/SiteEditorWindow.h"
#include "ui/editor/ViewTab.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <ctime>

namespace qle::test {

namespace {

// A built site with a server and user name, its password box as the author left it.
void PrepareToPublish(ui::SiteEditorWindow& editor, const QString& password)
{
    editor.setFieldText(3, QStringLiteral("Home"));
    editor.viewTab()->btnUpdateWeb->click();
    editor.setFieldText(8, QStringLiteral("ftp.example.com"));
    editor.setFieldText(9, QStringLiteral("jo"));
    editor.setFieldText(10, password);
}

bool HandsOnASecret(const std::vector<std::string>& command)
{
    return std::find(command.begin(), command.end(), "--secret-fd") != command.end();
}

std::string PasswordLine(const UiFixture& f)
{
    const std::string script = ReadFile(f.baseFolder() + "QuillonEngine_ftp.txt");
    const std::size_t first = script.find("\r\n");
    return script.substr(first + 2, script.find("\r\n", first + 2) - first - 2);
}

// The password box and its tick: what the keyring, the site file and the upload script hold.
class PasswordControlsTest : public QObject
{
    Q_OBJECT

private slots:
    void typedPasswordIsKeptInTheKeyringAndInNoFile()
    {
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        PrepareToPublish(editor, QStringLiteral("Kept-Pa55-word"));
        editor.publishTab()->btnPublish->click();

        QCOMPARE(f.keyring->items,
                 (std::map<std::string, std::string> {{"FTP|ftp.example.com|21|jo", "Kept-Pa55-word"}}));
        QCOMPARE(f.keyring->labels.begin()->second,
                 std::string("Quillon Engine: password for jo at ftp.example.com (FTP)"));
        QCOMPARE(Rows(f.site, "select Ftp_Password, Ftp_Password_In_File from Options"),
                 std::vector<std::string>({"|0"}));
        // The console gets it by descriptor; the script's password line is empty.
        QCOMPARE(PasswordLine(f), std::string());
        QCOMPARE(f.recorder.secretsHandedOn, std::vector<std::string>({"Kept-Pa55-word"}));
        QVERIFY(HandsOnASecret(f.recorder.started.at(0)));
        // The base folder holds the site file, its backups, the script and the web folder.
        QVERIFY(PathExists(f.baseFolder() + "Backups"));
        QCOMPARE(FilesHolding(f.baseFolder(), "Kept-Pa55-word"), std::vector<std::string>());
        QVERIFY(f.recorder.messages.empty());

        // Opened again, the box shows it; emptied, the keyring forgets it.
        QVERIFY(f.window->openSite(f.site));
        auto* box = qobject_cast<QLineEdit*>(f.editor().txtFields(10));
        QCOMPARE(box->text(), QStringLiteral("Kept-Pa55-word"));
        box->clear();
        f.editor().commitEdits(generator::SiteEditor::DataSource::Options);
        QVERIFY(f.keyring->items.empty());
    }

    void tickedTheSiteFileKeepsThePasswordAsBefore()
    {
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        PrepareToPublish(editor, QStringLiteral("File-Pa55"));
        editor.publishTab()->chkPasswordInFile->setChecked(true);
        editor.publishTab()->btnPublish->click();

        QCOMPARE(Rows(f.site, "select Ftp_Password, Ftp_Password_In_File from Options"),
                 std::vector<std::string>({"File-Pa55|1"}));
        QVERIFY(f.keyring->items.empty());
        QCOMPARE(PasswordLine(f), std::string("File-Pa55"));
        // The script carries it: the console is handed nothing.
        QVERIFY(f.recorder.secretsHandedOn.empty());
        QCOMPARE(f.recorder.started.size(), std::size_t(1));
        QVERIFY(!HandsOnASecret(f.recorder.started[0]));

        // Unticked again, the password moves to the keyring and leaves the file.
        editor.publishTab()->chkPasswordInFile->setChecked(false);
        editor.commitEdits(generator::SiteEditor::DataSource::Options);
        QCOMPARE(f.keyring->items.size(), std::size_t(1));
        QCOMPARE(Rows(f.site, "select Ftp_Password, Ftp_Password_In_File from Options"),
                 std::vector<std::string>({"|0"}));
        QCOMPARE(FilesHolding(f.site, "File-Pa55"), std::vector<std::string>());
    }

    void olderSiteFilePasswordMovesOnlyWithTheAuthorsYes()
    {
        struct Row
        {
            const char* name;
            bool keyringRuns;
            bool answer;
            bool asked;
            const char* stored; // Ftp_Password|Ftp_Password_In_File afterwards
            bool kept;          // in the keyring afterwards
        };
        const Row rows[] = {
            {"yes", true, true, true, "|", true},
            {"no: kept in the file, ticked", true, false, true, "Old-Pa55|1", false},
            {"no keyring: not asked, kept as it was", false, true, false, "Old-Pa55|", false},
        };
        for (const Row& row : rows) {
            UiFixture f;
            f.keyring->running = row.keyringRuns;
            const std::string site = CopyBlankSite(f.sitesFolder() + "Old.QLS");
            QVERIFY(store::Database::open(site)
                        ->execute("UPDATE Options SET Ftp_Destination = 'ftp.example.com', Ftp_Username = 'jo', "
                                  "Ftp_Password = 'Old-Pa55', Ftp_Password_In_File = NULL")
                        .ok());
            const std::string before = app::TakeSnapshot(site, f.baseFolder(), std::time(nullptr)).value();
            QVERIFY2(ReadFile(before).find("Old-Pa55") != std::string::npos, "the search would find it");
            f.recorder.yesNoAnswers = {row.answer};
            QVERIFY(f.window->openSite(site));

            QVERIFY2(f.recorder.questions.size() == (row.asked ? 1u : 0u), row.name);
            if (row.asked)
                QVERIFY(f.recorder.questions[0].find("as plain text") != std::string::npos);
            QVERIFY2(Rows(site, "select Ftp_Password, Ftp_Password_In_File from Options") ==
                         std::vector<std::string>({row.stored}),
                     row.name);
            QVERIFY2(f.keyring->items.size() == (row.kept ? 1u : 0u), row.name);
            QCOMPARE(qobject_cast<QLineEdit*>(f.editor().txtFields(10))->text(), QStringLiteral("Old-Pa55"));
            if (row.kept) {
                QCOMPARE(FilesHolding(site, "Old-Pa55"), std::vector<std::string>());
                // The next backup is taken from the file as it is now.
                (void)store::Database::open(site)->execute("UPDATE Options SET Banner = 'changed'");
                const std::string next = app::TakeSnapshot(site, f.baseFolder(), std::time(nullptr) + 60).value();
                QVERIFY(!next.empty());
                QCOMPARE(FilesHolding(next, "Old-Pa55"), std::vector<std::string>());
            }
            // Asked once: opening it again asks nothing.
            QVERIFY(f.window->openSite(site));
            QVERIFY2(f.recorder.questions.size() == (row.asked ? 1u : 0u), row.name);
        }
    }

    void withoutAKeyringTheAuthorIsToldOnceAndAsked()
    {
        UiFixture f("Shop.QLS");
        f.keyring->running = false;
        ui::SiteEditorWindow& editor = f.editor();
        PrepareToPublish(editor, QString());
        f.recorder.textAnswers = {std::string("Asked-1"), std::string("Asked-2")};
        editor.publishTab()->btnPublish->click();
        editor.publishTab()->btnPublish->click();
        QCOMPARE(f.recorder.secretPrompts.size(), std::size_t(2));
        QCOMPARE(f.recorder.secretsHandedOn, std::vector<std::string>({"Asked-1", "Asked-2"}));
        QCOMPARE(f.recorder.messages.size(), std::size_t(1));
        QVERIFY2(f.recorder.messages[0].text.find("No keyring is running") != std::string::npos,
                 f.recorder.messages[0].text.c_str());

        // A typed password serves this session and is kept nowhere; nothing more is said.
        editor.setFieldText(10, QStringLiteral("Typed-Pa55"));
        editor.publishTab()->btnPublish->click();
        QCOMPARE(f.recorder.secretPrompts.size(), std::size_t(2));
        QCOMPARE(f.recorder.secretsHandedOn.back(), std::string("Typed-Pa55"));
        QCOMPARE(f.recorder.messages.size(), std::size_t(1));
        QCOMPARE(FilesHolding(f.baseFolder(), "Typed-Pa55"), std::vector<std::string>());
    }
};

QLE_UI_SUITE(PasswordControlsTest);

} // namespace

} // namespace qle::test

#include "PasswordControls_test.moc"
