#include "UiTest.h"
#include "app/Folders.h"
#include "app/Paths.h"
#include "store/Database.h"
#include "ui/MainWindow.h"
#include "ui/StartSiteDialog.h"
#include "ui/editor/ColoursTab.h"
#include "ui/editor/PageContentTab.h"
#include "ui/editor/SiteEditorWindow.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <filesystem>

namespace qle::test {

namespace {

QListWidgetItem* FindItem(QListWidget* list, const QString& text)
{
    const auto items = list->findItems(text, Qt::MatchExactly);
    return items.isEmpty() ? nullptr : items.first();
}

// The main window's menus and site files: the start dialog, New, Open and OpenSite.
class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void menusFollowTheTable()
    {
        UiFixture f;
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Brightlane - Quillon Engine"));
        QStringList menus;
        for (QAction* action : f.window->menuBar()->actions())
            menus << action->text();
        QCOMPARE(menus, QStringList({"&File", "&Edit", "&View", "&Publish", "&Help"}));

        struct Entry
        {
            const char* name;
            const char* caption;
            QKeySequence shortcut;
        } entries[] = {
            {"mnuNew", "&New Web Site ...", QKeySequence(Qt::CTRL | Qt::Key_N)},
            {"mnuOpen", "&Open Web Site ...", QKeySequence(Qt::CTRL | Qt::Key_O)},
            {"mnuRestore", "Restore from Backup...", QKeySequence()},
            {"mnuexit", "E&xit", QKeySequence()},
            {"mnuFind", "&Find and Replace...", QKeySequence(QKeySequence::Find)},
            {"mnuViewSite", "&Web Site", QKeySequence()},
            {"mnuPreview", "&Preview", QKeySequence(Qt::Key_F8)},
            {"mnuPublishNow", "&Publish to the Internet", QKeySequence()},
            {"mnuHelpContents", "Contents", QKeySequence(Qt::Key_F1)},
            {"mnuAbout", "&About", QKeySequence()},
        };
        for (const auto& e : entries) {
            QAction* action = Child<QAction>(*f.window, e.name);
            QCOMPARE(action->text(), QString::fromLatin1(e.caption));
            QCOMPARE(action->shortcut(), e.shortcut);
        }
        // "&Options" is not offered at all; the View menu holds "&Web Site" and "&Preview".
        QCOMPARE(f.window->mnuView()->actions().size(), 2);
        QCOMPARE(f.window->mnuRecent()->menuAction()->text(), QStringLiteral("Open &Recent"));

        // Ctrl+N and Ctrl+O reach their commands from the main window.
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        QTest::keyClick(f.window.get(), Qt::Key_N, Qt::ControlModifier);
        QTest::keyClick(f.window.get(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(f.recorder.fileChoices.size(), std::size_t(2));
    }

    void siteMenusWaitForASite()
    {
        UiFixture f;
        QVERIFY(!f.window->mnuView()->menuAction()->isEnabled());
        QVERIFY(!f.window->mnuPublish()->menuAction()->isEnabled());
        const std::string site = f.openNewSite("Shop.QLS");
        QVERIFY(f.window->mnuView()->menuAction()->isEnabled());
        QVERIFY(f.window->mnuPublish()->menuAction()->isEnabled());
        f.editor().setFieldText(1, QStringLiteral("Garden"));
        f.editor().setFieldText(9, QStringLiteral("jo"));
        f.editor().coloursTab()->cmbMiddlePanelColour[2]->setCurrentText(QStringLiteral("#ffeecc"));

        // Closing the editor saves both records and greys both menus out again; the current site path stays.
        f.window->mdiArea()->subWindowList().first()->close();
        QTRY_VERIFY(!f.window->editor());
        QCOMPARE(Rows(site, "select Category from Articles"), std::vector<std::string> {"Garden"});
        QCOMPARE(Rows(site, "select Ftp_Username, DetPanel1, Cat_Art_Limit, Cat_Art_Maj from Options"),
                 std::vector<std::string> {"jo|#ffeecc|10|5"});
        QCOMPARE(Rows(site, "select count(*) from Options"), std::vector<std::string> {"1"});
        QVERIFY(!f.window->mnuView()->menuAction()->isEnabled());
        QVERIFY(!f.window->mnuPublish()->menuAction()->isEnabled());
        QCOMPARE(f.window->state().currentSitePath, f.sitesFolder() + "Shop.QLS");
    }

    void startDialogCreatesSites_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("plain name") << QStringLiteral("Club") << QStringLiteral("Club.QLS");
        QTest::newRow("other extension") << QStringLiteral("shop.mdb") << QStringLiteral("shop.mdb.QLS");
        QTest::newRow("non-ASCII") << QStringLiteral("Café Münster") << QStringLiteral("Café Münster.QLS");
    }

    void startDialogCreatesSites()
    {
        QFETCH(QString, typed);
        QFETCH(QString, fileName);
        UiFixture f;
        f.window->startUp();
        ui::StartSiteDialog* dialog = f.window->startDialog();
        QVERIFY(dialog && dialog->isVisible() && !dialog->isModal());
        QCOMPARE(dialog->folder(), QString::fromStdString(f.sitesFolder()));

        f.recorder.textAnswers.push_back(typed.toStdString());
        dialog->btnCreate->click();
        QCOMPARE(f.recorder.prompts, std::vector<std::string>({"Type the name of your new site."}));
        const std::string path = f.sitesFolder() + fileName.toStdString();
        QCOMPARE(ReadFile(path), ReadFile(ProgramFolder() + "Blank Site.qls"));
        QCOMPARE(f.window->state().currentSitePath, path);
        QVERIFY(f.window->editor());
        QCOMPARE(f.window->editor()->windowTitle(), fileName + " - Quillon Site");
        QTRY_VERIFY(!f.window->startDialog());
        QCOMPARE(f.recorder.beeps, 1);
        QVERIFY(f.recorder.messages.empty());
    }

    void startDialogLeavesFilesAlone_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QVariant>("answer");
        QTest::newRow("cancelled") << false << QVariant();
        QTest::newRow("empty answer") << false << QVariant(QString());
        QTest::newRow("existing name") << true << QVariant(QStringLiteral("Taken"));
    }

    void startDialogLeavesFilesAlone()
    {
        QFETCH(bool, exists);
        QFETCH(QVariant, answer);
        UiFixture f;
        const std::string open = f.openNewSite("Open.QLS");
        f.window->startUp();
        ui::StartSiteDialog* dialog = f.window->startDialog();
        const std::string taken = f.sitesFolder() + "Taken.QLS";
        if (exists)
            WriteFile(taken, "keep me");
        if (answer.isValid())
            f.recorder.textAnswers.push_back(answer.toString().toStdString());
        const auto filesBefore = dialog->File1->count();

        dialog->btnCreate->click();
        if (exists) {
            QCOMPARE(f.recorder.messages.size(), std::size_t(1));
            QCOMPARE(f.recorder.messages[0].text,
                     std::string("This file already exists. Delete this file then try again."));
            QCOMPARE(f.recorder.messages[0].title, std::string("Quillon Engine"));
            QCOMPARE(ReadFile(taken), std::string("keep me"));
        } else {
            QVERIFY(f.recorder.messages.empty());
        }
        QCOMPARE(dialog->File1->count(), filesBefore);
        QVERIFY(dialog->isVisible());
        QCOMPARE(f.window->state().currentSitePath, open);

        // "&Open" with nothing chosen does nothing either.
        dialog->File1->clearSelection();
        dialog->Command1->click();
        QVERIFY(dialog->isVisible());
        QCOMPARE(f.window->state().currentSitePath, open);
    }

    void startDialogListsSitesAndRecent()
    {
        UiFixture f;
        for (const char* name : {"b.QLS", "A.qls", "c.Qls"})
            CopyBlankSite(f.sitesFolder() + name);
        WriteFile(f.sitesFolder() + "notes.txt", "");
        (void)app::EnsureFolder(f.sitesFolder() + "Archive");
        f.window->startUp();
        ui::StartSiteDialog* dialog = f.window->startDialog();
        QStringList files;
        for (int i = 0; i < dialog->File1->count(); ++i)
            files << dialog->File1->item(i)->text();
        QCOMPARE(files, QStringList({"A.qls", "b.QLS", "c.Qls"}));
        QVERIFY(FindItem(dialog->Dir1, QStringLiteral("Archive")));
        // The shipped application database lists no recent sites.
        QCOMPARE(dialog->List1->count(), 0);

        // Into a sub-folder and back up.
        emit dialog->Dir1->itemActivated(FindItem(dialog->Dir1, QStringLiteral("Archive")));
        QCOMPARE(dialog->folder(), QString::fromStdString(f.sitesFolder() + "Archive/"));
        QCOMPARE(dialog->File1->count(), 0);
        emit dialog->Dir1->itemActivated(FindItem(dialog->Dir1, QStringLiteral("..")));
        QCOMPARE(dialog->folder(), QString::fromStdString(f.sitesFolder()));
        QVERIFY(ui::StartSiteDialog::places(QString::fromStdString(f.baseFolder())).contains(QStringLiteral("/")));

        // Double-clicking a file opens it and closes the dialog.
        QListWidgetItem* item = FindItem(dialog->File1, QStringLiteral("b.QLS"));
        dialog->File1->setCurrentItem(item);
        emit dialog->File1->itemDoubleClicked(item);
        QCOMPARE(f.window->state().currentSitePath, f.sitesFolder() + "b.QLS");
        QTRY_VERIFY(!f.window->startDialog());
    }

    void startDialogWithoutApplicationDatabase()
    {
        // A program folder with the blank site but no application database.
        TempDir program;
        CopyBlankSite(program / "Blank Site.qls");
        UiFixture f;
        f.window = std::make_unique<ui::MainWindow>(f.recorder, program.path());
        f.window->useKeyring(std::make_unique<MemoryKeyring>());
        f.window->startUp();
        ui::StartSiteDialog* dialog = f.window->startDialog();
        // Start-up says the settings could not be read, then the dialog its own report.
        QCOMPARE(f.recorder.messages.size(), std::size_t(2));
        QVERIFY2(f.recorder.messages[0].text.find("settings could not be read") != std::string::npos,
                 f.recorder.messages[0].text.c_str());
        QCOMPARE(f.recorder.messages[1].title, std::string("ERROR in frmStartSite Form_Load: "));
        QCOMPARE(dialog->List1->count(), 0);
        // The dialog still creates sites, from the program folder's blank site.
        f.recorder.textAnswers.push_back("Club");
        dialog->btnCreate->click();
        QVERIFY(PathExists(f.sitesFolder() + "Club.QLS"));
        QVERIFY(f.window->editor());
    }

    void recentListAfterOpenCreateAndAVanishedFile()
    {
        UiFixture f;
        const std::string a = f.openNewSite("A.QLS");
        const std::string b = f.openNewSite("B.QLS");
        f.recorder.fileAnswers.push_back(f.sitesFolder() + "Created");
        Child<QAction>(*f.window, "mnuNew")->trigger();
        const std::string created = f.sitesFolder() + "Created.QLS";
        f.window->openSite(a);
        QCOMPARE(Rows(f.window->state().appDatabasePath, "select filename from last_5_sites"),
                 std::vector<std::string>({a, created, b}));

        // A file that went away is left out when shown; the first entry is chosen.
        std::filesystem::remove(created);
        f.window->startUp();
        ui::StartSiteDialog* dialog = f.window->startDialog();
        QStringList shown;
        for (int i = 0; i < dialog->List1->count(); ++i)
            shown << dialog->List1->item(i)->text();
        QCOMPARE(shown, QStringList({QString::fromStdString(a), QString::fromStdString(b)}));
        QCOMPARE(dialog->List1->currentRow(), 0);

        // Double-click, or "&Open" on the Recent tab, opens the chosen site and closes the dialog.
        dialog->SSTab1->setCurrentIndex(1);
        QVERIFY(dialog->cmdOpenRecent->isDefault());
        QListWidgetItem* item = FindItem(dialog->List1, QString::fromStdString(b));
        dialog->List1->setCurrentItem(item);
        emit dialog->List1->itemDoubleClicked(item);
        QCOMPARE(f.window->state().currentSitePath, b);
        QTRY_VERIFY(!f.window->startDialog());
        f.window->startUp();
        dialog = f.window->startDialog();
        dialog->SSTab1->setCurrentIndex(1);
        dialog->List1->setCurrentRow(1);
        dialog->cmdOpenRecent->click();
        QCOMPARE(f.window->state().currentSitePath, a);
    }

    void startDialogEnterPressesTheFocusedButtonAndEscapeCancels()
    {
        UiFixture f;
        CopyBlankSite(f.sitesFolder() + "Shop.QLS");
        f.window->showMainWindow();
        ui::StartSiteDialog* dialog = f.window->startDialog();
        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog));

        // Enter on "Create &New Site" creates (the prompt is cancelled), it does not open.
        dialog->btnCreate->setFocus();
        QTest::keyClick(dialog->btnCreate, Qt::Key_Return);
        QCOMPARE(f.recorder.prompts.size(), std::size_t(1));
        QVERIFY(f.window->state().currentSitePath.empty());
        // Enter in the file list opens the chosen file through the default button.
        dialog->File1->setCurrentRow(0);
        dialog->File1->setFocus();
        QTest::keyClick(dialog->File1, Qt::Key_Return);
        QCOMPARE(f.window->state().currentSitePath, f.sitesFolder() + "Shop.QLS");
        QTRY_VERIFY(!f.window->startDialog());

        // Enter on "&Cancel", and Escape anywhere, close the dialog without opening.
        for (bool escape : {false, true}) {
            f.window->startUp();
            dialog = f.window->startDialog();
            dialog->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(dialog));
            dialog->btnCancel->setFocus();
            QTest::keyClick(dialog->btnCancel, escape ? Qt::Key_Escape : Qt::Key_Return);
            QTRY_VERIFY(!f.window->startDialog());
        }
        QCOMPARE(f.window->state().currentSitePath, f.sitesFolder() + "Shop.QLS");
    }

    void fileMenuNewSite()
    {
        UiFixture f;
        // Cancelled: nothing happens.
        Child<QAction>(*f.window, "mnuNew")->trigger();
        QCOMPARE(f.recorder.fileChoices.size(), std::size_t(1));
        const auto& choice = f.recorder.fileChoices[0];
        QCOMPARE(choice.title, std::string("Create new Quillon Site"));
        QCOMPARE(choice.initialFolder, f.baseFolder() + "WebSites");
        QCOMPARE(choice.filter, std::string("Quillon Builder files (*.QLS)|*.QLS"));
        QCOMPARE(choice.defaultName, std::string("My New Site.QLS"));
        QVERIFY(!f.window->editor());

        // A name that does not exist yet gets the extension and is created from the blank site.
        f.recorder.fileAnswers.push_back(f.sitesFolder() + "Garden");
        Child<QAction>(*f.window, "mnuNew")->trigger();
        QCOMPARE(f.window->state().currentSitePath, f.sitesFolder() + "Garden.QLS");
        QCOMPARE(ReadFile(f.sitesFolder() + "Garden.QLS"), ReadFile(ProgramFolder() + "Blank Site.qls"));
        QCOMPARE(f.window->editor()->windowTitle(), QStringLiteral("Garden.QLS - Quillon Site"));

        // An existing name is refused with the File menu's own wording.
        f.recorder.fileAnswers.push_back(f.sitesFolder() + "garden.qls");
        WriteFile(f.sitesFolder() + "garden.qls", "keep");
        Child<QAction>(*f.window, "mnuNew")->trigger();
        QCOMPARE(f.recorder.messages.size(), std::size_t(1));
        QCOMPARE(f.recorder.messages[0].text, std::string("This file already exists. Please delete and try again."));
        QCOMPARE(ReadFile(f.sitesFolder() + "garden.qls"), std::string("keep"));
        QCOMPARE(f.window->state().currentSitePath, f.sitesFolder() + "Garden.QLS");

        // A folder that does not exist: nothing is created and nothing is opened.
        f.recorder.fileAnswers.push_back(f.home() + "no/such/folder/x");
        Child<QAction>(*f.window, "mnuNew")->trigger();
        QCOMPARE(f.recorder.messages.back().text, "Can not create this file " + f.home() + "no/such/folder/x.QLS");
        QCOMPARE(f.window->state().currentSitePath, f.sitesFolder() + "Garden.QLS");
    }

    void fileMenuOpenSite()
    {
        UiFixture f;
        const std::string site = CopyBlankSite(f.sitesFolder() + "Shop.QLS");
        f.recorder.fileAnswers.push_back(site);
        Child<QAction>(*f.window, "mnuOpen")->trigger();
        const auto& choice = f.recorder.fileChoices.at(0);
        QCOMPARE(choice.title, std::string("Select an existing Quillon Site"));
        QCOMPARE(choice.initialFolder, f.baseFolder() + "WebSites");
        QCOMPARE(choice.filter, std::string("Quillon Site files (*.qls)|*.qls"));
        QCOMPARE(choice.defaultName, std::string());
        QCOMPARE(f.window->state().currentSitePath, site);
        QCOMPARE(f.recorder.beeps, 1);
    }

    void openingASecondSiteReloadsTheEditor()
    {
        UiFixture f;
        f.openNewSite("First.QLS");
        ui::SiteEditorWindow* first = f.window->editor();
        first->selectTab(ui::SiteEditorWindow::Publish);
        first->setFieldText(1, QStringLiteral("Sport"));

        f.openNewSite("Second.QLS");
        QVERIFY(f.window->editor() != first);
        QCOMPARE(f.window->mdiArea()->subWindowList().size(), 1);
        QCOMPARE(f.editor().windowTitle(), QStringLiteral("Second.QLS - Quillon Site"));
        QCOMPARE(f.editor().SSTab1()->currentIndex(), 0);
        QCOMPARE(f.editor().fieldText(1), QString());
        QCOMPARE(f.editor().parentWidget()->pos(), QPoint(0, 0));
        // Closing the first editor saved its pending page.
        QCOMPARE(Rows(f.sitesFolder() + "First.QLS", "select Category from Articles"),
                 std::vector<std::string> {"Sport"});
        QCOMPARE(f.recorder.beeps, 2);
    }

    void wrongFileIsNotOpened()
    {
        UiFixture f;
        const std::string good = f.openNewSite("Good.QLS");
        const std::string s = f.sitesFolder();
        WriteFile(s + "Broken.QLS", "this is not a database");
        WriteFile(s + "Empty.QLS", "");
        CopyBlankSite(s + "Foreign.QLS");
        {
            auto foreign = store::Database::open(s + "Foreign.QLS");
            QVERIFY(foreign && foreign->execute("DROP TABLE Options").ok());
        }
        const std::pair<std::string, const char*> cases[] = {
            {s + "Foreign.QLS", "is not a Quillon Engine site (no Options table)"},
            {s + "Missing.QLS", "does not exist"},
            {s + "Broken.QLS", "not a Quillon"},
            {s + "Empty.QLS", "not a Quillon"},
            {ProgramFolder() + "Quillon Engine.mdb", "not a Quillon"},
            {f.sitesFolder(), "not a file"},
        };
        for (const auto& [path, why] : cases) {
            f.recorder.messages.clear();
            QVERIFY2(!f.window->openSite(path), path.c_str());
            QCOMPARE(f.recorder.messages.size(), std::size_t(1));
            const std::string& text = f.recorder.messages[0].text;
            QVERIFY2(text.find(path) != std::string::npos && text.find(why) != std::string::npos, text.c_str());
            QCOMPARE(f.window->state().currentSitePath, good);
            QCOMPARE(f.editor().windowTitle(), QStringLiteral("Good.QLS - Quillon Site"));
        }
        QVERIFY(!PathExists(s + "Missing.QLS"));
        QCOMPARE(ReadFile(s + "Broken.QLS"), std::string("this is not a database"));
        QCOMPARE(f.recorder.beeps, 1);
    }

    void helpShowsTheShippedPage()
    {
        UiFixture f;
        QVERIFY(PathExists(ProgramFolder() + "help.htm"));
        Child<QAction>(*f.window, "mnuHelpContents")->trigger();
        QCOMPARE(f.recorder.opened, std::vector<std::string>({ProgramFolder() + "Open.htm"}));
        QVERIFY(ReadFile(ProgramFolder() + "Open.htm").find(ProgramFolder() + "help.htm") != std::string::npos);
    }

    void closingTheWindowSavesAndEnds()
    {
        UiFixture f;
        f.window->showMainWindow();
        const std::string site = f.openNewSite("Shop.QLS");
        QVERIFY(f.window->startDialog());
        f.editor().setFieldText(3, QStringLiteral("Unsaved title"));
        QSignalSpy closed(f.window.get(), &ui::MainWindow::closed);
        Child<QAction>(*f.window, "mnuexit")->trigger();
        QCOMPARE(closed.size(), 1);
        QCOMPARE(Rows(site, "select Title from Articles"), std::vector<std::string> {"Unsaved title"});
        // Showing the window again does not run start-up twice.
        f.window->showMainWindow();
        QCOMPARE(f.window->findChildren<ui::StartSiteDialog*>().size(), 1);
    }
};

QLE_UI_SUITE(MainWindowTest);

} // namespace

} // namespace qle::test

#include "MainWindow_test.moc"
