// The "Banner && Homepage" tab: the banner graphic and the homepage of the site.
#pragma once

#include <QWidget>

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace qle::app {
struct AppState;
class UserInterface;
} // namespace qle::app

namespace qle::ui {

class ClickableLabel;

class BannerTab : public QWidget
{
    Q_OBJECT

public:
    explicit BannerTab(QWidget* parent = nullptr);

    // Runs the banner buttons and the banner click with the program's folders and the person at
    // the screen; both must outlive the tab.
    void attach(app::AppState& state, app::UserInterface& ui);

    void btnChooseBanner_Click();
    void btnCreateBanner_Click();
    // Opens the banner with the desktop's default handler; nothing happens while no banner is set.
    void txtBannerImage_Click();
    // "Make this my &Hompage" on the Page Content tab: the page shown there becomes the homepage.
    // Both values are pending edits of the settings record.
    void btnHompage_Click(const QString& artId, const QString& title);

    // The banner preview: the picture at its natural size. Empty text clears it; a picture that
    // cannot be loaded leaves the previous one.
    void showBanner(const QString& path);

    QLineEdit* txtBanner;           // Banner: full path of the banner graphic
    ClickableLabel* txtBannerImage; // shows the banner graphic
    QPushButton* btnChooseBanner;
    QPushButton* btnCreateBanner;
    QLineEdit* txtHomepage_Title; // homepage_title, for display
    QLineEdit* txtHomepage;       // homepage: ArtID of the homepage page, never shown

    // The highlight group is never shown: its four values are carried unchanged.
    QGroupBox* grpHighlights;
    QComboBox* cmbCatArtLmt;  // Cat_Art_Limit
    QComboBox* cmbCatArtMaj;  // Cat_Art_Maj
    QComboBox* cmbSectArtLmt; // Sect_Art_Limit
    QComboBox* cmbSectArtMaj; // Sect_Art_Maj

    // The control that takes the focus when the tab is chosen.
    QWidget* focusControl() const;

private:
    app::AppState* m_state = nullptr;
    app::UserInterface* m_ui = nullptr;
};

} // namespace qle::ui
