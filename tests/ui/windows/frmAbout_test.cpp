#include "ui/UiTest.h"
#include "ui/windows/frmAbout.h"

#include <QPushButton>
#include <QTest>

namespace qle::ui::test {
namespace {

using qle::test::Child;

class AboutTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_savedPath = qgetenv("PATH"); }
    void cleanup() { qputenv("PATH", m_savedPath); }

    // Which tool is chosen is tested with the look-up itself; here, that the button reaches it.
    void sysInfoWithoutAToolSaysItIsUnavailable()
    {
        qle::test::TempDir bin;
        qputenv("PATH", QByteArray::fromStdString(bin.path()));
        qle::test::RecordingUi ui;
        frmAbout about(ui);
        QTest::mouseClick(Child<QPushButton>(about, "cmdSysInfo"), Qt::LeftButton);
        QCOMPARE(ui.messages.size(), std::size_t(1));
        QCOMPARE(ui.messages[0].text, std::string("System Information Is Unavailable At This Time"));
        QCOMPARE(ui.messages[0].title, std::string("Quillon Engine"));
        QCOMPARE(ui.messages[0].icon, app::MessageIcon::None);
        QVERIFY(ui.started.empty());
    }

private:
    QByteArray m_savedPath;
};

QLE_UI_SUITE(AboutTest);

} // namespace

} // namespace qle::ui::test

#include "frmAbout_test.moc"
