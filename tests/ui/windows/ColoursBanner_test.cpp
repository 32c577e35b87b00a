#include "app/Folders.h"
#include "app/StartUp.h"
#include "publish/client/SitePassword.h"
#include "store/Database.h"
#include "support/MemoryKeyring.h"
#include "ui/UiTest.h"
#include "ui/editor/BannerTab.h"
#include "ui/editor/ColoursTab.h"
#include "ui/editor/PageContentTab.h"
#include "ui/editor/PageStyleBox.h"
#include "ui/editor/SiteEditorWindow.h"
#include "ui/editor/TextBoxes.h"
#include "ui/editor/ViewTab.h"
#include "ui/models/PagesSource.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWebEngineView>

#include <filesystem>
#include <memory>

namespace qle::ui::test {
namespace {

namespace fs = std::filesystem;
using qle::test::RecordingUi;
using qle::test::TempDir;

// A site file with three pages, the shipped program folder and a base folder of its own.
struct OpenSite
{
    OpenSite()
    {
        fs::create_directories(dir / "base");
        state.programFolder = qle::test::ProgramFolder();
        state.appDatabasePath = state.programFolder + "Quillon Engine.mdb";
        state.options.LocalBaseDir = dir / "base/";
        state.currentSitePath = qle::test::CopyBlankSite(dir / "shop.qls");
        auto db = store::Database::open(state.currentSitePath);
        for (const char* title : {"Welcome", "Opening times", "Prices"})
            (void)db->insert("Articles", {{"Category", "Shop"}, {"Section", "News"}, {"Title", title}});
        // The Classic style, whose bytes these tests check.
        (void)db->execute("UPDATE Options SET Page_Style = 'Classic'");
        open();
    }

    // Loads the editor afresh on the site, as opening a site does.
    void open()
    {
        editor = std::make_unique<SiteEditorWindow>(state, ui, passwords);
        const Status s = editor->bindSite(QString::fromStdString(state.currentSitePath));
        if (!s.ok())
            qFatal("%s", s.message().c_str());
    }

    std::string webFolder() const { return app::WebFolder(dir / "base/"); }

    // "View &Updated Web Site Now!": saves both records and builds the site.
    void build()
    {
        editor->updateSite();
        if (!ui.messages.empty())
            qFatal("build failed: %s", ui.messages.back().text.c_str());
    }

    std::string storedOption(const char* field)
    {
        return qle::test::Rows(state.currentSitePath, std::string("select ") + field + " from Options").at(0);
    }

    TempDir dir;
    app::AppState state;
    RecordingUi ui;
    qle::test::MemoryKeyring keyring;
    publish::SitePasswords passwords {keyring, ui};
    std::unique_ptr<SiteEditorWindow> editor;
};

class ColoursBannerTest : public QObject
{
    Q_OBJECT

private slots:
    void coloursAreListedSavedAsTypedAndBuilt()
    {
        OpenSite site;
        const QStringList expected = {"Black",      "Blue",        "Brown",  "Green", "LightBlue", "LightBrown",
                                      "LightGreen", "LightOrange", "Orange", "Red",   "White",     "Yellow"};
        ColoursTab* tab = site.editor->coloursTab();
        for (std::size_t row = 0; row < 3; ++row) {
            for (QComboBox* box :
                 {tab->cmbLeftPanelColour[row], tab->cmbMiddlePanelColour[row], tab->cmbRightPanelColour[row]}) {
                QStringList items;
                for (int i = 0; i < box->count(); ++i)
                    items << box->itemText(i);
                QCOMPARE(items, expected);
            }
        }
        QCOMPARE(tab->cmbMiddlePanelColour[1]->currentText(), QStringLiteral("White")); // the stored one

        // Typed names are saved as typed, with the record, and used by the next build.
        tab->cmbLeftPanelColour[0]->setCurrentText(QString());
        QTest::keyClicks(tab->cmbLeftPanelColour[0], QStringLiteral("#FFEEDD"));
        tab->cmbRightPanelColour[2]->setCurrentIndex(tab->cmbRightPanelColour[2]->findText("Red"));
        QCOMPARE(tab->cmbLeftPanelColour[0]->count(), 12); // typing adds nothing to the list

        site.build();
        QCOMPARE(site.storedOption("CatPanel0"), std::string("#FFEEDD"));
        QCOMPARE(site.storedOption("DetPanel2"), std::string("Red"));
        QCOMPARE(site.storedOption("SectPanel1"), std::string("White"));
        const std::string category = qle::test::ReadFile(site.webFolder() + "categories/cat-shop.htm");
        QVERIFY2(category.find("BGCOLOR=#FFEEDD") != std::string::npos, category.c_str());
        const std::string article = qle::test::ReadFile(site.webFolder() + "articles/art-1.htm");
        QVERIFY(article.find("BGCOLOR=Red") != std::string::npos);
        QVERIFY(article.find("BGCOLOR=#FFEEDD") == std::string::npos);

        site.open();
        QCOMPARE(site.editor->coloursTab()->cmbLeftPanelColour[0]->currentText(), QStringLiteral("#FFEEDD"));
    }

    void pageStyleChoiceIsSavedAndUsedByTheNextBuild()
    {
        OpenSite site;
        QComboBox* style = site.editor->coloursTab()->cmbPageStyle;
        QCOMPARE(style->currentText(), QStringLiteral("Classic")); // the fixture's
        const std::string page = site.webFolder() + "articles/art-1.htm";

        // Modern without the site's address: the pages, and a warning that names the missing field.
        style->setCurrentIndex(style->findText(QStringLiteral("Modern")));
        site.build();
        QCOMPARE(site.storedOption("Page_Style"), std::string("Modern"));
        QPushButton* warnings = site.editor->viewTab()->btnWarnings;
        QVERIFY(!warnings->isHidden());
        QTest::mouseClick(warnings, Qt::LeftButton);
        QCOMPARE(site.ui.messages.size(), std::size_t(1));
        QVERIFY2(site.ui.messages[0].text.find("Your Home Page") != std::string::npos,
                 site.ui.messages[0].text.c_str());
        QCOMPARE(qle::test::ReadFile(page).substr(0, 15), std::string("<!DOCTYPE html>"));

        // With an address there is nothing to warn about.
        site.ui.messages.clear();
        qle::test::Child<QLineEdit>(*site.editor, "txtFields_12")->setText(QStringLiteral("https://example.org/shop/"));
        site.build();
        QVERIFY(warnings->isHidden());

        // A value written by hand is shown, and saved, as the style it means.
        for (const auto& [stored, shown] :
             {std::pair {"modern ", "Modern"}, {"", "Classic"}, {"Fancy", "Classic"}, {"MODERN", "Modern"}}) {
            auto db = store::Database::open(site.state.currentSitePath);
            QVERIFY(db->execute("UPDATE Options SET Page_Style = ?", {std::string(stored)}).ok());
            site.open();
            QCOMPARE(site.editor->coloursTab()->cmbPageStyle->currentText(), QString::fromLatin1(shown));
            site.build();
            QCOMPARE(site.storedOption("Page_Style"), std::string(shown));
        }
        style = site.editor->coloursTab()->cmbPageStyle;
        QCOMPARE(style->currentText(), QStringLiteral("Modern"));
        style->setCurrentIndex(style->findText(QStringLiteral("Classic")));
        site.build();
        QCOMPARE(qle::test::ReadFile(page).substr(0, 8), std::string("<HTML>\r\n"));
    }

    void pictureSettingsAreSavedAsTheBuildReadsThem()
    {
        OpenSite site;
        ColoursTab* tab = site.editor->coloursTab();
        QCOMPARE(tab->txtPictureWidth->text(), QStringLiteral("1600")); // the template's
        QVERIFY(!tab->chkKeepMetadata->isChecked());
        tab->txtPictureWidth->setText(QStringLiteral("800"));
        tab->chkKeepMetadata->setChecked(true);
        site.build();
        QCOMPARE(site.storedOption("Picture_Max_Width"), std::string("800"));
        QCOMPARE(site.storedOption("Keep_Picture_Metadata"), std::string("1"));
        // An older site's empty fields read as the defaults and stay empty.
        auto db = store::Database::open(site.state.currentSitePath);
        QVERIFY(db->execute("UPDATE Options SET Picture_Max_Width = NULL, Keep_Picture_Metadata = NULL").ok());
        site.open();
        QCOMPARE(site.editor->coloursTab()->txtPictureWidth->placeholderText(), QStringLiteral("1600"));
        QVERIFY(!site.editor->coloursTab()->chkKeepMetadata->isChecked());
        site.build();
        QCOMPARE(site.storedOption("Picture_Max_Width"), std::string(""));
    }

    void chosenBannerIsCopiedShownAndSaved()
    {
        OpenSite site;
        const std::string picked = qle::test::ProgramFolder() + "default_banner.gif";
        site.ui.fileAnswers = {picked};
        BannerTab* tab = site.editor->bannerTab();
        QTest::mouseClick(tab->btnChooseBanner, Qt::LeftButton);

        const std::string copy = site.dir / "base/LocalImages/default_banner.gif";
        QCOMPARE(tab->txtBanner->text().toStdString(), copy);
        QVERIFY(fs::exists(copy));
        QCOMPARE(tab->txtBannerImage->pixmap().size(), QSize(600, 80)); // natural size
        QVERIFY(!tab->txtBannerImage->hasScaledContents());

        site.build();
        QCOMPARE(site.storedOption("Banner"), copy);
        QVERIFY(fs::exists(site.webFolder() + "images/default_banner.gif"));
        QVERIFY(qle::test::ReadFile(site.webFolder() + "articles/art-1.htm").find("default_banner.gif") !=
                std::string::npos);

        QTest::mouseClick(tab->txtBannerImage, Qt::LeftButton);
        QCOMPARE(site.ui.opened, std::vector<std::string> {copy});

        // Opening the site again shows the stored banner.
        site.open();
        QCOMPARE(site.editor->bannerTab()->txtBannerImage->pixmap().size(), QSize(600, 80));
    }

    void bannerPreviewFollowsTheBox()
    {
        OpenSite site;
        BannerTab* tab = site.editor->bannerTab();
        tab->txtBanner->setText(QString::fromStdString(qle::test::ProgramFolder() + "qle_logo.bmp"));
        QCOMPARE(tab->txtBannerImage->pixmap().size(), QSize(120, 60));
        tab->txtBanner->setText(QStringLiteral("/no/such/banner.gif"));
        QCOMPARE(tab->txtBannerImage->pixmap().size(), QSize(120, 60)); // the previous picture stays
        tab->txtBanner->clear();
        QVERIFY(tab->txtBannerImage->pixmap().isNull());

        QTest::mouseClick(tab->txtBannerImage, Qt::LeftButton);
        QVERIFY(site.ui.opened.empty()); // no banner set: nothing to open
        QVERIFY(site.ui.messages.empty());
    }

    void newBannerIsTheTemplateInTheLocalImagesFolder()
    {
        OpenSite site;
        site.ui.fileAnswers = {site.dir / "base/LocalImages/Spring.gif"};
        BannerTab* tab = site.editor->bannerTab();
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QByteArray::fromStdString(site.dir.path())); // no picture editor
        QTest::mouseClick(tab->btnCreateBanner, Qt::LeftButton);
        qputenv("PATH", path);

        const std::string banner = site.dir / "base/LocalImages/Spring.gif";
        QCOMPARE(site.ui.fileChoices.back().initialFolder, site.dir / "base/LocalImages");
        QCOMPARE(tab->txtBanner->text().toStdString(), banner);
        QCOMPARE(qle::test::ReadFile(banner), qle::test::ReadFile(qle::test::ProgramFolder() + "default_banner.gif"));
        QCOMPARE(site.ui.opened, std::vector<std::string> {banner});
        QCOMPARE(tab->txtBannerImage->pixmap().size(), QSize(600, 80));
    }

    void homepageButtonThenBuildShowsThatPage()
    {
        OpenSite site;
        PageContentTab* page = site.editor->pageContentTab();
        QVERIFY(site.editor->datPrimaryRS()->moveNext().ok());
        const QString artId = page->txtArtID->text();
        QVERIFY(!artId.isEmpty());
        QTest::mouseClick(page->btnHompage, Qt::LeftButton);

        BannerTab* tab = site.editor->bannerTab();
        QCOMPARE(tab->txtHomepage->text(), artId);
        QCOMPARE(tab->txtHomepage_Title->text(), QStringLiteral("Opening times"));
        QVERIFY(!tab->txtHomepage->isVisibleTo(tab));

        site.build();
        QCOMPARE(site.storedOption("homepage"), artId.toStdString());
        QCOMPARE(site.storedOption("homepage_title"), std::string("Opening times"));
        QWebEngineView* browser = site.editor->viewTab()->WebBrowser1();
        QVERIFY(browser);
        QCOMPARE(browser->url(), QUrl::fromLocalFile(QString::fromStdString(site.webFolder() + "articles/art-" +
                                                                            artId.toStdString() + ".htm")));
    }
};

QLE_UI_SUITE(ColoursBannerTest);

} // namespace

} // namespace qle::ui::test

#include "ColoursBanner_test.moc"
