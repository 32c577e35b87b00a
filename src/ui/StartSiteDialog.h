// frmStartSite: the start dialog, shown beside the main window at start-up. "New" browses for a
// site file or creates one in the folder shown; "Recent" opens one of the application's recent sites.
#pragma once

#include <QDialog>
#include <functional>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace qle::app {
struct AppState;
class UserInterface;
} // namespace qle::app

namespace qle::ui {

class PageStyleBox;

class StartSiteDialog : public QDialog
{
    Q_OBJECT

public:
    // Opens a site file; true when it became the current site.
    using SiteOpener = std::function<bool(const std::string& path)>;

    // `state` and `ui` must outlive the dialog. Reads the recent list once, here.
    StartSiteDialog(const app::AppState& state, app::UserInterface& ui, SiteOpener openSite, QWidget* parent = nullptr);

    // The folder Dir1 shows, ending in '/'.
    QString folder() const { return m_folder; }
    void setFolder(const QString& folder);

    QTabWidget* SSTab1;
    QComboBox* Drive1;  // places: home, base folder, file system root, mounted volumes
    QListWidget* Dir1;  // sub-folders of the folder shown, ".." first
    QListWidget* File1; // site files (.qls in any letter case) of the folder shown
    QPushButton* btnCreate;
    QPushButton* btnCancel;
    QPushButton* Command1;      // "&Open", the default button
    PageStyleBox* cmbNewStyle;  // the page style "Create New Site" gives the new site: Modern unless changed
    QListWidget* List1;         // recent sites that still exist, most recent first
    QPushButton* cmdOpenRecent; // "&Open" on the Recent tab, its default button

    // The place entries of Drive1, as folders ending in '/'.
    static QStringList places(const QString& baseFolder);

private:
    void openSelected();
    void openRecent();
    void createSite();
    void fillFiles();

    const app::AppState& m_state;
    app::UserInterface& m_ui;
    SiteOpener m_openSite;
    QString m_folder;
    QLabel* m_folderLabel;
};

} // namespace qle::ui
