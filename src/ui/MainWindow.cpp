#include "ui/MainWindow.h"

#include "app/AppQueries.h"
#include "app/Backups.h"
#include "app/Desktop.h"
#include "app/Folders.h"
#include "app/Keyring.h"
#include "app/Paths.h"
#include "app/SiteFiles.h"
#include "app/SiteSchema.h"
#include "publish/client/SitePassword.h"
#include "ui/StartSiteDialog.h"
#include "ui/editor/SiteEditorWindow.h"
#include "ui/models/SiteConnection.h"

#include <QAction>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
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
    m_mnuRestore = file->addAction(tr("Restore from Backup..."), this, &MainWindow::restoreFromBackup);
    m_mnuRestore->setObjectName(QStringLiteral("mnuRestore"));
    file->addSeparator()->setObjectName(QStringLiteral("sep1"));
    QAction* mnuexit = file->addAction(tr("E&xit"), this, &QWidget::close);
    mnuexit->setObjectName(QStringLiteral("mnuexit"));

    m_mnuView = menuBar()->addMenu(tr("&View"));
    m_mnuView->setObjectName(QStringLiteral("mnuView"));
    QAction* mnuViewSite = m_mnuView->addAction(tr("&Web Site"), this, &MainWindow::viewWebSite);
    mnuViewSite->setObjectName(QStringLiteral("mnuViewSite"));
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
    }
    auto* dialog = new StartSiteDialog(
        m_state, m_ui, [this](const std::string& path) { return openSite(path); }, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_startDialog = dialog;
    dialog->show();
    // Beside the main window, not over its menus.
    dialog->move(geometry().topRight() + QPoint(-dialog->width() - 40, 80));
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
    // The editor saves what is pending as it closes; then the program ends.
    m_mdi->closeAllSubWindows();
    event->accept();
    emit closed();
}

} // namespace qle::ui
