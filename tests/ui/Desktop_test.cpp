#include "UiTest.h"
#include "app/Folders.h"
#include "store/Database.h"
#include "ui/MainWindow.h"
#include "ui/editor/ColoursTab.h"
#include "ui/editor/SiteEditorWindow.h"
#include "ui/editor/ViewTab.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>

namespace qle::test {

namespace {

using Strings = std::vector<std::string>;

// The editor as today's desktop expects it: colours that show, keys and clicks that do what they say.
class DesktopTest : public QObject
{
    Q_OBJECT

private slots:
    void colourBoxesShowTheColourThePageGets()
    {
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        QComboBox* box = editor.coloursTab()->cmbLeftPanelColour[2];
        const std::pair<const char*, QColor> swatches[] = {
            {"LightOrange", QColor(0xFF, 0xD5, 0x80)},
            {"LightBrown", QColor(0xC4, 0xA4, 0x84)},
            {"LightBlue", QColor(QStringLiteral("lightblue"))},
            {"Black", QColor(Qt::black)},
        };
        for (const auto& [name, colour] : swatches) {
            const int index = box->findText(QString::fromLatin1(name));
            QVERIFY2(index >= 0, name);
            const QImage swatch = box->itemIcon(index).pixmap(16, 16).toImage();
            QCOMPARE(swatch.pixelColor(8, 8), colour);
        }

        // A built article page with LightOrange panels shows a colour browsers know.
        editor.setFieldText(3, QStringLiteral("Orange page"));
        box->setCurrentIndex(box->findText(QStringLiteral("LightOrange")));
        editor.viewTab()->btnUpdateWeb->click();
        QCOMPARE(Rows(f.site, "select DetPanel0 from Options"), Strings({"LightOrange"}));
        const std::string page = ReadFile(app::WebFolder(f.baseFolder()) + "articles/art-1.htm");
        QVERIFY2(page.find("<TD BGCOLOR=#FFD580>") != std::string::npos, page.c_str());
    }
};

QLE_UI_SUITE(DesktopTest);

} // namespace

} // namespace qle::test

#include "Desktop_test.moc"
