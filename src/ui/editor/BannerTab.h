// The "Banner && Homepage" tab: the banner graphic and the homepage of the site.
#pragma once

#include <QWidget>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qle::ui {

class BannerTab : public QWidget
{
    Q_OBJECT

public:
    explicit BannerTab(QWidget* parent = nullptr);

    QLineEdit* txtBanner;   // Banner: full path of the banner graphic
    QLabel* txtBannerImage; // shows the banner graphic
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
};

} // namespace qle::ui
