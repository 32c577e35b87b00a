#include "UiTest.h"
#include "app/BaseFolderLock.h"
#include "app/Folders.h"
#include "app/Paths.h"
#include "publish/client/UploadOutcome.h"
#include "publish/sync/SyncText.h"
#include "ui/ConsoleWindow.h"
#include "ui/FreeWebSpace.h"
#include "ui/MainWindow.h"
#include "ui/QtUserInterface.h"
#include "ui/editor/BannerTab.h"
#include "ui/editor/PageContentTab.h"
#include "ui/editor/ProtocolChoice.h"
#include "ui/editor/PublishRules.h"
#include "ui/editor/PublishTab.h"
#include "ui/editor/SiteEditorWindow.h"
#include "ui/editor/TextBoxes.h"
#include "ui/editor/ViewTab.h"
#include "ui/models/PagesSource.h"
#include "ui/models/ProviderCatalogue.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWebEngineView>
#include <filesystem>

namespace qle::test {

namespace {

// Gives the box the focus, types into it, and leaves it for the next box.
void TypeAndLeave(ui::SiteEditorWindow& editor, int index, const QString& text)
{
    auto* box = qobject_cast<QLineEdit*>(editor.txtFields(index));
    box->setFocus(Qt::TabFocusReason);
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    TypeText(box, text);
    editor.txtFields(index == 8 ? 10 : 8)->setFocus(Qt::TabFocusReason);
}

// The View and Publish tabs, their rules for typed FTP settings, and the provider catalogue.
class ViewPublishTest : public QObject
{
    Q_OBJECT

private slots:
    void providerFillsTheFtpFields()
    {
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        editor.setFieldText(9, QStringLiteral("jo"));
        PickProvider(editor, QStringLiteral("GitHub Pages"));
        QCOMPARE(editor.fieldText(8), QStringLiteral("git@github.com:jo/jo.github.io.git"));
        QCOMPARE(editor.fieldText(11), QString());
        QCOMPARE(editor.fieldText(12), QStringLiteral("https://jo.github.io/"));
        QCOMPARE(editor.publishTab()->cmbProtocol->protocol(), QStringLiteral("GIT"));
        QVERIFY(!editor.publishTab()->txtBranch->isHidden());

        // A root from the catalogue is stored as the catalogue has it; picking again replaces them all.
        PickProvider(editor, QStringLiteral("GitLab Pages"));
        QCOMPARE(editor.fieldText(8), QStringLiteral("git@gitlab.com:jo/jo.gitlab.io.git"));
        QCOMPARE(editor.fieldText(11), QStringLiteral("public/"));
        QCOMPARE(editor.fieldText(12), QStringLiteral("https://jo.gitlab.io/"));

        editor.commitEdits(generator::SiteEditor::DataSource::Options);
        QCOMPARE(Rows(f.site, "select Provider, Ftp_Destination, Ftp_Root, Your_Homepage, Ftp_Protocol from Options"),
                 std::vector<std::string>({"GitLab Pages|git@gitlab.com:jo/jo.gitlab.io.git|public/|"
                                           "https://jo.gitlab.io/|GIT"}));
    }

    void leavingTheBoxes()
    {
        UiFixture f("Shop.QLS");
        QVERIFY(f.showActive());
        ui::SiteEditorWindow& editor = f.editor();
        editor.selectTab(ui::SiteEditorWindow::Publish);

        // With no provider chosen, leaving the user name box changes nothing.
        editor.setFieldText(12, QStringLiteral("http://mine.example/"));
        TypeAndLeave(editor, 9, QStringLiteral("jo"));
        QCOMPARE(editor.fieldText(12), QStringLiteral("http://mine.example/"));

        // The catalogue's address waits for the user name, and gets it when the box is left.
        editor.setFieldText(9, QString());
        PickProvider(editor, QStringLiteral("Codeberg Pages"));
        QCOMPARE(editor.fieldText(8), QStringLiteral("git@codeberg.org:USERNAME/pages.git"));
        TypeAndLeave(editor, 9, QStringLiteral("sam"));
        QCOMPARE(editor.fieldText(12), QStringLiteral("https://sam.codeberg.page/"));
        QCOMPARE(editor.fieldText(8), QStringLiteral("git@codeberg.org:sam/pages.git"));

        TypeAndLeave(editor, 11, QStringLiteral("/Public_HTML"));
        QCOMPARE(editor.fieldText(11), QStringLiteral("/public_html/"));

        // The rules themselves are tabled in PublishRulesTest; here, that leaving the box applies them.
        TypeAndLeave(editor, 13, QStringLiteral("/MySite"));
        QCOMPARE(editor.fieldText(13), QStringLiteral("mysite"));
    }

    void openMyWebPage()
    {
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        editor.setFieldText(1, QStringLiteral("Home"));
        editor.commitEdits(generator::SiteEditor::DataSource::Pages);
        editor.setFieldText(12, QStringLiteral("http://www.example.com/~jo"));
        editor.setFieldText(13, QStringLiteral("mysite/"));
        editor.publishTab()->Command2->click();
        QCOMPARE(f.recorder.opened, std::vector<std::string>({ProgramFolder() + "Open.htm"}));
        QVERIFY(
            ReadFile(ProgramFolder() + "Open.htm").find("URL=http://www.example.com/~jo/mysite/articles/art-1.htm\"") !=
            std::string::npos);
        // The empty homepage fell back to the first page, and that was saved.
        QCOMPARE(editor.bannerTab()->txtHomepage->text(), QStringLiteral("1"));
        QCOMPARE(Rows(f.site, "select homepage from Options"), std::vector<std::string>({"1"}));

        editor.publishTab()->btnGetWebAddress->click();
        QVERIFY(ReadFile(ProgramFolder() + "Open.htm").find(ui::kWebAddressPage) != std::string::npos);
    }

    void freeWebSpaceCatalogue()
    {
        UiFixture f("Shop.QLS");
        f.editor().publishTab()->Command3->click();
        auto* catalogue = f.window->findChild<ui::FreeWebSpace*>();
        QVERIFY(catalogue && catalogue->isWindow());
        // Only free providers, sorted by name; collapsed until one is chosen.
        QStringList names;
        for (int i = 0; i < catalogue->cmbProvider->count(); ++i)
            names << catalogue->cmbProvider->item(i)->text();
        QCOMPARE(names, QStringList({"Codeberg Pages", "GitHub Pages", "GitLab Pages", "InfinityFree"}));
        QVERIFY(catalogue->Frame1->isHidden());

        catalogue->cmbProvider->setCurrentRow(1);
        QVERIFY(!catalogue->Frame1->isHidden());
        QCOMPARE(catalogue->Text2->text(), QStringLiteral("https://pages.github.com/"));

        catalogue->cmbProvider->setCurrentRow(0);
        QCOMPARE(catalogue->Text2->text(), QStringLiteral("https://codeberg.page/"));

        emit catalogue->Text3->clicked();
        QCOMPARE(f.recorder.opened, std::vector<std::string>({ProgramFolder() + "Open.htm"}));
        QVERIFY(ReadFile(ProgramFolder() + "Open.htm").find("https://codeberg.org/user/sign_up") != std::string::npos);
        catalogue->close();
    }

    void buildFromTheViewTab()
    {
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        editor.setFieldText(1, QStringLiteral("Sport"));
        editor.setFieldText(2, QStringLiteral("Football"));
        editor.setFieldText(3, QStringLiteral("Cup final"));
        // A new site is Modern; with its address the build has no sitemap to warn of.
        editor.setFieldText(12, QStringLiteral("example.org"));
        // "&Web Site" builds and brings the View tab forward.
        Child<QAction>(*f.window, "mnuViewSite")->trigger();
        QCOMPARE(editor.SSTab1()->currentIndex(), int(ui::SiteEditorWindow::ViewSite));

        // The pending page was saved and built; the empty homepage fell back to it.
        QCOMPARE(Rows(f.site, "select ArtID, Title from Articles"), std::vector<std::string>({"1|Cup final"}));
        const std::string web = f.baseFolder() + "TempInternetFiles/";
        QVERIFY(PathExists(web + "articles/art-1.htm"));
        QCOMPARE(editor.viewTab()->lblProgress->text(), QStringLiteral("Done"));
        QCOMPARE(editor.viewTab()->tmrClearProgress->interval(), 2000);
        QCOMPARE(editor.viewTab()->browserAddress(), QString::fromStdString("file://" + web + "articles/art-1.htm"));
        QWebEngineView* browser = editor.viewTab()->WebBrowser1();
        QVERIFY(browser);
        QCOMPARE(browser->url(), QUrl::fromLocalFile(QString::fromStdString(web + "articles/art-1.htm")));
        QVERIFY(f.recorder.messages.empty());
        // "Done" stays until the two-second timer ticks, then the line is empty. Only the timer is
        // checked, not the clock: a busy machine may take longer to start the browser engine.
        QVERIFY(editor.viewTab()->tmrClearProgress->isActive());
        QTRY_COMPARE_WITH_TIMEOUT(editor.viewTab()->lblProgress->text(), QString(), 10000);
        QVERIFY(!editor.viewTab()->tmrClearProgress->isActive());
    }

    void failedBuildIsShown()
    {
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        editor.setFieldText(3, QStringLiteral("first"));
        // Another program is building a site into the same base folder.
        app::EnsureFolder(f.baseFolder()).ok();
        auto other = app::BaseFolderLock::acquire(f.baseFolder(), app::BaseFolderLock::Mode::Build, "Other.qls");
        QVERIFY(other.ok());
        editor.viewTab()->btnUpdateWeb->click();
        QCOMPARE(f.recorder.messages.size(), std::size_t(1));
        QVERIFY2(f.recorder.messages[0].text.find("could not be built") != std::string::npos &&
                     f.recorder.messages[0].text.find("Other.qls is being built") != std::string::npos,
                 f.recorder.messages[0].text.c_str());
        QVERIFY(!editor.viewTab()->lblProgress->text().contains(QStringLiteral("please wait")));
        QVERIFY(!editor.viewTab()->WebBrowser1());
        // The editor is still usable: the page was saved and another can be added.
        editor.pageContentTab()->cmdAdd->click();
        editor.setFieldText(3, QStringLiteral("second"));
        editor.pageContentTab()->btnPrevious->click();
        QCOMPARE(editor.fieldText(3), QStringLiteral("first"));
    }

    void buildWarningsAreOneClickAway()
    {
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        editor.setFieldText(3, QStringLiteral("Home"));
        editor.setFieldText(6, QStringLiteral("/no/such/rose.jpg"));
        editor.setFieldText(12, QStringLiteral("example.org"));
        editor.viewTab()->btnUpdateWeb->click();
        QVERIFY(f.recorder.messages.empty());
        QCOMPARE(editor.viewTab()->lblProgress->text(), QStringLiteral("Done (1 warning)"));
        QPushButton* warnings = editor.viewTab()->btnWarnings;
        QVERIFY(!warnings->isHidden());
        warnings->click();
        QCOMPARE(f.recorder.messages.size(), std::size_t(1));
        QVERIFY2(f.recorder.messages[0].text.find("/no/such/rose.jpg cannot be copied: it does not exist; it is shown "
                                                  "on \"Home\" (articles/art-1.htm)") != std::string::npos,
                 f.recorder.messages[0].text.c_str());

        editor.setFieldText(6, QString());
        editor.viewTab()->btnUpdateWeb->click();
        QCOMPARE(editor.viewTab()->lblProgress->text(), QStringLiteral("Done"));
        QVERIFY(warnings->isHidden());
    }

    void publishWritesTheUploadFiles()
    {
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        editor.setFieldText(3, QStringLiteral("Home"));
        editor.viewTab()->btnUpdateWeb->click();
        editor.setFieldText(8, QStringLiteral("ftp.example.com"));
        editor.setFieldText(9, QStringLiteral("jo"));
        editor.setFieldText(10, QStringLiteral("secret"));
        editor.setFieldText(11, QStringLiteral("/www/"));
        editor.setFieldText(13, QStringLiteral("site/"));
        editor.setFieldText(3, QStringLiteral("Home, edited"));
        editor.publishTab()->txtConnections->setText(QStringLiteral("2"));
        editor.publishTab()->chkSendAll->setChecked(true);
        editor.publishTab()->btnPublish->click();

        QVERIFY(f.recorder.messages.empty());
        const std::string base = f.baseFolder();
        QVERIFY(PathExists(base + "TempInternetFiles/Index.htm"));
        // A new site is Modern: its build wrote the forwarding page, which goes to the homepage at once.
        QVERIFY(ReadFile(base + "TempInternetFiles/Index.htm").find("content=\"0; url=articles/art-1.htm\"") !=
                std::string::npos);
        // The password is the keyring's: the script's password line stays empty.
        const std::string script = ReadFile(base + "QuillonEngine_ftp.txt");
        QVERIFY(script.rfind("jo\r\n\r\nbinary\r\n", 0) == 0);
        QVERIFY(script.find("cd /www/site/articles") != std::string::npos);
        QVERIFY(ReadFile(base + "QuillonEngine_ftp.bat").find("ftp.example.com") != std::string::npos);
        // Both sources were saved first; the console window was started without waiting.
        QCOMPARE(Rows(f.site, "select Title from Articles"), std::vector<std::string>({"Home, edited"}));
        QCOMPARE(Rows(f.site, "select Ftp_Username, Ftp_Root, Ftp_Dir, Ftp_Connections from Options"),
                 std::vector<std::string>({"jo|/www/|site/|2"}));
        QCOMPARE(f.recorder.started.size(), std::size_t(1));
        // The console is the program itself, found beside the running executable, and opens over
        // the main window.
        const std::vector<std::string>& console = f.recorder.started[0];
        QCOMPARE(console.size(), std::size_t(9));
        QCOMPARE(std::vector<std::string>(console.begin(), console.begin() + 4),
                 std::vector<std::string>({app::ExecutableFolder() + "quillon-engine", "--console",
                                           base + "QuillonEngine_ftp.bat", "--over"}));
        const QRect place = f.window->frameGeometry();
        QCOMPARE(console[4], QStringLiteral("%1,%2,%3,%4")
                                 .arg(place.x())
                                 .arg(place.y())
                                 .arg(place.width())
                                 .arg(place.height())
                                 .toStdString());
        QCOMPARE(std::vector<std::string>(console.begin() + 5, console.end()),
                 std::vector<std::string>({"--secret-fd", "3", "-c:2", "-a"}));
        QCOMPARE(f.recorder.secretsHandedOn, std::vector<std::string>({"secret"}));

        // The upload runs on in its console; the tab reports how it ended once the console records it.
        QLabel* status = editor.publishTab()->lblPublishStatus;
        QCOMPARE(status->text(), QStringLiteral("Uploading ..."));
        QVERIFY(publish::WriteUploadOutcome(base, {"Upload failed: Cannot log in to ftp.example.com", {}, {}}).ok());
        QTRY_COMPARE(status->text(), QStringLiteral("Upload failed: Cannot log in to ftp.example.com"));
        editor.publishTab()->btnPublish->click();
        // An earlier outcome is not taken for this upload's.
        QCOMPARE(status->text(), QStringLiteral("Uploading ..."));
        const std::string destination = publish::UploadDestination(editor.currentFtpSettings());
        QVERIFY(publish::WriteUploadOutcome(base, {"Published: 4 files sent, 0 failures", f.site, destination}).ok());
        QTRY_COMPARE(status->text(), QStringLiteral("Published: 4 files sent, 0 failures"));

        // Reopened, the tab says how the last upload of this site to this place ended; not for
        // another place, nor for another site.
        QVERIFY(f.window->openSite(f.site));
        QCOMPARE(f.editor().publishTab()->lblPublishStatus->text(),
                 QStringLiteral("Published: 4 files sent, 0 failures"));
        f.editor().setFieldText(13, QStringLiteral("other/"));
        QCOMPARE(f.editor().publishTab()->lblPublishStatus->text(), QString());
        f.editor().setFieldText(13, QStringLiteral("site/"));
        QCOMPARE(f.editor().publishTab()->lblPublishStatus->text(),
                 QStringLiteral("Published: 4 files sent, 0 failures"));
        f.openNewSite("Other.QLS");
        QCOMPARE(f.editor().publishTab()->lblPublishStatus->text(), QString());
    }

    void checkSiteListsFindingsThatGoToTheirPage()
    {
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        AddPages(editor, {"First", "Second"});
        QVERIFY(editor.datPrimaryRS()->moveFirst().ok());
        editor.setFieldText(5, QStringLiteral("<div>never closed"));
        QVERIFY(editor.datPrimaryRS()->moveLast().ok());
        ui::ViewTab* view = editor.viewTab();
        QVERIFY(view->lstFindings->isHidden());
        view->btnCheckSite->click();
        QCOMPARE(Rows(f.site, "select Body from Articles where Title = 'First'"),
                 std::vector<std::string>({"<div>never closed"})); // saved first
        // The check runs on its own thread; the button waits for its findings.
        QVERIFY(!view->lstFindings->isHidden());
        QVERIFY(!view->btnCheckSite->isEnabled());
        QCOMPARE(view->lstFindings->item(0)->text(), QStringLiteral("Checking ..."));
        QTRY_VERIFY(view->btnCheckSite->isEnabled());
        // Errors come first; the empty first paragraphs are only warnings.
        QCOMPARE(view->lstFindings->count(), 3);
        QCOMPARE(view->lstFindings->item(0)->text(),
                 QStringLiteral("error: First (Main Text, line 1, column 1): <div> is never closed, so it runs on "
                                "over the rest of the page"));
        editor.selectTab(ui::SiteEditorWindow::ViewSite);
        emit view->lstFindings->itemClicked(view->lstFindings->item(0));
        QCOMPARE(editor.fieldText(3), QStringLiteral("First"));
        QCOMPARE(Child<QTabWidget>(editor, "SSTab1")->currentIndex(), int(ui::SiteEditorWindow::PageContent));

        // Publishing a site with errors asks first; No publishes nothing.
        view->btnUpdateWeb->click();
        editor.setFieldText(8, QStringLiteral("ftp.example.com"));
        editor.setFieldText(9, QStringLiteral("jo"));
        editor.setFieldText(10, QStringLiteral("secret"));
        editor.setFieldText(11, QStringLiteral("/www/"));
        editor.publishTab()->btnPublish->click();
        QCOMPARE(f.recorder.questions.size(), std::size_t(1));
        QVERIFY(f.recorder.questions[0].find("Publish anyway?") != std::string::npos);
        QVERIFY(f.recorder.questions[0].find("<div> is never closed") != std::string::npos);
        QVERIFY(f.recorder.started.empty());
        f.recorder.yesNoAnswers.push_back(true);
        editor.publishTab()->btnPublish->click();
        QVERIFY2(f.recorder.messages.empty(), f.recorder.messages.empty() ? "" : f.recorder.messages[0].text.c_str());
        QCOMPARE(f.recorder.started.size(), std::size_t(1));
    }

    void publishingBuildsAChangedSiteFirstAndAFailedBuildStopsIt()
    {
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        for (const auto& [index, text] : {std::pair(8, "ftp.example.com"), {9, "jo"}, {10, "secret"}, {11, "/www/"}})
            editor.setFieldText(index, QString::fromLatin1(text));
        AddPages(editor, {QStringLiteral("Home")});
        const std::string web = f.baseFolder() + "TempInternetFiles/";

        // Never built: the main window's command builds the site as stored, then uploads it.
        Child<QAction>(*f.window, "mnuPublishNow")->trigger();
        QCOMPARE(f.recorder.messages.size(), std::size_t(0));
        QVERIFY(PathExists(web + "articles/art-1.htm"));
        QCOMPARE(f.recorder.started.size(), std::size_t(1));
        QCOMPARE(editor.publishTab()->lblPublishStatus->text(), QStringLiteral("Uploading ..."));

        // A page added since: the button saves it, builds it and only then uploads.
        AddPages(editor, {QStringLiteral("Second")});
        editor.publishTab()->btnPublish->click();
        QVERIFY(PathExists(web + "articles/art-2.htm"));
        QCOMPARE(f.recorder.started.size(), std::size_t(2));
        // A new site is Modern: without the site's address its build warns that no sitemap is made.
        QVERIFY(editor.viewTab()->lblProgress->text().startsWith(QStringLiteral("Done")));

        // Unchanged: uploaded as built.
        std::filesystem::remove(web + "articles/art-2.htm");
        editor.publishTab()->btnPublish->click();
        QVERIFY(!PathExists(web + "articles/art-2.htm"));
        QCOMPARE(f.recorder.started.size(), std::size_t(3));

        // The build fails (another build holds the base folder): nothing is uploaded, and the
        // author is told why.
        AddPages(editor, {QStringLiteral("Third")});
        auto other = app::BaseFolderLock::acquire(f.baseFolder(), app::BaseFolderLock::Mode::Build, "Other.qls");
        QVERIFY(other.ok());
        editor.publishTab()->btnPublish->click();
        QCOMPARE(f.recorder.started.size(), std::size_t(3));
        QCOMPARE(f.recorder.messages.size(), std::size_t(1));
        QVERIFY2(f.recorder.messages[0].text.rfind("The site was not published. The site could not be built: The site "
                                                   "Other.qls is being built",
                                                   0) == 0,
                 f.recorder.messages[0].text.c_str());
        QCOMPARE(editor.publishTab()->lblPublishStatus->text(), QString());
    }

    void consoleWindowShowsProgressAsABarAndNoticesHeldDeletions()
    {
        ui::ConsoleWindow console;
        QSignalSpy finished(&console, &ui::ConsoleWindow::finished);
        console.show();
        console.start([](const std::function<void(const std::string&)>& output, const std::function<void()>&,
                         const std::function<void(int)>&) {
            output("Sent 1 of 4 files, 250 of 1000 bytes: articles/art-1.htm");
            output("Sent 2 of 4 files, 750 of 1000 bytes, 12 KB/s, about 0 s left: images/big.jpg");
            output(publish::DeletionsHeldLine(30, 40));
            output("2 files sent, 0 unchanged, 0 removed, 2 failures, 750 bytes, 0.1 seconds");
            return 1;
        });
        QTRY_COMPARE(finished.size(), 1);
        auto* bar = Child<QProgressBar>(console, "uploadProgress");
        QCOMPARE(bar->value(), 750);
        QCOMPARE(bar->text(), QStringLiteral("2 of 4 files"));
        QVERIFY(Child<QLabel>(console, "uploadProgressText")->text().contains(QStringLiteral("images/big.jpg")));
        QVERIFY(!console.text().contains(QStringLiteral("Sent 1 of 4")));
        QVERIFY(console.text().contains(QStringLiteral("2 failures")));
        QVERIFY(console.deletionsHeld());
    }

    void consoleWindowShowsTheUpload()
    {
        TempDir dir;
        const std::string batch = dir / "QuillonEngine_ftp.bat";
        WriteFile(batch, "cd " + dir.path() +
                             "\r\necho off\r\necho Your web site has been published to ftp.example.com\r\n"
                             "echo Please close this window \r\npause\r\nexit\r\n");
        ui::ConsoleWindow console;
        QSignalSpy finished(&console, &ui::ConsoleWindow::finished);
        console.show();
        console.start(ui::ConsoleWindow::BatchFileRunner(batch));
        QTRY_VERIFY(console.text().contains(QStringLiteral("Press any key to continue")));
        QVERIFY(console.text().contains(QStringLiteral("Your web site has been published to ftp.example.com")));
        QVERIFY(console.isRunning());
        // Closing is refused only while the upload runs; at "pause" a key ends it.
        QTest::keyClick(&console, Qt::Key_Space);
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(console.exitStatus(), 0);
        QVERIFY(!console.isRunning());
    }

    // The typed-settings rules and chooser filters on their own, then the provider look-up.
    void typedSettingsRules()
    {
        using Rule = QString (*)(const QString&);
        const Rule twice = [](const QString& s) { return ui::DirectoryOnLeaving(ui::DirectoryOnLeaving(s)); };
        const Rule address = [](const QString& s) {
            const QStringList parts = s.split(QLatin1Char(' '));
            return ui::PublishedPageAddress(parts[0], parts.value(1), QStringLiteral("articles/art-3.htm"));
        };
        const Rule filter = [](const QString& s) { return ui::QtNameFilter(s.toStdString()); };
        const struct
        {
            const char* row;
            Rule rule;
            const char* typed;
            const char* expected;
        } rows[] = {
            {"directory empty", ui::DirectoryOnLeaving, "", ""},
            {"directory single slash", ui::DirectoryOnLeaving, "/", ""},
            {"directory name", ui::DirectoryOnLeaving, "MySite", "mysite/"},
            {"directory leading slash", ui::DirectoryOnLeaving, "/MySite", "mysite"},
            {"directory leading slash, left twice", twice, "/MySite", "mysite/"},
            {"directory both slashes", ui::DirectoryOnLeaving, "/MySite/", "mysite/"},
            {"directory inner slash", ui::DirectoryOnLeaving, "Club/News", "club/news/"},
            {"root empty", ui::RootOnLeaving, "", "/"},
            {"root mixed case", ui::RootOnLeaving, "/Public_HTML", "/public_html/"},
            {"root already normal", ui::RootOnLeaving, "/www/", "/www/"},
            {"address trailing slash", address, "http://www.example.com/~jo/ mysite/",
             "http://www.example.com/~jo/mysite/articles/art-3.htm"},
            {"address slash inserted", address, "http://www.example.com/~jo mysite/",
             "http://www.example.com/~jo/mysite/articles/art-3.htm"},
            {"address no directory", address, "http://members.example.org/jo/",
             "http://members.example.org/jo/articles/art-3.htm"},
            {"filter sites", filter, "Quillon Builder files (*.QLS)|*.QLS", "Quillon Builder files (*.QLS)"},
            {"filter pictures", filter, "Graphics files (gif, jpg, jpeg, bmp)|*.gif;*.jpg;*.jpeg;*.bmp",
             "Graphics files (gif, jpg, jpeg, bmp) (*.gif *.jpg *.jpeg *.bmp)"},
            {"filter without patterns", filter, "Everything (*)", "Everything (*)"},
        };
        for (const auto& r : rows) {
            const QString got = r.rule(QString::fromUtf8(r.typed));
            QVERIFY2(got == QString::fromUtf8(r.expected),
                     qPrintable(QStringLiteral("%1: got \"%2\"").arg(r.row, got)));
        }
    }

    void providerLookUp()
    {
        const std::string appDb = ProgramFolder() + "Quillon Engine.mdb";
        // A name with an apostrophe is only a name.
        auto quoted = ui::FindProviders(appDb, "Jo's' or '1'='1");
        QVERIFY(quoted.ok());
        QVERIFY(quoted->empty());
        QVERIFY(!ui::FindProviders("/nonexistent/Quillon Engine.mdb", "x").ok());
    }
};

QLE_UI_SUITE(ViewPublishTest);

} // namespace

} // namespace qle::test

#include "ViewPublish_test.moc"
