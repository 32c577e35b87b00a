// The "Colours" tab: the background colour of the left, middle and right panel of each page kind.
#pragma once

#include <QWidget>
#include <array>

class QComboBox;

namespace qle::ui {

class ColoursTab : public QWidget
{
    Q_OBJECT

public:
    explicit ColoursTab(QWidget* parent = nullptr);

    // Index = page kind row: 0 category pages, 1 section pages, 2 article pages.
    std::array<QComboBox*, 3> cmbLeftPanelColour {};
    std::array<QComboBox*, 3> cmbMiddlePanelColour {};
    std::array<QComboBox*, 3> cmbRightPanelColour {};

    // The control that takes the focus when the tab is chosen.
    QWidget* focusControl() const;
};

} // namespace qle::ui
