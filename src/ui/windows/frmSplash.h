// The first window: maker, product and version with a reveal animation, then the main window.
#pragma once

#include "ui/windows/RevealWidth.h"

#include <QWidget>

#include <functional>

class QLabel;
class QTimer;

namespace qle::ui {

class frmSplash : public QWidget
{
    Q_OBJECT

public:
    // Designed layout, in twips.
    static constexpr int kClientWidth = 7380;
    static constexpr int kClientHeight = 5550;
    static constexpr int kCompanyProductWidth = 2040;
    static constexpr int kProductNameWidth = 4755;
    static constexpr int kCompanyProductStep = 130;
    static constexpr int kProductNameStep = 320;
    static constexpr int kMovingTextInterval = 40;  // ms
    static constexpr int kCloseFormInterval = 8000; // ms

    // `showMainWindow` runs once, when the splash closes. Both timers run from construction.
    explicit frmSplash(std::function<void()> showMainWindow, QWidget* parent = nullptr);

    // Widths of the two animated labels, in twips.
    int companyProductWidth() const { return m_companyProduct.width(); }
    int productNameWidth() const { return m_productName.width(); }

    // One step of the reveal animation.
    void tmrMovingText_Timer();
    // Stops the close timer, shows the main window and closes the splash; later calls do nothing.
    void tmrCloseForm_Timer();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // Closed early (a window manager's close): the main window still comes up.
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void Form_Load();
    void applyWidths();
    // Shows the main window, once.
    void finish();

    std::function<void()> m_showMainWindow;
    RevealWidth m_companyProduct {kCompanyProductWidth, kCompanyProductStep};
    RevealWidth m_productName {kProductNameWidth, kProductNameStep};
    bool m_closing = false;

    QLabel* imgLogo;
    QLabel* lblCompanyProduct;
    QLabel* lblProductName;
    QLabel* lblVersion;
    QTimer* tmrMovingText;
    QTimer* tmrCloseForm;
};

} // namespace qle::ui
