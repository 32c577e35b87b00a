// The "Page Content" tab: the boxes of the page shown, its picture, the formatting toolbar, the
// spelling language, and the "Web Pages" frame with the navigator. The editor host binds the boxes
// and runs the buttons.
#pragma once

#include <QWidget>
#include <array>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace qle::ui {

class ClickableLabel;
class FormatToolbar;
class LanguageBox;

class PageContentTab : public QWidget
{
    Q_OBJECT

public:
    explicit PageContentTab(QWidget* parent = nullptr);

    // txtFields indices 1 to 7: Category, Section, Title, Para, Body, Image, Image_Strap.
    std::array<QWidget*, 8> txtFields {};
    // Category and Section as editable lists of the names already used; their boxes are
    // txtFields 1 and 2.
    QComboBox* cmbCategory;
    QComboBox* cmbSection;
    QLineEdit* txtArtID;    // ArtID of the page shown, never shown
    ClickableLabel* Shape1; // the picture area; a click on it opens the picture, shown or not
    ClickableLabel* imgImage;
    QPushButton* Command1;         // "Choose &Picture ..."
    QPushButton* btnRemovePicture; // "Remo&ve Picture": the page has no picture any more
    FormatToolbar* formatToolbar;  // above First Paragraph and Main Text
    LanguageBox* cmbSpellLanguage; // Spell_Language
    QLabel* lblSpelling;           // why spelling is not checked; hidden while it is
    QPushButton* cmdAdd;
    QPushButton* cmdDelete;
    QPushButton* cmdUndoDelete; // "&Undo Delete", also Ctrl+Z on this tab; enabled after a delete
    QToolButton* btnFirst;
    QToolButton* btnPrevious;
    QToolButton* btnNext;
    QToolButton* btnLast;
    QPushButton* btnHompage;
    QLabel* lblPosition; // the navigator's caption: "Page 3 of 12"

    QWidget* focusControl() const;

    // The picture preview: a picture that fits is shown at its natural size at the frame's top left,
    // a larger one is squeezed to the frame. Empty text or a picture that cannot be loaded shows none.
    void showPicture(const QString& path);

    // The names a list offers, keeping what its box holds.
    static void setNames(QComboBox* box, const QStringList& names);
};

} // namespace qle::ui
