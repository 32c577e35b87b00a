// frmMainForm: the site editor, one tabbed window over the open site file, with the list of all
// pages on its left and the live preview on its right. It binds the pages and the settings record
// to the tabs' boxes, runs the buttons, and is the editor the build reaches.
#pragma once

#include "check/SiteCheck.h"
#include "generator/PagePreview.h"
#include "generator/SiteEditor.h"
#include "publish/script/FtpSettings.h"
#include "store/Status.h"
#include "ui/FindDialog.h"

#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class QSplitter;
class QSqlRecord;
class QTabWidget;

namespace qle::app {
struct AppState;
class UserInterface;
} // namespace qle::app
namespace qle::publish {
class SitePasswords;
}

namespace qle::ui {

class BannerTab;
class ColoursTab;
class LivePreview;
class PageList;
class PreviewPane;
class SpellService;
struct PageHit;
class OptionsSource;
class PageContentTab;
class PagesSource;
class PasswordControls;
class PublishTab;
class ServerTrustControls;
class UploadWatcher;
class ViewTab;

class SiteEditorWindow : public QWidget, public generator::SiteEditor
{
    Q_OBJECT

public:
    enum Tab { PageContent = 0, Colours = 1, BannerHomepage = 2, ViewSite = 3, Publish = 4 };

    // `state`, `ui` and `passwords` must outlive the window.
    SiteEditorWindow(app::AppState& state, app::UserInterface& ui, publish::SitePasswords& passwords,
                     QWidget* parent = nullptr);
    ~SiteEditorWindow() override;

    // Points both data sources at the site file and shows its first page and its settings. An older
    // site file's password is first offered to move to the keyring.
    Status bindSite(const QString& sitePath);

    void selectTab(Tab tab);
    // "View &Updated Web Site Now!": builds the site; an error is shown and the editor stays usable.
    void updateSite();
    // Publishes the site; the editor's button saves both sources first, the main window's command not.
    // A site changed since its last build is built first, its progress shown on the Publish tab too;
    // when that build fails, nothing is uploaded and the author is told why.
    // A site with errors (see checkSite) is published only when the author says so.
    void publishSite(bool saveFirst);
    // Saves both sources, checks the site and lists the findings on the View tab; a click on one
    // goes to its page. Returns the number of errors, or -1 when the site could not be checked
    // (which is reported).
    int checkSite(bool external);
    // "Check Site": the same, with the check on a thread of its own, so that the window stays in use
    // while a large site or its external links are checked; the button waits for the findings.
    void startCheck(bool external);

    // The preview pane beside the tabs.
    void setPreviewVisible(bool visible);
    bool isPreviewVisible() const;
    // The editor's values as saving would store them: what the preview shows.
    generator::PreviewEdits previewEdits();
    LivePreview* livePreview() const { return m_livePreview; }

    // "Find and Replace" (Ctrl+F).
    void showFind();
    QList<PageHit> findInPages(const QString& text, Qt::CaseSensitivity matching);
    // Asks once, takes a backup, replaces in every page and says how to undo it.
    void replaceInPages(const QString& text, const QString& with, Qt::CaseSensitivity matching);
    // Shows the page of a place found with the text selected in its box.
    void goToHit(const PageHit& hit);
    FindDialog* findDialog() const { return m_find; }

    // generator::SiteEditor
    void setProgressText(const std::string& text) override;
    void startClearProgressTimer(int intervalMs) override;
    void commitEdits(DataSource source) override;
    std::string homepageText() const override;
    void setHomepageText(const std::string& text) override;
    void setHomepageTitle(const std::string& title) override;
    void navigateBrowser(const std::string& address) override;
    void showBuildWarnings(const std::vector<std::string>& warnings) override;
    void processEvents() override;

    QTabWidget* SSTab1() const { return m_tabs; }
    PageContentTab* pageContentTab() const { return m_pageTab; }
    ColoursTab* coloursTab() const { return m_coloursTab; }
    BannerTab* bannerTab() const { return m_bannerTab; }
    ViewTab* viewTab() const { return m_viewTab; }
    PublishTab* publishTab() const { return m_publishTab; }
    PagesSource* datPrimaryRS() const { return m_pages; }
    OptionsSource* Data1() const { return m_options; }
    PageList* pageList() const { return m_pageList; }
    PreviewPane* previewPane() const { return m_previewPane; }
    SpellService* spelling() const { return m_spell; }
    QSplitter* splitter() const { return m_splitter; }

    // The control array that spans the Page Content and Publish tabs, by index 0 to 13.
    QWidget* txtFields(int index) const { return m_txtFields.at(static_cast<std::size_t>(index)); }
    QString fieldText(int index) const;
    void setFieldText(int index, const QString& text);

    // The publish settings as the Publish tab shows them now; the password only when the site file
    // carries it.
    publish::FtpSettings currentFtpSettings() const;
    // The secret one upload or connection test with `ftp` hands the upload client: the password the
    // box shows (when no file holds it), the keyring's, or asked (see publish::UploadSecret).
    std::optional<std::string> uploadSecret(const publish::FtpSettings& ftp);
    ServerTrustControls* serverTrustControls() const { return m_trust; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Shows the page a finding of the list names, on the Page Content tab.
    void goToFinding(const QString& artId);
    void connectChecks();
    // What a check of the open site works on.
    struct CheckInputs
    {
        std::string site;
        std::string webFolder;
        check::CheckOptions options;
    };
    // Saves both sources, then says what a check of the site works on.
    CheckInputs prepareCheck(bool external);
    // Lists the findings of a check of the site; the number of errors, or -1 when it failed.
    int showFindings(const Result<std::vector<check::Finding>>& findings);
    // Before publishing: checks the site and, when it has errors, asks "Publish anyway?".
    bool confirmPublishAfterCheck();
    void bindControls();
    void connectPageButtons();
    void connectViewAndPublish();
    void fillProviderList();
    void reportFailure(const Status& status);
    // Builds the site when it changed since its last build; false (after telling the author) when
    // that build failed.
    bool buildBeforePublishing(bool saveEdits);
    // Saves both sources when asked, then keeps a snapshot of the site file unless it is unchanged
    // since the last one, taken beside `beside` (a build) when given, which then runs meanwhile. A
    // failed snapshot is reported once both are done, and stops nothing.
    void snapshot(bool saveFirst, const std::function<void()>& beside = {});
    void runPageMove(Status (PagesSource::*step)());
    // Asks for a picture and copies it into the local images folder (CopyUnderFreeName; under the
    // name the site's images folder holds it by when `portableName`). Nothing when cancelled or
    // when the folder cannot be made, which the author is told.
    std::optional<std::string> copyChosenPicture(const std::string& title, bool portableName);
    void choosePicture();
    void removePicture();
    // The toolbar's Link and Picture: a page of the site or a web address; a picture copied into
    // the local images folder.
    void insertLink();
    void insertPicture();
    // After another page is shown or pages were written: the lists, the page list, the preview.
    void pageShown();
    void refreshNameLists();
    void showSpellingStatus();
    // How the last upload ended, when it was of this site and to where the Publish tab points.
    void showLastUpload();
    void connectPreview();
    // Asks first, naming the page; a stored page can then be put back by undoDelete().
    void deletePage();
    void undoDelete();
    void pickProvider();
    void usernameLeft();
    void openPublishedPage();
    void viewInBrowser();
    void showFreeWebSpace();

    app::AppState& m_state;
    app::UserInterface& m_ui;
    publish::SitePasswords& m_passwords;
    QString m_sitePath;
    QTabWidget* m_tabs;
    PageContentTab* m_pageTab;
    ColoursTab* m_coloursTab;
    BannerTab* m_bannerTab;
    ViewTab* m_viewTab;
    PublishTab* m_publishTab;
    PagesSource* m_pages;
    OptionsSource* m_options;
    std::array<QWidget*, 14> m_txtFields {};
    ServerTrustControls* m_trust = nullptr;
    std::unique_ptr<PasswordControls> m_password;
    UploadWatcher* m_upload;
    std::vector<std::string> m_buildWarnings;
    bool m_buildingToPublish = false;          // the build's progress is shown on the Publish tab too
    std::unique_ptr<QSqlRecord> m_deletedPage; // the last page deleted, until it is put back
    QSplitter* m_splitter;
    PageList* m_pageList;
    PreviewPane* m_previewPane;
    SpellService* m_spell;
    LivePreview* m_livePreview = nullptr;
    QPointer<FindDialog> m_find;
    std::thread m_checker; // the last "Check Site"; joined before the next and when the window goes
};

} // namespace qle::ui
