#include "app/Folders.h"
#include "app/StartUp.h"
#include "store/Database.h"
#include "ui/UiTest.h"
#include "ui/windows/frmOptions.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <filesystem>
#include <memory>

namespace qle::ui::test {
namespace {

using qle::test::Child;
using qle::test::RecordingUi;
using qle::test::TempDir;

// A copy of the shipped application database in a temporary program folder.
struct AppFolder
{
    AppFolder()
    {
        std::filesystem::copy_file(qle::test::ProgramFolder() + "Quillon Engine.mdb", dir / "Quillon Engine.mdb");
        state = app::LoadAppState(dir.path());
    }
    TempDir dir;
    app::AppState state;
};

class OptionsTest : public QObject
{
    Q_OBJECT

private slots:
    void baseFolderWritesBackIntoTheBox_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("expected"); // empty: the default base folder
        QTest::newRow("empty gives the default") << QString() << QString();
        QTest::newRow("trailing slash added") << QStringLiteral("/data/Work") << QStringLiteral("/data/Work/");
        QTest::newRow("kept as it is") << QStringLiteral("/data/Work/") << QStringLiteral("/data/Work/");
    }

    void baseFolderWritesBackIntoTheBox()
    {
        QFETCH(QString, stored);
        QFETCH(QString, expected);
        if (expected.isEmpty())
            expected = QString::fromStdString(app::DefaultBaseFolder());

        AppFolder folder;
        folder.state.options.LocalBaseDir = stored.toStdString();
        const Status saveStatus = app::SaveAppOptions(folder.state.appDatabasePath, folder.state.options);
        QVERIFY2(saveStatus.ok(), saveStatus.message().c_str());
        RecordingUi ui;
        frmOptions form(folder.state, ui);
        QCOMPARE(form.txtFields(frmOptions::LocalBaseDir)->text(), stored);

        QCOMPARE(QString::fromStdString(app::BaseFolder(folder.state.options)), expected);
        form.show();
        QCOMPARE(form.txtFields(frmOptions::LocalBaseDir)->text(), expected);

        auto saved = app::LoadAppOptions(folder.state.appDatabasePath);
        QVERIFY(saved.ok());
        QCOMPARE(QString::fromStdString(saved->LocalBaseDir), stored); // the record itself is not saved
    }

    void updateSavesTheRecordAndShowsIt()
    {
        AppFolder folder;
        RecordingUi ui;
        frmOptions form(folder.state, ui);
        QTest::keyClicks(form.txtFields(frmOptions::Company), QStringLiteral("O'Neil & Sons"));
        QTest::keyClicks(form.txtFields(frmOptions::LocalBaseDir), QStringLiteral("/srv/sites"));
        form.chkFields()->click();
        QVERIFY(folder.state.options.AutoLoad);
        // Typing moves the base folder at once.
        QCOMPARE(app::BaseFolder(folder.state.options), std::string("/srv/sites/"));

        QTest::mouseClick(Child<QPushButton>(form, "cmdUpdate"), Qt::LeftButton);
        QVERIFY(ui.messages.empty());
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QCOMPARE(Child<QLabel>(form, "datPrimaryRS")->text(), QStringLiteral("Record: 1"));
        // The value that BaseFolder settled on is what the box held, so it is what was saved.
        QCOMPARE(form.txtFields(frmOptions::LocalBaseDir)->text(), QStringLiteral("/srv/sites/"));

        auto saved = app::LoadAppOptions(folder.state.appDatabasePath);
        QVERIFY(saved.ok());
        QCOMPARE(saved->Company, std::string("O'Neil & Sons"));
        QCOMPARE(saved->LocalBaseDir, std::string("/srv/sites/"));
        QVERIFY(saved->AutoLoad);
        QCOMPARE(app::LoadAppState(folder.dir.path()).options.LocalBaseDir, std::string("/srv/sites/"));
    }

    void tableWithoutRecordsGivesEmptyBoxesAndTheDefault()
    {
        AppFolder folder;
        {
            auto db = store::Database::open(folder.state.appDatabasePath);
            QVERIFY(db.ok());
            QVERIFY(db->execute("DELETE FROM Options").ok());
        }
        folder.state.options.Company = "stale";
        RecordingUi ui;
        frmOptions form(folder.state, ui);
        form.Form_Load();
        QVERIFY(ui.messages.empty());
        QCOMPARE(form.txtFields(frmOptions::Company)->text(), QString());
        QCOMPARE(app::BaseFolder(folder.state.options), app::DefaultBaseFolder());

        // "&Update" then makes the record.
        form.cmdUpdate_Click();
        auto saved = app::LoadAppOptions(folder.state.appDatabasePath);
        QVERIFY(saved.ok());
        QCOMPARE(saved->LocalBaseDir, app::DefaultBaseFolder());
    }

    void dataErrorsAreShownAndTheBoxesKeepTheirText()
    {
        TempDir dir;
        app::AppState state = app::LoadAppState(dir / "no-such-folder/");
        RecordingUi ui;
        frmOptions form(state, ui);
        QTest::keyClicks(form.txtFields(frmOptions::Username), QStringLiteral("jo"));

        form.cmdUpdate_Click();
        QCOMPARE(ui.messages.size(), std::size_t(1));
        const std::string prefix = "Data error event hit err:";
        QCOMPARE(ui.messages[0].text.substr(0, prefix.size()), prefix);
        QVERIFY2(ui.messages[0].text.find(state.appDatabasePath) != std::string::npos, ui.messages[0].text.c_str());
        QCOMPARE(ui.messages[0].title, std::string("Quillon Engine"));
        QCOMPARE(form.txtFields(frmOptions::Username)->text(), QStringLiteral("jo"));
        QVERIFY(QApplication::overrideCursor() == nullptr);

        form.Form_Load();
        QCOMPARE(ui.messages.size(), std::size_t(2));
        QCOMPARE(form.txtFields(frmOptions::Username)->text(), QStringLiteral("jo"));
        QCOMPARE(app::BaseFolder(state.options), app::DefaultBaseFolder());
    }
};

QLE_UI_SUITE(OptionsTest);

} // namespace

} // namespace qle::ui::test

#include "frmOptions_test.moc"
