#include "ui/UiTest.h"
#include "ui/windows/frmSplash.h"

#include <QTest>
#include <QTimer>

namespace qle::ui::test {
namespace {

using qle::test::Child;

class SplashTest : public QObject
{
    Q_OBJECT

private slots:
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

    // The close timer, or a window manager's close long before it: the main window comes once.
    void theMainWindowIsShownOnceHoweverTheSplashEnds()
    {
        for (const bool byTimer : {true, false}) {
            int shown = 0;
            frmSplash splash([&shown] { ++shown; });
            splash.show();
            QTimer* closing = Child<QTimer>(splash, "tmrCloseForm");
            if (byTimer) {
                closing->setInterval(10);
                QTRY_COMPARE(shown, 1);
            } else {
                QVERIFY(splash.close());
                QCOMPARE(shown, 1);
                QVERIFY(!closing->isActive());
            }
            QVERIFY(!splash.isVisible());
            splash.tmrCloseForm_Timer();
            QCOMPARE(shown, 1);
        }
    }
};

QLE_UI_SUITE(SplashTest);

} // namespace

} // namespace qle::ui::test

#include "frmSplash_test.moc"
