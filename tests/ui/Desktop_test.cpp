#include "UiTest.h"
#include "app/Folders.h"
#include "store/Database.h"
#include "ui/MainWindow.h"
#include "ui/editor/BannerTab.h"
#include "ui/editor/ColoursTab.h"
#include "ui/editor/PageContentTab.h"
#include "ui/editor/PageStyleBox.h"
#include "ui/editor/SiteEditorWindow.h"
#include "ui/editor/TextBoxes.h"
#include "ui/editor/ViewTab.h"
#include "ui/models/PagesSource.h"

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
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

        // A built Classic article page with LightOrange panels shows a colour browsers know.
        editor.coloursTab()->cmbPageStyle->setStyleName(QStringLiteral("Classic"));
        editor.setFieldText(3, QStringLiteral("Orange page"));
        box->setCurrentIndex(box->findText(QStringLiteral("LightOrange")));
        editor.viewTab()->btnUpdateWeb->click();
        QCOMPARE(Rows(f.site, "select DetPanel0 from Options"), Strings({"LightOrange"}));
        const std::string page = ReadFile(app::WebFolder(f.baseFolder()) + "articles/art-1.htm");
        QVERIFY2(page.find("<TD BGCOLOR=#FFD580>") != std::string::npos, page.c_str());
    }

    void homepageTitleFollowsTheFallbackPage()
    {
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        ui::PageContentTab* tab = editor.pageContentTab();
        AddPages(editor, {"Welcome", "News"});
        tab->btnLast->click();
        tab->btnHompage->click();
        QCOMPARE(editor.bannerTab()->txtHomepage_Title->text(), QStringLiteral("News"));
        // The homepage is deleted; the build falls back to the lowest page, and the title box says so.
        f.recorder.yesNoAnswers = {true};
        tab->cmdDelete->click();
        editor.viewTab()->btnUpdateWeb->click();
        QCOMPARE(editor.bannerTab()->txtHomepage_Title->text(), QStringLiteral("Welcome"));
        QCOMPARE(Rows(f.site, "select homepage, homepage_title from Options"), Strings({"1|Welcome"}));
    }

    void enterPressesTheFocusedButton()
    {
        UiFixture f("Shop.QLS");
        QVERIFY(f.showActive());
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
    }

    void tabFollowsTheScreenOrder()
    {
        UiFixture f("Shop.QLS");
        QVERIFY(f.showActive());
        ui::SiteEditorWindow& editor = f.editor();
        const std::pair<ui::SiteEditorWindow::Tab, QStringList> tabs[] = {
            {ui::SiteEditorWindow::PageContent,
             {"cmbCategory", "cmbSection", "txtFields_3", "Command1", "btnRemovePicture", "txtFields_7", "txtFields_4",
              "txtFields_5", "cmdAdd", "cmdDelete", "btnFirst", "btnPrevious", "btnNext", "btnLast", "btnHompage",
              "cmbSpellLanguage"}},
            {ui::SiteEditorWindow::Colours,
             {"cmbLeftPanelColour_0", "cmbMiddlePanelColour_0", "cmbRightPanelColour_0", "cmbLeftPanelColour_1",
              "cmbMiddlePanelColour_1", "cmbRightPanelColour_1", "cmbLeftPanelColour_2", "cmbMiddlePanelColour_2",
              "cmbRightPanelColour_2"}},
            {ui::SiteEditorWindow::BannerHomepage, {"btnChooseBanner", "btnCreateBanner", "txtHomepage_Title"}},
            {ui::SiteEditorWindow::ViewSite, {"btnUpdateWeb"}},
            {ui::SiteEditorWindow::Publish,
             {"btnPublish", "cmbProvider", "Command3", "btnGetWebAddress", "txtFields_9", "txtFields_10",
              "chkPasswordInFile", "txtFields_8", "txtFields_11", "txtFields_13", "txtFields_12", "Command2"}},
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

    void navigatorSaysWhereTheAuthorIs()
    {
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        ui::PageContentTab* tab = editor.pageContentTab();
        QCOMPARE(tab->lblPosition->text(), QStringLiteral("New page (0 stored)"));
        AddPages(editor, {"one", "two", "three"});
        QCOMPARE(tab->lblPosition->text(), QStringLiteral("New page (3 stored)"));
        tab->btnPrevious->click();
        QCOMPARE(tab->lblPosition->text(), QStringLiteral("Page 3 of 3"));
        tab->btnFirst->click();
        tab->btnNext->click();
        QCOMPARE(tab->lblPosition->text(), QStringLiteral("Page 2 of 3"));
        // A new page stored by a build counts at once.
        tab->cmdAdd->click();
        editor.setFieldText(3, QStringLiteral("four"));
        editor.commitEdits(generator::SiteEditor::DataSource::Pages);
        QCOMPARE(tab->lblPosition->text(), QStringLiteral("Page 4 of 4"));
        f.recorder.yesNoAnswers = {true};
        tab->cmdDelete->click();
        QCOMPARE(tab->lblPosition->text(), QStringLiteral("Page 3 of 3"));
    }

    void editorFillsTheWindowAndScrollsWhenSmall()
    {
        UiFixture f("Shop.QLS");
        f.window->resize(1600, 1000);
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        ui::SiteEditorWindow& editor = f.editor();
        QWidget* frame = editor.parentWidget();
        const auto fills = [&] {
            return frame->geometry() == QRect(QPoint(0, 0), f.window->mdiArea()->viewport()->size());
        };
        QTRY_VERIFY(fills());
        const int bodyHeight = editor.txtFields(5)->height();
        const int bodyWidth = editor.txtFields(5)->width();

        f.window->resize(1000, 700);
        QTRY_VERIFY(fills());
        QTRY_VERIFY(editor.txtFields(5)->height() < bodyHeight);
        QVERIFY(editor.txtFields(5)->width() < bodyWidth);

        // Too small for the tab: it scrolls, and the controls keep their size.
        f.window->resize(500, 380);
        QTRY_VERIFY(fills());
        auto* scroll = qobject_cast<QScrollArea*>(editor.SSTab1()->currentWidget());
        QVERIFY(scroll);
        QTRY_VERIFY(scroll->verticalScrollBar()->maximum() > 0);
        QVERIFY(editor.pageContentTab()->height() >= editor.pageContentTab()->minimumSizeHint().height());
    }

    void previewShowsPngWebpAndSvgInAnyLetterCase()
    {
        TempDir dir;
        QImage image(30, 20, QImage::Format_RGB32);
        image.fill(Qt::blue);
        QVERIFY(image.save(QString::fromStdString(dir / "rose.PNG"), "PNG"));
        QVERIFY2(image.save(QString::fromStdString(dir / "rose.WebP"), "WEBP"), "no WebP image plugin");
        WriteFile(dir / "rose.Svg", "<svg xmlns='http://www.w3.org/2000/svg' width='30' height='20'>"
                                    "<rect width='30' height='20' fill='blue'/></svg>");
        ui::PageContentTab tab;
        for (const char* name : {"rose.PNG", "rose.WebP", "rose.Svg"}) {
            tab.showPicture(QString::fromStdString(dir / name));
            QVERIFY2(!tab.imgImage->isHidden(), name);
            QCOMPARE(tab.imgImage->size(), QSize(30, 20));
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
        QVERIFY(f.showActive());
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
