#include "UiTest.h"
#include "app/Folders.h"
#include "store/Database.h"
#include "ui/MainWindow.h"
#include "ui/editor/BannerTab.h"
#include "ui/editor/ColoursTab.h"
#include "ui/editor/PageContentTab.h"
#include "ui/editor/SiteEditorWindow.h"
#include "ui/editor/TextBoxes.h"
#include "ui/editor/ViewTab.h"
#include "ui/models/PagesSource.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

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

    void enterPressesTheFocusedButton()
    {
        UiFixture f("Shop.QLS");
        f.window->show();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        ui::SiteEditorWindow& editor = f.editor();
        ui::PageContentTab* tab = editor.pageContentTab();
        editor.setFieldText(3, QStringLiteral("first"));
        // Enter on "&Add New Page" adds a page; it does not view the site.
        tab->cmdAdd->setFocus();
        QTest::keyClick(tab->cmdAdd, Qt::Key_Return);
        QCOMPARE(Rows(f.site, "select Title from Articles"), Strings({"first"}));
        QVERIFY(editor.datPrimaryRS()->isNewPage());
        QVERIFY(f.recorder.opened.empty());
        // The navigator's buttons too.
        tab->btnFirst->setFocus();
        QTest::keyClick(tab->btnFirst, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(editor.fieldText(3), QStringLiteral("first"));
        QVERIFY(f.recorder.opened.empty());
        // Outside a button, Enter still goes to the default button.
        editor.txtFields(1)->setFocus();
        QTest::keyClick(editor.txtFields(1), Qt::Key_Return);
        QCOMPARE(f.recorder.opened.size(), std::size_t(1));
    }

    void tabFollowsTheScreenOrder()
    {
        UiFixture f("Shop.QLS");
        f.window->show();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        ui::SiteEditorWindow& editor = f.editor();
        const std::pair<ui::SiteEditorWindow::Tab, QStringList> tabs[] = {
            {ui::SiteEditorWindow::PageContent,
             {"txtFields_1", "txtFields_2", "txtFields_3", "Command1", "txtFields_6", "cmdAdd", "cmdDelete", "btnFirst",
              "btnPrevious", "btnNext", "btnLast", "btnHompage", "txtFields_7", "txtFields_4", "txtFields_5"}},
            {ui::SiteEditorWindow::Colours,
             {"cmbLeftPanelColour_0", "cmbMiddlePanelColour_0", "cmbRightPanelColour_0", "cmbLeftPanelColour_1",
              "cmbMiddlePanelColour_1", "cmbRightPanelColour_1", "cmbLeftPanelColour_2", "cmbMiddlePanelColour_2",
              "cmbRightPanelColour_2"}},
            {ui::SiteEditorWindow::BannerHomepage, {"btnChooseBanner", "btnCreateBanner", "txtHomepage_Title"}},
            {ui::SiteEditorWindow::Publish,
             {"btnPublish", "cmbProvider", "Command3", "btnGetWebAddress", "txtFields_9", "txtFields_10", "txtFields_8",
              "txtFields_11", "txtFields_13", "txtFields_12", "Command2"}},
        };
        for (const auto& [index, expected] : tabs) {
            editor.selectTab(index);
            QWidget* page = editor.SSTab1()->widget(index);
            QStringList order;
            for (int i = 0; i < expected.size(); ++i) {
                QWidget* focus = QApplication::focusWidget();
                // A combo box's line edit stands for the box.
                while (focus && focus->objectName().isEmpty())
                    focus = focus->parentWidget();
                QVERIFY(focus && page->isAncestorOf(focus));
                order << focus->objectName();
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            }
            QCOMPARE(order, expected);
        }
    }

    void passwordIsMaskedWithStars()
    {
        UiFixture f("Shop.QLS");
        auto* password = qobject_cast<QLineEdit*>(f.editor().txtFields(10));
        TypeText(password, QStringLiteral("s3cret"));
        QCOMPARE(password->displayText(), QStringLiteral("******"));
        QCOMPARE(password->text(), QStringLiteral("s3cret"));
    }

    void clickingAMissingPictureOrBannerSaysItIsGone()
    {
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        f.window->show();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        const std::string gone = f.baseFolder() + "LocalImages/gone.jpg";
        editor.setFieldText(6, QString::fromStdString(gone));
        editor.bannerTab()->txtBanner->setText(QString::fromStdString(gone));
        f.recorder.openSucceeds = false;

        ui::PageContentTab* tab = editor.pageContentTab();
        QVERIFY(tab->imgImage->isHidden());
        QTest::mouseClick(tab->Shape1, Qt::LeftButton, {}, QPoint(20, 20));
        editor.selectTab(ui::SiteEditorWindow::BannerHomepage);
        ui::ClickableLabel* banner = editor.bannerTab()->txtBannerImage;
        QVERIFY(banner->isVisible() && banner->height() > 0);
        QTest::mouseClick(banner, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(f.recorder.messages.size(), std::size_t(2));
        for (const auto& message : f.recorder.messages) {
            QCOMPARE(message.text, "File " + gone + " could not be found");
            QCOMPARE(message.title, std::string("Third Party Software not found"));
        }
        QVERIFY(f.recorder.opened.empty());
    }
};

QLE_UI_SUITE(DesktopTest);

} // namespace

} // namespace qle::test

#include "Desktop_test.moc"
