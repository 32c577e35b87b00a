#include "ui/MainWindow.h"

#include "app/AppQueries.h"
#include "app/Backups.h"
#include "app/Desktop.h"
#include "app/Folders.h"
#include "app/Keyring.h"
#include "app/Paths.h"
#include "app/SiteFiles.h"
#include "app/SiteSchema.h"
#include "generator/CreateWebSite.h"
#include "publish/client/SitePassword.h"
#include "ui/FindDialog.h"
#include "ui/StartSiteDialog.h"
#include "ui/editor/SiteEditorWindow.h"
#include "ui/models/SiteConnection.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QSignalBlocker>
#include <ctime>

namespace qle::ui {

MainWindow::MainWindow(app::UserInterface& ui, const std::string& programFolder, QWidget* parent)
    : QMainWindow(parent)
    , m_ui(ui)
    , m_mdi(new QMdiArea(this))
{
    useKeyring(app::DesktopKeyring());
    setObjectName(QStringLiteral("MDIForm1"));
    setWindowTitle(tr("Brightlane - Quillon Engine"));
    m_state.programFolder = app::WithTrailingSlash(programFolder);
    m_state.appDatabasePath = app::AppDatabasePath(m_state.programFolder);
    m_mdi->setObjectName(QStringLiteral("mdiArea"));
    m_mdi->setBackground(QColor(0x80, 0x80, 0x80));
    setCentralWidget(m_mdi);
    m_mdi->viewport()->installEventFilter(this);
    createMenuBar();
    // No site is open yet: the site commands wait for one.
    setSiteMenusEnabled(false);
    resize(1000, 740);
}

MainWindow::~MainWindow()
{
    // The editor goes with the window's children; its menus must not be touched by then.
    if (m_editor)
        m_editor->disconnect(this);
}

SiteEditorWindow* MainWindow::editor() const
{
    return m_editor;
}

StartSiteDialog* MainWindow::startDialog() const
{
    return m_startDialog;
}

void MainWindow::createMenuBar()
{
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    QAction* mnuNew =
        file->addAction(tr("&New Web Site ..."), QKeySequence(Qt::CTRL | Qt::Key_N), this, &MainWindow::newSite);
    mnuNew->setObjectName(QStringLiteral("mnuNew"));
    QAction* mnuOpen = file->addAction(tr("&Open Web Site ..."), QKeySequence(Qt::CTRL | Qt::Key_O), this,
                                       &MainWindow::openSiteCommand);
    mnuOpen->setObjectName(QStringLiteral("mnuOpen"));
    m_mnuRecent = file->addMenu(tr("Open &Recent"));
    m_mnuRecent->setObjectName(QStringLiteral("mnuRecent"));
    connect(m_mnuRecent, &QMenu::aboutToShow, this, &MainWindow::fillRecentMenu);
    m_mnuRestore = file->addAction(tr("Restore from Backup..."), this, &MainWindow::restoreFromBackup);
    m_mnuRestore->setObjectName(QStringLiteral("mnuRestore"));
    file->addSeparator()->setObjectName(QStringLiteral("sep1"));
    QAction* mnuexit = file->addAction(tr("E&xit"), this, &QWidget::close);
    mnuexit->setObjectName(QStringLiteral("mnuexit"));

    m_mnuEdit = menuBar()->addMenu(tr("&Edit"));
    m_mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    m_mnuFind = m_mnuEdit->addAction(tr("&Find and Replace..."), QKeySequence::Find, this, [this] {
        if (m_editor)
            m_editor->showFind();
    });
    m_mnuFind->setObjectName(QStringLiteral("mnuFind"));

    m_mnuView = menuBar()->addMenu(tr("&View"));
    m_mnuView->setObjectName(QStringLiteral("mnuView"));
    QAction* mnuViewSite = m_mnuView->addAction(tr("&Web Site"), this, &MainWindow::viewWebSite);
    mnuViewSite->setObjectName(QStringLiteral("mnuViewSite"));
    m_mnuPreview = m_mnuView->addAction(tr("&Preview"));
    m_mnuPreview->setObjectName(QStringLiteral("mnuPreview"));
    m_mnuPreview->setCheckable(true);
    m_mnuPreview->setChecked(true);
    m_mnuPreview->setShortcut(QKeySequence(Qt::Key_F8));
    m_mnuPreview->setToolTip(tr("The page being edited as the next build will write it, beside the page boxes"));
    connect(m_mnuPreview, &QAction::toggled, this, &MainWindow::setPreviewShown);
    // "&Options" and its separator are not offered.

    m_mnuPublish = menuBar()->addMenu(tr("&Publish"));
    m_mnuPublish->setObjectName(QStringLiteral("mnuPublish"));
    QAction* mnuPublishNow =
        m_mnuPublish->addAction(tr("&Publish to the Internet"), this, &MainWindow::publishToInternet);
    mnuPublishNow->setObjectName(QStringLiteral("mnuPublishNow"));

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    QAction* contents = help->addAction(tr("Contents"), QKeySequence(Qt::Key_F1), this, &MainWindow::showHelp);
    contents->setObjectName(QStringLiteral("mnuHelpContents"));
    help->addSeparator()->setObjectName(QStringLiteral("sep2"));
    m_mnuAbout = help->addAction(tr("&About"));
    m_mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
}

void MainWindow::setSiteMenusEnabled(bool enabled)
{
    m_mnuView->menuAction()->setEnabled(enabled);
    m_mnuEdit->menuAction()->setEnabled(enabled);
    m_mnuPublish->menuAction()->setEnabled(enabled);
    m_mnuRestore->setEnabled(enabled);
}

void MainWindow::restoreFromBackup()
{
    if (!m_editor || m_state.currentSitePath.empty())
        return;
    const std::string site = m_state.currentSitePath;
    const std::string base = app::BaseFolder(m_state.options);
    // What the editor holds is saved (and kept as a backup) before anything is listed or replaced.
    QWidget* frame = m_editor->parentWidget();
    frame->close();
    delete frame;
    auto backups = app::ListBackups(site, base);
    if (!backups || backups->empty()) {
        m_ui.showMessage(backups ? "There are no backups of " + app::FileNameOfPath(site) + " yet."
                                 : backups.status().message(),
                         app::kProgramTitle, app::MessageIcon::Information);
        openSite(site);
        return;
    }
    std::vector<std::string> items;
    for (const app::BackupInfo& backup : *backups)
        items.push_back(backup.when + "    " + app::BackupContents(backup));
    const auto chosen = m_ui.chooseItem(
        "Choose the backup of " + app::FileNameOfPath(site) + " to restore:", "Restore from Backup", items);
    if (chosen) {
        const app::BackupInfo& backup = backups->at(*chosen);
        const std::string question = "Replace " + app::FileNameOfPath(site) + " with its backup of " + backup.when +
                                     " (" + app::BackupContents(backup) +
                                     ")?\nThe site as it is now is backed up first.";
        if (m_ui.askYesNo(question, app::kProgramTitle)) {
            if (Status s = app::RestoreBackup(site, backup.path, base, std::time(nullptr)); !s.ok())
                m_ui.showMessage(s.message(), app::kProgramTitle, app::MessageIcon::Warning);
        }
    }
    openSite(site);
}

void MainWindow::useAppDatabase(const std::string& path)
{
    m_appDatabase = path;
    m_state.appDatabasePath = path;
}

void MainWindow::useKeyring(std::unique_ptr<app::Keyring> keyring)
{
    m_passwords = std::make_unique<publish::SitePasswords>(*keyring, m_ui);
    m_keyring = std::move(keyring);
}

void MainWindow::showMainWindow()
{
    if (!m_started)
        restoreSettings();
    show();
    if (m_started)
        return;
    m_started = true;
    startUp();
}

void MainWindow::startUp()
{
    const std::string currentSite = m_state.currentSitePath;
    const Status made = app::StartUp(m_state, m_state.programFolder, m_appDatabase);
    m_state.currentSitePath = currentSite;
    if (!m_state.optionsStatus.ok()) {
        m_ui.showMessage("The program's settings could not be read from " + m_state.appDatabasePath + ".\n" +
                             m_state.optionsStatus.message() + "\nThe default base folder " +
                             app::BaseFolder(m_state.options) + " is used, and the recent list is not kept.",
                         app::kProgramTitle, app::MessageIcon::Warning);
    }
    if (Status s = made; !s.ok()) {
        m_ui.showMessage("The program's folders could not be made: " + s.message() +
                             "\nSites can still be opened, but building and publishing need these folders.",
                         app::kProgramTitle, app::MessageIcon::Critical);
    } else if (Status finished = generator::FinishStoppedBuild(app::WebFolder(app::BaseFolder(m_state.options)));
               !finished.ok()) {
        m_ui.showMessage("The last build stopped before its site was in place, and it could not be finished: " +
                             finished.message() + "\nBuild the site again.",
                         app::kProgramTitle, app::MessageIcon::Warning);
    }
    auto* dialog = new StartSiteDialog(
        m_state, m_ui, [this](const std::string& path) { return openSite(path); }, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::rejected, this, &MainWindow::startDialogClosed);
    m_startDialog = dialog;
    dialog->show();
    // Centred over the main window, as every dialog.
    dialog->move(geometry().center() - dialog->rect().center());
}

void MainWindow::startDialogClosed()
{
    // Without a site there is nothing to do in the window: closing the dialog ends the program.
    if (!m_editor)
        close();
}

void MainWindow::fillRecentMenu()
{
    m_mnuRecent->clear();
    auto recent = app::RecentSites(m_state.appDatabasePath);
    if (recent) {
        for (const std::string& site : recent.value()) {
            if (!QFileInfo(QString::fromStdString(site)).isFile())
                continue;
            QAction* open = m_mnuRecent->addAction(QString::fromStdString(site));
            connect(open, &QAction::triggered, this, [this, site] { openSite(site); });
        }
    }
    if (m_mnuRecent->isEmpty())
        m_mnuRecent->addAction(tr("(no recent sites)"))->setEnabled(false);
}

void MainWindow::setPreviewShown(bool shown)
{
    if (m_mnuPreview->isChecked() != shown)
        m_mnuPreview->setChecked(shown); // toggles back into here
    if (m_editor)
        m_editor->setPreviewVisible(shown);
    (void)app::WriteSetting(m_state.appDatabasePath, "PreviewShown", shown ? "1" : "0");
}

void MainWindow::restoreSettings()
{
    const std::string database =
        m_appDatabase.empty() ? app::LoadAppState(m_state.programFolder).appDatabasePath : m_appDatabase;
    auto geometry = app::ReadSetting(database, "MainWindowGeometry");
    if (geometry) {
        restoreGeometry(QByteArray::fromBase64(QByteArray::fromStdString(geometry.value())));
    } else if (const QScreen* display = screen()) {
        // The first start: room for the page list, the boxes and the preview side by side.
        const QRect room = display->availableGeometry();
        resize(qMin(1600, room.width() * 9 / 10), qMin(1000, room.height() * 9 / 10));
        move(room.center() - rect().center());
    }
    const QSignalBlocker quiet(m_mnuPreview);
    if (auto preview = app::ReadSetting(database, "PreviewShown"))
        m_mnuPreview->setChecked(preview.value() != "0");
    else
        m_mnuPreview->setChecked(width() >= kPreviewRoom); // beside the boxes only where it fits
}

void MainWindow::saveSettings()
{
    (void)app::WriteSetting(m_state.appDatabasePath, "MainWindowGeometry", saveGeometry().toBase64().toStdString());
}

bool MainWindow::openSite(const std::string& path)
{
    // Checked first, so that a wrong file changes nothing and the open site stays.
    if (Status s = CheckSiteFile(path); !s.ok()) {
        m_ui.showMessage("The file " + path + " could not be opened as a web site.\n" + s.message(), app::kProgramTitle,
                         app::MessageIcon::Warning);
        return false;
    }
    // Views and settings fields of an earlier version are brought up to date before anything reads them.
    if (Status s = app::UpgradeSiteFile(path, app::TemplateSitePath(m_state.programFolder)); !s.ok())
        m_ui.showMessage(s.message(), app::kProgramTitle, app::MessageIcon::Warning);
    m_state.currentSitePath = path;
    // The recent list is a convenience: a failure to record it must not stop the opening.
    (void)app::RecordRecentSite(m_state.appDatabasePath, path);
    if (m_editor) {
        QWidget* frame = m_editor->parentWidget();
        frame->close();
        delete frame;
    }
    auto* editor = new SiteEditorWindow(m_state, m_ui, *m_passwords);
    m_editor = editor;
    QMdiSubWindow* frame = m_mdi->addSubWindow(editor);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    connect(editor, &QObject::destroyed, this, [this](QObject* gone) {
        if (!m_editor || m_editor.data() == gone)
            setSiteMenusEnabled(false);
    });
    editor->setPreviewVisible(m_mnuPreview->isChecked());
    frame->move(0, 0);
    frame->resize(m_mdi->viewport()->size());
    frame->show();
    editor->setWindowTitle(QString::fromStdString(app::FileNameOfPath(path)) + QStringLiteral(" - Quillon Site"));
    if (Status s = editor->bindSite(QString::fromStdString(path)); !s.ok())
        m_ui.showMessage(s.message(), app::kProgramTitle, app::MessageIcon::Warning);
    editor->selectTab(SiteEditorWindow::PageContent);
    setSiteMenusEnabled(true);
    m_ui.beep();
    return true;
}

void MainWindow::newSite()
{
    app::FileChoice choice;
    choice.title = "Create new Quillon Site";
    choice.initialFolder = app::BaseFolder(m_state.options) + "WebSites";
    choice.filter = "Quillon Builder files (*.QLS)|*.QLS";
    choice.defaultName = "My New Site.QLS";
    const std::string chosen = m_ui.chooseFile(choice);
    if (chosen.empty())
        return;
    const std::string path = app::JoinPath(app::FolderOfPath(chosen), app::SiteFileName(app::FileNameOfPath(chosen)));
    if (app::FileExists(app::FolderOfPath(path), app::FileNameOfPath(path))) {
        m_ui.showMessage("This file already exists. Please delete and try again.", app::kProgramTitle,
                         app::MessageIcon::Information);
        return;
    }
    if (Status s = app::CreateSiteFile(m_state.programFolder, path); !s.ok()) {
        // Nothing was created, so there is nothing to open.
        m_ui.showMessage("Can not create this file " + path, app::kProgramTitle, app::MessageIcon::Warning);
        return;
    }
    openSite(path);
}

void MainWindow::openSiteCommand()
{
    app::FileChoice choice;
    choice.title = "Select an existing Quillon Site";
    choice.initialFolder = app::BaseFolder(m_state.options) + "WebSites";
    choice.filter = "Quillon Site files (*.qls)|*.qls";
    const std::string chosen = m_ui.chooseFile(choice);
    if (chosen.empty())
        return;
    openSite(chosen);
}

void MainWindow::viewWebSite()
{
    if (!m_editor)
        return;
    m_mdi->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(m_editor->parentWidget()));
    m_editor->selectTab(SiteEditorWindow::ViewSite);
    m_editor->updateSite();
}

void MainWindow::publishToInternet()
{
    if (m_editor)
        m_editor->publishSite(false);
}

void MainWindow::showHelp()
{
    const std::string page = app::JoinPath(m_state.programFolder, kHelpPage);
    if (Status s = app::ShowPage(page, m_state.programFolder, app::BaseFolder(m_state.options), m_ui); !s.ok())
        m_ui.showMessage(s.message(), app::kProgramTitle, app::MessageIcon::Warning);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_mdi->viewport() && event->type() == QEvent::Resize && m_editor)
        m_editor->parentWidget()->setGeometry(QRect(QPoint(0, 0), m_mdi->viewport()->size()));
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    saveSettings();
    // The editor saves what is pending as it closes; then the program ends.
    m_mdi->closeAllSubWindows();
    event->accept();
    emit closed();
}

} // namespace qle::ui
