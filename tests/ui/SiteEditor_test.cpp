#include "UiTest.h"
#include "app/Banner.h"
#include "app/Folders.h"
#include "store/Database.h"
#include "ui/MainWindow.h"
#include "ui/editor/BannerTab.h"
#include "ui/editor/ColoursTab.h"
#include "ui/editor/PageContentTab.h"
#include "ui/editor/PublishTab.h"
#include "ui/editor/SiteEditorWindow.h"
#include "ui/editor/TextBoxes.h"
#include "ui/editor/ViewTab.h"
#include "ui/models/PagesSource.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

namespace qle::test {

namespace {

using Strings = std::vector<std::string>;

Strings Pages(const std::string& site)
{
    return Rows(site, "select ArtID, Category, Section, Title from Articles order by ArtID");
}

void FillPage(ui::SiteEditorWindow& editor, const QString& category, const QString& section, const QString& title)
{
    editor.setFieldText(1, category);
    editor.setFieldText(2, section);
    editor.setFieldText(3, title);
}

void WritePicture(const std::string& path, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(QString::fromStdString(path)));
}

// The site editor driven through its widgets: pages, pictures, tabs and the saving moments.
class SiteEditorTest : public QObject
{
    Q_OBJECT

private slots:
    void fieldLimits()
    {
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        const std::pair<int, int> limits[] = {{0, 50}, {1, 50},  {2, 50},  {3, 50},   {7, 255}, {8, 50},
                                              {9, 50}, {10, 50}, {11, 50}, {12, 255}, {13, 50}};
        for (const auto& [index, max] : limits)
            QCOMPARE(qobject_cast<QLineEdit*>(editor.txtFields(index))->maxLength(), max);
        QCOMPARE(qobject_cast<QLineEdit*>(editor.txtFields(10))->echoMode(), QLineEdit::Password);
        QVERIFY(editor.txtFields(0)->isHidden());
        QVERIFY(editor.bannerTab()->txtHomepage->isHidden());
        QVERIFY(editor.bannerTab()->grpHighlights->isHidden());

        // The several-line First Paragraph box keeps to 255 characters, typed or pasted.
        auto* para = qobject_cast<QPlainTextEdit*>(editor.txtFields(4));
        para->setPlainText(QString(300, QLatin1Char('x')));
        QCOMPARE(para->toPlainText().size(), 255);
    }

    void pagesAreSavedAtEachMove()
    {
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        ui::PageContentTab* tab = editor.pageContentTab();

        // A new site starts on a new page; typing and adding writes it.
        QVERIFY(editor.datPrimaryRS()->isNewPage());
        FillPage(editor, QStringLiteral("Sport"), QStringLiteral("Football"), QStringLiteral("Cup final"));
        editor.setFieldText(5, QStringLiteral("Körper\nzwei Zeilen"));
        tab->cmdAdd->click();
        QCOMPARE(Pages(f.site), Strings({"1|Sport|Football|Cup final"}));
        QCOMPARE(Rows(f.site, "select Body from Articles"), Strings({"Körper\r\nzwei Zeilen"}));
        QCOMPARE(editor.fieldText(1), QString());

        FillPage(editor, QStringLiteral("TV"), QStringLiteral("News"), QStringLiteral("Tonight"));
        tab->btnPrevious->click();
        QCOMPARE(Pages(f.site), Strings({"1|Sport|Football|Cup final", "2|TV|News|Tonight"}));
        QCOMPARE(editor.fieldText(3), QStringLiteral("Cup final"));
        QCOMPARE(tab->txtArtID->text(), QStringLiteral("1"));

        // Editing a stored page and moving writes the edit without asking; moving back shows it.
        editor.setFieldText(3, QStringLiteral("Cup final replay"));
        tab->btnLast->click();
        QCOMPARE(editor.fieldText(3), QStringLiteral("Tonight"));
        QCOMPARE(tab->txtArtID->text(), QStringLiteral("2"));
        QCOMPARE(Pages(f.site)[0], std::string("1|Sport|Football|Cup final replay"));
        tab->btnFirst->click();
        QCOMPARE(editor.fieldText(3), QStringLiteral("Cup final replay"));
        tab->btnNext->click();
        QCOMPARE(editor.fieldText(3), QStringLiteral("Tonight"));

        // Building and publishing save through the editor's commit operation.
        editor.setFieldText(2, QStringLiteral("Weather"));
        editor.commitEdits(generator::SiteEditor::DataSource::Pages);
        QCOMPARE(Pages(f.site)[1], std::string("2|TV|Weather|Tonight"));
        QCOMPARE(editor.fieldText(2), QStringLiteral("Weather"));
        QCOMPARE(tab->txtArtID->text(), QStringLiteral("2"));
    }

    void forwardPastTheLastPageBeginsANewOne()
    {
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        ui::PageContentTab* tab = editor.pageContentTab();
        FillPage(editor, QStringLiteral("A"), QStringLiteral("a"), QStringLiteral("first"));
        tab->btnNext->click();
        QVERIFY(editor.datPrimaryRS()->isNewPage());
        QCOMPARE(Pages(f.site), Strings({"1|A|a|first"}));
        FillPage(editor, QStringLiteral("B"), QStringLiteral("b"), QStringLiteral("second"));
        // A build saves the new page: it gets its ArtID and stays shown.
        editor.commitEdits(generator::SiteEditor::DataSource::Pages);
        QCOMPARE(tab->txtArtID->text(), QStringLiteral("2"));
        QCOMPARE(editor.fieldText(3), QStringLiteral("second"));
        tab->btnNext->click();
        QVERIFY(editor.datPrimaryRS()->isNewPage());
        // A blank new page is never stored, however often it is added or passed.
        tab->cmdAdd->click();
        tab->btnNext->click();
        QCOMPARE(Pages(f.site), Strings({"1|A|a|first", "2|B|b|second"}));
        // Back from the new page shows the last stored page.
        tab->btnPrevious->click();
        QCOMPARE(editor.fieldText(3), QStringLiteral("second"));
    }

    void deletingPages()
    {
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        ui::PageContentTab* tab = editor.pageContentTab();
        AddPages(editor, {"one", "two", "three"});
        tab->btnFirst->click();
        tab->btnNext->click();
        // Deleting asks first, naming the page; No keeps it.
        tab->cmdDelete->click();
        QCOMPARE(f.recorder.questions.size(), std::size_t(1));
        QVERIFY2(f.recorder.questions[0].find("Delete the page \"two\"?") == 0, f.recorder.questions[0].c_str());
        QCOMPARE(Pages(f.site).size(), std::size_t(3));
        QVERIFY(!tab->cmdUndoDelete->isEnabled());
        // Yes: deleting the middle page shows the next one.
        f.recorder.yesNoAnswers = {true, true, true};
        tab->cmdDelete->click();
        QCOMPARE(Pages(f.site), Strings({"1|C|s|one", "3|C|s|three"}));
        QCOMPARE(editor.fieldText(3), QStringLiteral("three"));
        QVERIFY(tab->cmdUndoDelete->isEnabled());
        // Deleting the last page shows the one before.
        tab->cmdDelete->click();
        QCOMPARE(editor.fieldText(3), QStringLiteral("one"));
        // Deleting the only page leaves a new blank page.
        tab->cmdDelete->click();
        QVERIFY(Pages(f.site).empty());
        QVERIFY(editor.datPrimaryRS()->isNewPage());
        QCOMPARE(editor.fieldText(3), QString());
        // Undo puts back the last page deleted, with its own ArtID, and shows it; only once.
        tab->cmdUndoDelete->click();
        QCOMPARE(Pages(f.site), Strings({"1|C|s|one"}));
        QCOMPARE(editor.fieldText(3), QStringLiteral("one"));
        QCOMPARE(tab->txtArtID->text(), QStringLiteral("1"));
        QVERIFY(!tab->cmdUndoDelete->isEnabled());
        // Deleting a new page that holds typing asks too; a blank one just starts afresh.
        tab->cmdAdd->click();
        FillPage(editor, QStringLiteral("D"), QStringLiteral("d"), QStringLiteral("unsaved"));
        f.recorder.yesNoAnswers = {true};
        tab->cmdDelete->click();
        QCOMPARE(f.recorder.questions.size(), std::size_t(5));
        QCOMPARE(editor.fieldText(3), QString());
        tab->cmdDelete->click();
        QCOMPARE(f.recorder.questions.size(), std::size_t(5));
        QVERIFY(!tab->cmdUndoDelete->isEnabled());
        // An ArtID is never reused.
        FillPage(editor, QStringLiteral("E"), QStringLiteral("e"), QStringLiteral("four"));
        tab->cmdAdd->click();
        QCOMPARE(Pages(f.site), Strings({"1|C|s|one", "4|E|e|four"}));
    }

    void undoDeleteWithCtrlZOnTheTab()
    {
        UiFixture f("Shop.QLS");
        QVERIFY(f.showActive());
        ui::SiteEditorWindow& editor = f.editor();
        ui::PageContentTab* tab = editor.pageContentTab();
        AddPages(editor, {"one", "two"});
        tab->btnFirst->click();
        f.recorder.yesNoAnswers = {true};
        tab->cmdDelete->setFocus();
        tab->cmdDelete->click();
        QCOMPARE(Pages(f.site), Strings({"2|C|s|two"}));
        QTest::keyClick(tab->cmdDelete, Qt::Key_Z, Qt::ControlModifier);
        QTRY_COMPARE(Pages(f.site), Strings({"1|C|s|one", "2|C|s|two"}));
        QTRY_COMPARE(editor.fieldText(3), QStringLiteral("one"));
    }

    void choosingAPicture()
    {
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        ui::PageContentTab* tab = editor.pageContentTab();
        TempDir elsewhere;
        WritePicture(elsewhere / "horse.jpg", 40, 30);
        const std::string local = app::LocalImagesFolder(f.baseFolder()) + "horse.jpg";

        // Cancelled: nothing changes.
        tab->Command1->click();
        QCOMPARE(f.recorder.fileChoices.at(0).title, std::string("Select a graphic file"));
        QCOMPARE(f.recorder.fileChoices.at(0).filter, std::string(app::kGraphicsFilter));
        QCOMPARE(editor.fieldText(6), QString());

        // Another page's horse.jpg in the local images folder is kept; the new one gets a free name.
        (void)app::EnsureFolder(app::LocalImagesFolder(f.baseFolder()));
        WriteFile(local, "old picture");
        const std::string second = app::LocalImagesFolder(f.baseFolder()) + "horse-2.jpg";
        f.recorder.fileAnswers.push_back(elsewhere / "horse.jpg");
        tab->Command1->click();
        QCOMPARE(editor.fieldText(6), QString::fromStdString(second));
        QCOMPARE(ReadFile(local), std::string("old picture"));
        QCOMPARE(ReadFile(second), ReadFile(elsewhere / "horse.jpg"));
        QVERIFY(tab->imgImage->isVisible() || !tab->isVisible());
        QCOMPARE(tab->imgImage->size(), QSize(40, 30));

        // The same picture chosen again, or its copy itself, reuses the copy.
        for (const std::string& again : {elsewhere / "horse.jpg", second}) {
            f.recorder.fileAnswers.push_back(again);
            tab->Command1->click();
            QCOMPARE(editor.fieldText(6), QString::fromStdString(second));
        }
        QVERIFY(!PathExists(app::LocalImagesFolder(f.baseFolder()) + "horse-3.jpg"));

        // A click opens the picture; a page without one clears the preview.
        emit tab->imgImage->clicked();
        QCOMPARE(f.recorder.opened, Strings({second}));
        tab->cmdAdd->click();
        QVERIFY(tab->imgImage->pixmap().isNull());
        tab->btnPrevious->click();
        QCOMPARE(editor.fieldText(6), QString::fromStdString(second));
        QVERIFY(!tab->imgImage->pixmap().isNull());
    }

    void picturePreviewSizes_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<bool>("squeezed");
        QTest::newRow("small") << QSize(100, 100) << false;
        QTest::newRow("exactly the frame") << QSize(200, 150) << false;
        QTest::newRow("too wide") << QSize(400, 50) << true;
        QTest::newRow("too tall") << QSize(20, 600) << true;
    }

    void picturePreviewSizes()
    {
        QFETCH(QSize, picture);
        QFETCH(bool, squeezed);
        TempDir dir;
        WritePicture(dir / "p.png", picture.width(), picture.height());
        ui::PageContentTab tab;
        tab.showPicture(QString::fromStdString(dir / "p.png"));
        QCOMPARE(tab.imgImage->pos(), QPoint(0, 0));
        QCOMPARE(tab.imgImage->size(), squeezed ? tab.Shape1->size() : picture);
        QCOMPARE(tab.imgImage->hasScaledContents(), squeezed);
        QVERIFY(!tab.imgImage->isHidden());

        // A file that is not a picture shows nothing, without a message.
        WriteFile(dir / "bad.png", "not a picture");
        tab.showPicture(QString::fromStdString(dir / "bad.png"));
        QVERIFY(tab.imgImage->isHidden());
    }

    void enterViewsTheSite()
    {
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        QVERIFY(editor.viewTab()->btnViewInBrowesr->isDefault());
        // Enter in the Category box and in a combo box presses "View In &Browser": the loader page opens.
        QTest::keyClick(editor.txtFields(1), Qt::Key_Return);
        QCOMPARE(f.recorder.opened.size(), std::size_t(1));
        QTest::keyClick(editor.publishTab()->cmbProvider->lineEdit(), Qt::Key_Return);
        QCOMPARE(f.recorder.opened.size(), std::size_t(2));
        // The several-line boxes keep Enter for themselves.
        QTest::keyClick(editor.txtFields(5), Qt::Key_Return);
        QCOMPARE(f.recorder.opened.size(), std::size_t(2));
    }

    void longStoredValuesAreKeptWhole()
    {
        // Values written by other means may be longer than the boxes let a person type.
        UiFixture f;
        const std::string site = CopyBlankSite(f.sitesFolder() + "Long.QLS");
        const std::string category(60, 'c');
        const std::string para(300, 'p');
        const std::string user(70, 'u');
        {
            auto db = store::Database::open(site);
            QVERIFY(db.ok());
            QVERIFY(db->execute("INSERT INTO Articles (Category, Para) VALUES (?, ?)", {category, para}).ok());
            QVERIFY(db->execute("INSERT INTO Articles (Category) VALUES ('short')").ok());
            QVERIFY(db->execute("UPDATE Options SET Ftp_Username = ?", {user}).ok());
        }
        QVERIFY(f.window->openSite(site));
        ui::SiteEditorWindow& editor = f.editor();
        QCOMPARE(editor.fieldText(1).size(), 60);
        QCOMPARE(editor.fieldText(4).size(), 300);
        editor.pageContentTab()->btnNext->click();
        editor.pageContentTab()->btnPrevious->click();
        editor.commitEdits(generator::SiteEditor::DataSource::Options);
        QCOMPARE(Rows(site, "select Category, Para from Articles where ArtID = 1"), Strings({category + "|" + para}));
        QCOMPARE(Rows(site, "select Ftp_Username from Options"), Strings({user}));
        // On a page with a short value the limit holds again for typing.
        editor.pageContentTab()->btnNext->click();
        QCOMPARE(qobject_cast<QLineEdit*>(editor.txtFields(1))->maxLength(), 50);
    }

    void failedSaveKeepsTheEdits()
    {
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        ui::PageContentTab* tab = editor.pageContentTab();
        FillPage(editor, QStringLiteral("A"), QStringLiteral("a"), QStringLiteral("first"));
        tab->cmdAdd->click();
        FillPage(editor, QStringLiteral("B"), QStringLiteral("b"), QStringLiteral("second"));
        {
            // Another program holds the file locked for longer than the editor waits.
            auto locker = store::Database::open(f.site);
            QVERIFY(locker.ok());
            QVERIFY(locker->execute("BEGIN EXCLUSIVE").ok());
            tab->btnPrevious->click();
            QCOMPARE(f.recorder.messages.size(), std::size_t(1));
            QVERIFY2(f.recorder.messages[0].text.find("could not be saved") != std::string::npos,
                     f.recorder.messages[0].text.c_str());
            // The move did not happen and nothing typed was lost.
            QCOMPARE(editor.fieldText(3), QStringLiteral("second"));
            QVERIFY(locker->execute("ROLLBACK").ok());
        }
        tab->btnPrevious->click();
        QCOMPARE(editor.fieldText(3), QStringLiteral("first"));
        QCOMPARE(Pages(f.site), Strings({"1|A|a|first", "2|B|b|second"}));
    }
};

QLE_UI_SUITE(SiteEditorTest);

} // namespace

} // namespace qle::test

#include "SiteEditor_test.moc"
