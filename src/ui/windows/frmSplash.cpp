#include "ui/windows/frmSplash.h"

#include "app/UserInterface.h"
#include "app/Version.h"
#include "ui/windows/Logo.h"
#include "ui/windows/Twips.h"
#include "ui/windows/WindowFonts.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>

namespace qle::ui {

namespace {

constexpr int kCharCtrlX = 24;

QLabel* MakeLabel(QWidget* parent, const char* name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

} // namespace

frmSplash::frmSplash(std::function<void()> showMainWindow, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
    , m_showMainWindow(std::move(showMainWindow))
    , imgLogo(MakeLabel(this, "imgLogo"))
    , lblCompanyProduct(MakeLabel(this, "lblCompanyProduct"))
    , lblProductName(MakeLabel(this, "lblProductName"))
    , lblVersion(MakeLabel(this, "lblVersion"))
    , tmrMovingText(new QTimer(this))
    , tmrCloseForm(new QTimer(this))
{
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QString::fromUtf8(app::kProgramTitle));
    setFocusPolicy(Qt::StrongFocus);

    QPalette silver = palette();
    silver.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    silver.setColor(QPalette::WindowText, Qt::black);
    setPalette(silver);
    setAutoFillBackground(true);

    const int dpi = logicalDpiX();
    setFixedSize(TwipsToPixels(kClientWidth, dpi), TwipsToPixels(kClientHeight, dpi));

    // Made first, so that it lies under the labels.
    auto* fraMainFrame = new QFrame(this);
    fraMainFrame->setObjectName(QStringLiteral("fraMainFrame"));
    fraMainFrame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    fraMainFrame->setLineWidth(2);
    fraMainFrame->setGeometry(TwipsRect(60, 60, kClientWidth - 120, kClientHeight - 120, dpi));
    fraMainFrame->lower();

    imgLogo->setPixmap(LogoPixmap());
    imgLogo->setScaledContents(true);
    imgLogo->setGeometry(TwipsRect(2790, 2100, 1800, 900, dpi));

    lblCompanyProduct->setText(QStringLiteral("Brightlane"));
    lblCompanyProduct->setFont(HandwritingFont(18));
    QPalette blueOnSilver = silver;
    blueOnSilver.setColor(QPalette::WindowText, Qt::blue);
    lblCompanyProduct->setPalette(blueOnSilver);

    lblProductName->setFont(HandwritingFont(21.75));
    QPalette red = silver;
    red.setColor(QPalette::WindowText, Qt::red);
    lblProductName->setPalette(red);

    lblVersion->setFont(PlainSansFont(9.75));
    lblVersion->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblVersion->setGeometry(TwipsRect(240, 4560, kClientWidth - 2 * 240, 300, dpi));

    tmrMovingText->setObjectName(QStringLiteral("tmrMovingText"));
    tmrMovingText->setInterval(kMovingTextInterval);
    connect(tmrMovingText, &QTimer::timeout, this, &frmSplash::tmrMovingText_Timer);
    tmrCloseForm->setObjectName(QStringLiteral("tmrCloseForm"));
    tmrCloseForm->setInterval(kCloseFormInterval);
    connect(tmrCloseForm, &QTimer::timeout, this, &frmSplash::tmrCloseForm_Timer);

    Form_Load();
    tmrMovingText->start();
    tmrCloseForm->start();
}

void frmSplash::Form_Load()
{
    // The reveal targets are the designed widths; both labels start with nothing showing.
    applyWidths();
    lblVersion->setText(QString::fromUtf8(app::kVersionText));
    lblProductName->setText(QString::fromUtf8(app::kProgramTitle));
}

void frmSplash::applyWidths()
{
    // Labels clip their caption at their right edge, so the width alone decides how much shows.
    const int dpi = logicalDpiX();
    lblCompanyProduct->setGeometry(TwipsRect(195, 330, m_companyProduct.width(), 480, dpi));
    lblProductName->setGeometry(TwipsRect(360, 765, m_productName.width(), 600, dpi));
}

void frmSplash::tmrMovingText_Timer()
{
    m_companyProduct.tick();
    m_productName.tick();
    applyWidths();
}

void frmSplash::tmrCloseForm_Timer()
{
    tmrCloseForm->stop();
    if (m_closing)
        return;
    finish();
    close();
}

void frmSplash::finish()
{
    m_closing = true;
    tmrCloseForm->stop();
    if (m_showMainWindow)
        m_showMainWindow();
}

void frmSplash::closeEvent(QCloseEvent* event)
{
    if (!m_closing)
        finish();
    QWidget::closeEvent(event);
}

void frmSplash::keyPressEvent(QKeyEvent* event)
{
    const bool ctrlX = event->text() == QString(QChar(kCharCtrlX)) ||
                       (event->key() == Qt::Key_X && event->modifiers().testFlag(Qt::ControlModifier));
    if (ctrlX)
        tmrCloseForm_Timer();
}

void frmSplash::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Ctrl+X only works while the splash has the keyboard.
    activateWindow();
    setFocus();
}

} // namespace qle::ui
