#include "app/UserInterface.h"
#include "app/Version.h"
#include "ui/UiTest.h"
#include "ui/windows/Logo.h"
#include "ui/windows/Twips.h"
#include "ui/windows/frmSplash.h"

#include <QLabel>
#include <QTest>
#include <QTimer>

namespace qle::ui::test {
namespace {

using qle::test::Child;

class SplashTest : public QObject
{
    Q_OBJECT

private slots:
    void loadSetsTheLabelsAndStartsBothTimers()
    {
        frmSplash splash([] {});
        QCOMPARE(Child<QLabel>(splash, "lblCompanyProduct")->text(), QStringLiteral("Brightlane"));
        QCOMPARE(Child<QLabel>(splash, "lblProductName")->text(), QStringLiteral("Quillon Engine"));
        QCOMPARE(Child<QLabel>(splash, "lblVersion")->text(), QString::fromUtf8(app::kVersionText));
        QVERIFY(Child<QLabel>(splash, "lblVersion")->alignment().testFlag(Qt::AlignRight));
        QVERIFY(!Child<QLabel>(splash, "imgLogo")->pixmap().isNull());
        QVERIFY(!ProgramIcon().isNull());
        const int dpi = splash.logicalDpiX();
        QCOMPARE(splash.width(), TwipsToPixels(7380, dpi));
        QCOMPARE(splash.height(), TwipsToPixels(5550, dpi));

        QTimer* moving = Child<QTimer>(splash, "tmrMovingText");
        QTimer* closing = Child<QTimer>(splash, "tmrCloseForm");
        QVERIFY(moving->isActive() && closing->isActive());
        QCOMPARE(moving->interval(), 40);
        QCOMPARE(closing->interval(), 8000);
    }

    void revealTakesSixteenAndFifteenTicks()
    {
        frmSplash splash([] {});
        QCOMPARE(splash.companyProductWidth(), 0);
        QCOMPARE(splash.productNameWidth(), 0);
        QCOMPARE(Child<QLabel>(splash, "lblCompanyProduct")->width(), 0);

        int companyTicks = 0;
        int productTicks = 0;
        for (int tick = 1; tick <= 20; ++tick) {
            splash.tmrMovingText_Timer();
            if (companyTicks == 0 && splash.companyProductWidth() >= frmSplash::kCompanyProductWidth)
                companyTicks = tick;
            if (productTicks == 0 && splash.productNameWidth() >= frmSplash::kProductNameWidth)
                productTicks = tick;
        }
        QCOMPARE(companyTicks, 16);
        QCOMPARE(productTicks, 15);
        // The last step passes the target and later ticks change nothing.
        QCOMPARE(splash.companyProductWidth(), 2080);
        QCOMPARE(splash.productNameWidth(), 4800);
        const int dpi = splash.logicalDpiX();
        QCOMPARE(Child<QLabel>(splash, "lblCompanyProduct")->width(), TwipsToPixels(2080, dpi));
        QCOMPARE(Child<QLabel>(splash, "lblProductName")->width(), TwipsToPixels(4800, dpi));
    }

    void ctrlXShowsTheMainWindowAtOnce()
    {
        int shown = 0;
        frmSplash splash([&shown] { ++shown; });
        splash.show();
        QVERIFY(QTest::qWaitForWindowExposed(&splash));

        QTest::keyClick(&splash, Qt::Key_A);
        QTest::keyClick(&splash, Qt::Key_X);
        QTest::keyClick(&splash, Qt::Key_Escape);
        QCOMPARE(shown, 0);
        QVERIFY(splash.isVisible());

        QTest::keyClick(&splash, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(shown, 1);
        QVERIFY(!splash.isVisible());
        QVERIFY(!Child<QTimer>(splash, "tmrCloseForm")->isActive());

        splash.tmrCloseForm_Timer();
        QCOMPARE(shown, 1);
    }

    void closeTimerShowsTheMainWindowOnce()
    {
        int shown = 0;
        frmSplash splash([&shown] { ++shown; });
        splash.show();
        Child<QTimer>(splash, "tmrCloseForm")->setInterval(10);
        QTRY_COMPARE(shown, 1);
        QVERIFY(!splash.isVisible());
        QTest::qWait(50);
        QCOMPARE(shown, 1);
    }

    void closedEarlyStillShowsTheMainWindowOnce()
    {
        int shown = 0;
        frmSplash splash([&shown] { ++shown; });
        splash.show();
        // A window manager's close, long before the timer.
        QVERIFY(splash.close());
        QCOMPARE(shown, 1);
        QVERIFY(!Child<QTimer>(splash, "tmrCloseForm")->isActive());
        splash.tmrCloseForm_Timer();
        QCOMPARE(shown, 1);
    }
};

QLE_UI_SUITE(SplashTest);

} // namespace

} // namespace qle::ui::test

#include "frmSplash_test.moc"
