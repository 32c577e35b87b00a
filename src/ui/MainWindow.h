// MDIForm1: the program's main window. Holds the site editor in its document area, carries the
// menus, runs start-up, and is where a site file becomes the current site (OpenSite).
#pragma once

#include "app/StartUp.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>

class QAction;
class QMdiArea;
class QMenu;

namespace qle::app {
class Keyring;
class UserInterface;
} // namespace qle::app
namespace qle::publish {
class SitePasswords;
}

namespace qle::ui {

class SiteEditorWindow;
class StartSiteDialog;

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // `ui` must outlive the window; `programFolder` holds the shipped files and ends in '/'.
    MainWindow(app::UserInterface& ui, const std::string& programFolder, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Shows the window and runs start-up, once; later calls only show it. The splash window calls
    // this when it closes.
    void showMainWindow();

    // Start-up: reads the program settings, makes the folder tree and shows the start dialog beside
    // the window. Settings that cannot be read and a folder tree that cannot be made are reported;
    // the window stays usable.
    void startUp();

    // Works on this application database from now on, instead of the one start-up would choose.
    void useAppDatabase(const std::string& path);

    // Keeps site passwords in this keyring instead of the desktop's. REQUIRES: no site is open yet.
    void useKeyring(std::unique_ptr<app::Keyring> keyring);

    // OpenSite: makes the file the current site and shows it in a fresh editor, after bringing an
    // older site file up to the template, and records it in the recent list. A file that is
    // missing or is not a site is reported and not opened; the current site then stays. True when opened.
    bool openSite(const std::string& path);

    // File menu commands.
    void newSite();
    void openSiteCommand();
    // "Restore from Backup...": lists the open site's backups with their date and number of pages
    // and, after a confirmation, puts the chosen one into the site (its current state is backed up
    // first) and shows it afresh.
    void restoreFromBackup();

    // "Open Recent": the recent sites that still exist, most recent first, each opening its site.
    void fillRecentMenu();
    // "Preview" on the View menu: shows or hides the editor's preview pane, remembered.
    void setPreviewShown(bool shown);

    app::AppState& state() { return m_state; }
    SiteEditorWindow* editor() const;
    StartSiteDialog* startDialog() const;
    QMdiArea* mdiArea() const { return m_mdi; }
    QMenu* mnuView() const { return m_mnuView; }
    QMenu* mnuPublish() const { return m_mnuPublish; }
    QMenu* mnuRecent() const { return m_mnuRecent; }
    QAction* mnuPreview() const { return m_mnuPreview; }
    QAction* mnuFind() const { return m_mnuFind; }
    // "&About": the About window connects here.
    QAction* mnuAbout() const { return m_mnuAbout; }

signals:
    // The window was closed: the program ends.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    // Keeps the editor filling the document area as the window is resized.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createMenuBar();
    void setSiteMenusEnabled(bool enabled);
    void viewWebSite();
    void publishToInternet();
    void showHelp();
    // The window's place and size, and the preview's visibility, as the last run left them.
    void restoreSettings();
    void saveSettings();
    // What the start dialog's Escape (or Cancel) leaves: no site open, no empty window.
    void startDialogClosed();

    app::UserInterface& m_ui;
    app::AppState m_state;
    std::unique_ptr<app::Keyring> m_keyring;
    // Lives as long as the program, so that a missing keyring is said once.
    std::unique_ptr<publish::SitePasswords> m_passwords;
    QMdiArea* m_mdi;
    QMenu* m_mnuView = nullptr;
    QMenu* m_mnuPublish = nullptr;
    QAction* m_mnuAbout = nullptr;
    QAction* m_mnuRestore = nullptr;
    QMenu* m_mnuRecent = nullptr;
    QMenu* m_mnuEdit = nullptr;
    QAction* m_mnuFind = nullptr;
    QAction* m_mnuPreview = nullptr;
    QPointer<SiteEditorWindow> m_editor;
    QPointer<StartSiteDialog> m_startDialog;
    bool m_started = false;
    std::string m_appDatabase; // chosen by useAppDatabase(), else empty
};

// The width from which the preview is shown beside the boxes at the first start.
inline constexpr int kPreviewRoom = 1280;

// The short help page shipped in the program folder.
inline constexpr const char* kHelpPage = "help.htm";

} // namespace qle::ui
