// The "Colours" tab: the background colour of the left, middle and right panel of each page kind.
#pragma once

#include <QWidget>
#include <array>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QIcon;
class QString;

namespace qle::ui {

class PageStyleBox;

// The colour names the colour boxes offer, in this order.
inline constexpr std::array<const char*, 12> kColourNames = {
    "Black",      "Blue",        "Brown",  "Green", "LightBlue", "LightBrown",
    "LightGreen", "LightOrange", "Orange", "Red",   "White",     "Yellow",
};

// A small square of the colour a page shows for that stored name (empty for an unknown name).
QIcon ColourSwatch(const QString& name);

// Adds the colour names, in order, each with its swatch, to the end of the box's list; the list is not cleared first.
void FillColourList(QComboBox* box);

class ColoursTab : public QWidget
{
    Q_OBJECT

public:
    // Each box lists the colour names once, filled row by row (left, middle, right).
    explicit ColoursTab(QWidget* parent = nullptr);

    // Index = page kind row: 0 category pages, 1 section pages, 2 article pages.
    std::array<QComboBox*, 3> cmbLeftPanelColour {};
    std::array<QComboBox*, 3> cmbMiddlePanelColour {};
    std::array<QComboBox*, 3> cmbRightPanelColour {};

    // The site's page style, "Classic" or "Modern" as stored; the next build uses it.
    PageStyleBox* cmbPageStyle = nullptr;
    // `Picture_Max_Width` (empty: the default) and `Keep_Picture_Metadata`.
    QLineEdit* txtPictureWidth = nullptr;
    QCheckBox* chkKeepMetadata = nullptr;

    // The control that takes the focus when the tab is chosen.
    QWidget* focusControl() const;
};

} // namespace qle::ui
