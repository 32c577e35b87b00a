// Writing pages: the formatting toolbar's HTML, the live preview (byte for byte the next build's
// page, for each page kind and both styles), spelling with a test dictionary, the Category and
// Section lists, finding and replacing, the page list, and the keys and places a new author meets.
#include "UiTest.h"
#include "app/AppQueries.h"
#include "app/Backups.h"
#include "app/Folders.h"
#include "store/Database.h"
#include "ui/FindDialog.h"
#include "ui/MainWindow.h"
#include "ui/StartSiteDialog.h"
#include "ui/editor/ColoursTab.h"
#include "ui/editor/FormatToolbar.h"
#include "ui/editor/PageContentTab.h"
#include "ui/editor/PageList.h"
#include "ui/editor/PageStyleBox.h"
#include "ui/editor/SiteEditorWindow.h"
#include "ui/editor/ViewTab.h"
#include "ui/models/PagesSource.h"
#include "ui/preview/LivePreview.h"
#include "ui/preview/PreviewPane.h"
#include "ui/spell/LanguageBox.h"
#include "ui/spell/SpellService.h"
#include "ui/spell/SpellUnderlines.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolButton>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace qle::test {
namespace {

using Strings = std::vector<std::string>;

QPlainTextEdit* Box(ui::SiteEditorWindow& editor, int index)
{
    return qobject_cast<QPlainTextEdit*>(editor.txtFields(index));
}

void Select(QPlainTextEdit* box, int from, int to)
{
    QTextCursor cursor = box->textCursor();
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    box->setTextCursor(cursor);
}

void WritePicture(const std::string& path, QColor colour)
{
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(colour);
    QVERIFY(image.save(QString::fromStdString(path)));
}

// The test dictionaries, for as long as the object lives.
struct TestDictionaries
{
    TestDictionaries()
        : saved(qgetenv("DICPATH"))
    {
        qputenv("DICPATH", QLE_TEST_DATA_FOLDER "spell");
    }
    ~TestDictionaries() { qputenv("DICPATH", saved); }
    QByteArray saved;
};

// The spans of the block that carry the misspelt format.
QStringList Underlined(QPlainTextEdit* box)
{
    QStringList words;
    for (QTextBlock block = box->document()->begin(); block.isValid(); block = block.next())
        for (const QTextLayout::FormatRange& range : block.layout()->formats())
            if (range.format.underlineStyle() == QTextCharFormat::SpellCheckUnderline)
                words << block.text().mid(range.start, range.length);
    return words;
}

class WritingTest : public QObject
{
    Q_OBJECT

private slots:
    void toolbarWritesOrdinaryHtmlAroundTheSelection()
    {
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        ui::FormatToolbar* toolbar = editor.pageContentTab()->formatToolbar;
        QPlainTextEdit* body = Box(editor, 5);
        QPlainTextEdit* para = Box(editor, 4);
        QCOMPARE(toolbar->target(), body); // Main Text until another box was used

        body->setPlainText(QStringLiteral("Roses are red\nviolets blue\nsugar"));
        Select(body, 0, 5);
        toolbar->actBold->trigger();
        QCOMPARE(body->toPlainText(), QStringLiteral("<b>Roses</b> are red\nviolets blue\nsugar"));
        Select(body, 21, 39); // "violets blue\nsugar"
        toolbar->actBulleted->trigger();
        QCOMPARE(body->toPlainText(),
                 QStringLiteral("<b>Roses</b> are red\n<ul><li>violets blue</li><li>sugar</li></ul>"));

        // The keys work in either box, and the box used last is the one the buttons write into.
        para->setFocus();
        para->setPlainText(QStringLiteral("new"));
        Select(para, 0, 3);
        QTest::keyClick(para, Qt::Key_I, Qt::ControlModifier);
        QCOMPARE(para->toPlainText(), QStringLiteral("<i>new</i>"));
        QCOMPARE(toolbar->target(), para);
        // Nothing selected: the caret waits between the tags.
        para->moveCursor(QTextCursor::End);
        toolbar->actHeading->trigger();
        TypeText(para, QStringLiteral("Soon"));
        QCOMPARE(para->toPlainText(), QStringLiteral("<i>new</i><h2>Soon</h2>"));

        // Link (Ctrl+K): one of the site's pages by title, as the generator links it, or a web address.
        AddPages(editor, {"Zebra page", "Apple page"});
        editor.pageContentTab()->btnFirst->click();
        body->setFocus();
        body->setPlainText(QStringLiteral("see this"));
        Select(body, 4, 8);
        f.recorder.itemAnswers = {std::size_t(1)};
        QTest::keyClick(body, Qt::Key_K, Qt::ControlModifier);
        QCOMPARE(f.recorder.itemLists.back(), Strings({"A web address ...", "Apple page", "Zebra page"}));
        QCOMPARE(body->toPlainText(), QStringLiteral("see <a href=\"../articles/art-2.htm\">this</a>"));
        body->moveCursor(QTextCursor::End);
        f.recorder.itemAnswers = {std::size_t(0)};
        f.recorder.textAnswers = {std::string("example.org/club")};
        toolbar->actLink->trigger();
        QVERIFY(body->toPlainText().endsWith(
            QStringLiteral("<a href=\"https://example.org/club\">https://example.org/club</a>")));

        // Picture: copied into the local images folder, written as a picture of the site's images.
        WritePicture(f.home() + "Tom's rose.png", Qt::red);
        body->setPlainText(QString());
        f.recorder.fileAnswers = {f.home() + "Tom's rose.png"};
        f.recorder.textAnswers = {std::string("A red rose")};
        toolbar->actPicture->trigger();
        QCOMPARE(body->toPlainText(), QStringLiteral("<img src=\"../images/Tom%27s%20rose.png\" alt=\"A red rose\">"));
        const std::string copy = app::LocalImagesFolder(f.baseFolder()) + "Tom's rose.png";
        QCOMPARE(ReadFile(copy), ReadFile(f.home() + "Tom's rose.png"));
        // The build copies it where the tag points (made for the web: the same picture, not the same bytes).
        editor.updateSite();
        const QImage built(QString::fromStdString(app::WebFolder(f.baseFolder()) + "images/Tom's rose.png"));
        QVERIFY(!built.isNull());
        QCOMPARE(built.convertToFormat(QImage::Format_ARGB32),
                 QImage(QString::fromStdString(copy)).convertToFormat(QImage::Format_ARGB32));
    }

    void previewIsTheBuiltPageForEveryKindAndStyle()
    {
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        WritePicture(f.home() + "rose.png", Qt::red);
        for (const char* style : {"Classic", "Modern"}) {
            // Unsaved values: a page with a picture, a new one, and the style and colours chosen.
            editor.coloursTab()->cmbPageStyle->setStyleName(QString::fromLatin1(style));
            editor.coloursTab()->cmbMiddlePanelColour[2]->setCurrentText(QStringLiteral("LightOrange"));
            editor.setFieldText(12, QStringLiteral("example.org/shop"));
            editor.setFieldText(1, QStringLiteral("Garden "));
            editor.setFieldText(2, QStringLiteral("Spring"));
            editor.setFieldText(3, QStringLiteral("Roses & tulips, %1").arg(QString::fromLatin1(style)));
            editor.setFieldText(4, QStringLiteral("First\nparagraph"));
            editor.setFieldText(5, QStringLiteral("Main <b>text</b>\n\nmore"));
            editor.setFieldText(7, QStringLiteral("A rose"));
            f.recorder.fileAnswers = {f.home() + "rose.png"};
            editor.pageContentTab()->Command1->click();

            ui::LivePreview* preview = editor.livePreview();
            const auto page = preview->reply(QString::fromLatin1(generator::kEditedPagePath));
            QVERIFY2(page.ok(), page.status().message().c_str());
            QVERIFY(page->mimeType.startsWith("text/html"));
            const auto category = preview->reply(QStringLiteral("categories/cat-garden.htm"));
            const auto section = preview->reply(QStringLiteral("sections/sect-spring.htm"));
            QVERIFY(category.ok() && section.ok());
            const auto picture = preview->reply(QStringLiteral("images/rose.png"));
            QVERIFY2(picture.ok(), style);
            // The picture as made for the web: the same pixels, not the same bytes.
            QCOMPARE(QImage::fromData(picture->bytes).convertToFormat(QImage::Format_ARGB32),
                     QImage(QString::fromStdString(f.home() + "rose.png")).convertToFormat(QImage::Format_ARGB32));
            QCOMPARE(picture->mimeType, QByteArray("image/png"));
            // Nothing is saved.
            QCOMPARE(Rows(f.site, std::string("select count(*) from Articles where Title like '%") + style + "'"),
                     Strings({"0"}));

            editor.updateSite();
            const std::string id = editor.datPrimaryRS()->currentArtId().toStdString();
            const std::string web = app::WebFolder(f.baseFolder());
            QCOMPARE(page->bytes.toStdString(), ReadFile(web + "articles/art-" + id + ".htm"));
            QCOMPARE(category->bytes.toStdString(), ReadFile(web + "categories/cat-garden.htm"));
            QCOMPARE(section->bytes.toStdString(), ReadFile(web + "sections/sect-spring.htm"));
            if (std::string(style) == "Modern") {
                QCOMPARE(preview->reply(QStringLiteral("images/style.css"))->bytes.toStdString(),
                         ReadFile(web + "images/style.css"));
                QCOMPARE(preview->reply(QStringLiteral("Index.htm"))->bytes.toStdString(), ReadFile(web + "Index.htm"));
            }
            QCOMPARE(preview->reply(QStringLiteral("categories/cat-none.htm")).status().code(), Status::Code::NotFound);
            editor.pageContentTab()->cmdAdd->click();
        }
    }

    void previewPaneShowsThePageThroughTheProgramsOwnAddresses()
    {
        UiFixture f("Shop.QLS");
        f.window->resize(1600, 1000);
        f.window->mnuPreview()->setChecked(true);
        QVERIFY(f.showActive());
        ui::SiteEditorWindow& editor = f.editor();
        WritePicture(f.home() + "rose.png", Qt::red);
        editor.setFieldText(3, QStringLiteral("First title"));
        f.recorder.fileAnswers = {f.home() + "rose.png"};
        editor.pageContentTab()->Command1->click();
        QWebEngineView* view = editor.previewPane()->view();
        QVERIFY(view);
        QCOMPARE(view->page()->url().scheme(), QStringLiteral("qle-preview"));
        const auto evaluate = [view](const QString& script) {
            QVariant result;
            bool done = false;
            view->page()->runJavaScript(script, [&](const QVariant& v) {
                result = v;
                done = true;
            });
            if (!QTest::qWaitFor([&] { return done; }, 30000))
                qFatal("no answer from the preview");
            return result;
        };
        // The page, its stylesheet and its picture all come through the preview's own addresses.
        QTRY_VERIFY_WITH_TIMEOUT(evaluate(QStringLiteral("document.title")).toString().startsWith("First title"),
                                 30000);
        QTRY_COMPARE_WITH_TIMEOUT(evaluate(QStringLiteral("getComputedStyle(document.body).display")).toString(),
                                  QStringLiteral("grid"), 30000);
        // The picture is one the build makes for the web (a Modern page offers WebP first), loaded
        // through the preview's address. A probe of its own, made again in each new document (the
        // pane reloads as the editor settles) and asked afresh (a load cut short by a reload may
        // stay in the engine's cache as failed): when the engine loads a page's pictures is its own
        // affair.
        QTRY_COMPARE_WITH_TIMEOUT(
            evaluate(QStringLiteral("if (!window.probe) { window.probe = new Image();"
                                    " window.probe.src = document.querySelector('figure source').srcset.split(' ')[0]"
                                    " + '?' + Date.now(); }"
                                    " window.probe.naturalWidth + ' ' + window.probe.src.replace(/^.*\\//, '')"
                                    ".replace(/[?].*/, '')"))
                .toString(),
            QStringLiteral("40 rose.png.qle-40w.webp"), 30000);
        // Typing shows again after the pause, not on every key.
        editor.txtFields(3)->setFocus();
        TypeText(editor.txtFields(3), QStringLiteral(" and more"));
        QTRY_VERIFY_WITH_TIMEOUT(
            evaluate(QStringLiteral("document.title")).toString().startsWith("First title and more"), 30000);

        // Hidden from the View menu and remembered for the next start.
        f.window->mnuPreview()->trigger();
        QVERIFY(editor.previewPane()->isHidden());
        QCOMPARE(app::ReadSetting(f.window->state().appDatabasePath, "PreviewShown").value(), "0");
        // The View tab previews the page being edited too, and goes back.
        editor.selectTab(ui::SiteEditorWindow::ViewSite);
        editor.viewTab()->btnPreviewPage->click();
        QTRY_COMPARE(editor.viewTab()->WebBrowser1()->url(), ui::EditedPageUrl());
    }

    void spellingUnderlinesMisspeltWordsOutsideTags()
    {
        TestDictionaries dictionaries;
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        ui::PageContentTab* tab = editor.pageContentTab();
        tab->cmbSpellLanguage->setLanguage(QStringLiteral("en_TEST"));
        QVERIFY(editor.spelling()->isActive());
        QVERIFY(tab->lblSpelling->isHidden());

        QPlainTextEdit* body = Box(editor, 5);
        body->setPlainText(
            QStringLiteral("the rose <b class=\"rosse\">garden</b> &rossee; gardn\nM\u00fcller tulip 2nd"));
        QCOMPARE(Underlined(body), QStringList({"gardn"}));
        auto* title = qobject_cast<ui::SpellLineEdit*>(editor.txtFields(3));
        title->setText(QStringLiteral("spring rosse"));
        QCOMPARE(title->misspeltWords().size(), qsizetype(1));
        QCOMPARE(title->text().mid(title->misspeltWords()[0].start, title->misspeltWords()[0].length),
                 QStringLiteral("rosse"));

        // The context menu's entries: the suggestion replaces the word, "Add to dictionary" keeps it.
        QMenu menu;
        QVERIFY(ui::AddSpellingEntries(&menu, *editor.spelling(), body->toPlainText(),
                                       static_cast<int>(body->toPlainText().indexOf(QStringLiteral("gardn"))) + 2,
                                       [body](int start, int length, const QString& with) {
                                           QTextCursor cursor = body->textCursor();
                                           cursor.setPosition(start);
                                           cursor.setPosition(start + length, QTextCursor::KeepAnchor);
                                           cursor.insertText(with);
                                       }));
        QCOMPARE(menu.actions().first()->text(), QStringLiteral("garden"));
        menu.actions().first()->trigger();
        QVERIFY(body->toPlainText().contains(QStringLiteral("; garden\n")));
        QVERIFY(Underlined(body).isEmpty());
        QMenu titleMenu;
        QVERIFY(ui::AddSpellingEntries(&titleMenu, *editor.spelling(), title->text(), 8, {}));
        Child<QAction>(titleMenu, "actAddToDictionary")->trigger();
        QVERIFY(title->misspeltWords().isEmpty());
        QCOMPARE(ReadFile(f.home() + ".local/share/quillon-engine/words-en_TEST.txt"), std::string("rosse\n"));

        // A language without a dictionary: no underlines, one line saying why. It is the site's setting.
        tab->cmbSpellLanguage->setLanguage(QStringLiteral("xx_XX"));
        QVERIFY(!editor.spelling()->isActive());
        QVERIFY(!tab->lblSpelling->isHidden());
        QVERIFY(tab->lblSpelling->text().startsWith(QStringLiteral("Spelling is not checked: no dictionary for")));
        body->setPlainText(QStringLiteral("gardn"));
        QVERIFY(Underlined(body).isEmpty());
        editor.commitEdits(generator::SiteEditor::DataSource::Options);
        QCOMPARE(Rows(f.site, "select Spell_Language from Options"), Strings({"xx_XX"}));
    }

    void categoryAndSectionAreTrimmedAndOfferTheNamesUsed()
    {
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        ui::PageContentTab* tab = editor.pageContentTab();
        const std::pair<const char*, const char*> pages[] = {
            {"flowers ", " Spring"}, {"flowers", "Spring "}, {"  Flowers", "Summer"}, {"Trees", "Oaks"}};
        for (const auto& [category, section] : pages) {
            editor.setFieldText(1, QString::fromLatin1(category));
            editor.setFieldText(2, QString::fromLatin1(section));
            editor.setFieldText(3, QStringLiteral("t"));
            tab->cmdAdd->click();
        }
        QCOMPARE(Rows(f.site, "select Category, Section from Articles order by ArtID"),
                 Strings({"flowers|Spring", "flowers|Spring", "Flowers|Summer", "Trees|Oaks"}));
        QCOMPARE(Rows(f.site, "select count(*) from Category_Pages"), Strings({"2"}));
        const auto items = [](QComboBox* box) {
            QStringList list;
            for (int i = 0; i < box->count(); ++i)
                list << box->itemText(i);
            return list;
        };
        QCOMPARE(items(tab->cmbCategory), QStringList({"flowers", "Trees"}));
        QCOMPARE(editor.fieldText(1), QString()); // filling the list leaves the new page's box empty
        // The sections offered are those of the category typed; completion as one types.
        editor.setFieldText(1, QStringLiteral("FLOWERS"));
        QCOMPARE(items(tab->cmbSection), QStringList({"Spring", "Summer"}));
        QCOMPARE(tab->cmbCategory->completer()->caseSensitivity(), Qt::CaseInsensitive);
        tab->cmbCategory->completer()->setCompletionPrefix(QStringLiteral("tr"));
        QCOMPARE(tab->cmbCategory->completer()->currentCompletion(), QStringLiteral("Trees"));
    }

    void findListsThePlacesAndReplaceTakesABackupFirst()
    {
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        AddPages(editor, {"Red rose", "Tulips", "Roses again"});
        editor.setFieldText(3, QStringLiteral("Unsaved ROSE page")); // typed on a new page: found once stored
        editor.pageContentTab()->btnFirst->click();                  // stores it
        editor.setFieldText(5, QStringLiteral("a rose is a rose"));  // typed, not yet saved

        Child<QAction>(*f.window, "mnuFind")->trigger();
        ui::FindDialog* find = editor.findDialog();
        QVERIFY(find && find->isVisible());
        find->txtFind->setText(QStringLiteral("rose"));
        find->btnFind->click();
        QCOMPARE(find->lstHits->count(), 5);
        QCOMPARE(find->lstHits->item(1)->text(), QStringLiteral("Red rose \u2014 main text: a rose is a rose"));
        QVERIFY(find->lblSummary->text().startsWith(QStringLiteral("Found 5 times on 3 pages")));
        find->chkMatchCase->setChecked(true);
        find->btnFind->click();
        QCOMPARE(find->lstHits->count(), 3);

        // Going to a place shows its page with the text selected.
        find->goTo(2);
        QCOMPARE(editor.fieldText(3), QStringLiteral("Red rose"));
        QCOMPARE(Box(editor, 5)->textCursor().selectedText(), QStringLiteral("rose"));

        // Replace asks once, takes a backup first, and says how to undo it.
        find->chkMatchCase->setChecked(false);
        find->txtReplace->setText(QStringLiteral("lily"));
        f.recorder.yesNoAnswers = {false};
        find->btnReplaceAll->click();
        QVERIFY(f.recorder.questions.back().find("5 times on 3 pages") != std::string::npos);
        QCOMPARE(Rows(f.site, "select Title from Articles order by ArtID"),
                 Strings({"Red rose", "Tulips", "Roses again", "Unsaved ROSE page"}));
        f.recorder.yesNoAnswers = {true};
        find->btnReplaceAll->click();
        QCOMPARE(Rows(f.site, "select Title, Body from Articles order by ArtID"),
                 Strings({"Red lily|a lily is a lily", "Tulips|", "lilys again|", "Unsaved lily page|"}));
        QCOMPARE(editor.fieldText(5), QStringLiteral("a lily is a lily")); // the page shown shows it
        QVERIFY(f.recorder.messages.back().text.find("Restore from Backup") != std::string::npos);
        auto backups = app::ListBackups(f.site, f.baseFolder());
        QVERIFY(backups.ok() && !backups->empty());
        QCOMPARE(Rows(backups->front().path, "select Body from Articles where ArtID = 1"),
                 Strings({"a rose is a rose"}));
        QCOMPARE(find->lstHits->count(), 0);
    }

    void pageListFollowsTheNavigatorAndGoesToAPage()
    {
        UiFixture f("Shop.QLS");
        QVERIFY(f.showActive());
        ui::SiteEditorWindow& editor = f.editor();
        const std::tuple<const char*, const char*, const char*> pages[] = {
            {"Trees", "Oaks", "Old oak"}, {"flowers", "Spring", "Tulips"}, {"Flowers", "Spring", "Crocus"}};
        for (const auto& [category, section, title] : pages) {
            editor.setFieldText(1, QString::fromLatin1(category));
            editor.setFieldText(2, QString::fromLatin1(section));
            editor.setFieldText(3, QString::fromLatin1(title));
            editor.pageContentTab()->cmdAdd->click();
        }
        ui::PageList* list = editor.pageList();
        QCOMPARE(list->listedPages(),
                 QStringList({"Flowers | Spring | Crocus", "flowers | Spring | Tulips", "Trees | Oaks | Old oak"}));
        editor.pageContentTab()->btnFirst->click();
        QCOMPARE(list->currentIndex().row(), 2); // the first page stored is the last listed
        // A click goes to that page.
        const QRect row = list->visualRect(list->model()->index(0, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
        QCOMPARE(editor.fieldText(3), QStringLiteral("Crocus"));
        QCOMPARE(list->currentIndex().row(), 0);
    }

    void keysAndPlacesANewAuthorMeets()
    {
        UiFixture f("Shop.QLS");
        QVERIFY(f.showActive());
        ui::SiteEditorWindow& editor = f.editor();
        // After "Add New Page" the cursor is in Category.
        editor.setFieldText(3, QStringLiteral("first"));
        editor.pageContentTab()->cmdAdd->setFocus();
        editor.pageContentTab()->cmdAdd->click();
        QVERIFY(editor.txtFields(1)->hasFocus());

        // Remove Picture: the page has no picture, as one that never had one.
        WritePicture(f.home() + "p.png", Qt::blue);
        f.recorder.fileAnswers = {f.home() + "p.png"};
        editor.setFieldText(3, QStringLiteral("with picture"));
        editor.pageContentTab()->Command1->click();
        QVERIFY(!editor.pageContentTab()->imgImage->isHidden());
        QVERIFY(qobject_cast<QPlainTextEdit*>(editor.txtFields(6))->isReadOnly());
        editor.pageContentTab()->btnRemovePicture->click();
        QVERIFY(editor.pageContentTab()->imgImage->isHidden());
        editor.commitEdits(generator::SiteEditor::DataSource::Pages);
        QCOMPARE(Rows(f.site, "select Image is null from Articles where Title = 'with picture'"), Strings({"1"}));

        // Open Recent lists the sites opened, each opening its site.
        const std::string other = f.openNewSite("Other.QLS");
        f.window->fillRecentMenu();
        QStringList recent;
        for (QAction* action : f.window->mnuRecent()->actions())
            recent << action->text();
        QCOMPARE(recent, QStringList({QString::fromStdString(other), QString::fromStdString(f.site)}));
        f.window->mnuRecent()->actions().at(1)->trigger();
        QCOMPARE(f.window->state().currentSitePath, f.site);
    }

    void escapeOnTheStartDialogLeavesNoEmptyWindow()
    {
        UiFixture f;
        f.window->resize(900, 700);
        QVERIFY(f.showActive());
        f.window->startUp();
        ui::StartSiteDialog* dialog = f.window->startDialog();
        QVERIFY(dialog);
        QTRY_VERIFY(dialog->isVisible());
        // Centred over the main window.
        QVERIFY((dialog->geometry().center() - f.window->geometry().center()).manhattanLength() < 40);
        QCOMPARE(dialog->cmbNewStyle->styleName(), QStringLiteral("Modern"));
        QSignalSpy closed(f.window.get(), &ui::MainWindow::closed);
        QTest::keyClick(dialog, Qt::Key_Escape);
        QCOMPARE(closed.count(), 1); // no site open: the program ends

        // With a site open, the dialog just goes.
        UiFixture g("Shop.QLS");
        g.window->startUp();
        QSignalSpy stays(g.window.get(), &ui::MainWindow::closed);
        QTest::keyClick(g.window->startDialog(), Qt::Key_Escape);
        QCOMPARE(stays.count(), 0);
        QVERIFY(g.window->editor());
    }

    void aNewSiteFromTheStartDialogTakesTheStyleChosen()
    {
        UiFixture f;
        f.window->startUp();
        ui::StartSiteDialog* dialog = f.window->startDialog();
        dialog->cmbNewStyle->setStyleName(QStringLiteral("Classic"));
        f.recorder.textAnswers = {std::string("Old style")};
        dialog->btnCreate->click();
        QCOMPARE(Rows(f.sitesFolder() + "Old style.QLS", "select Page_Style from Options"), Strings({"Classic"}));
        QCOMPARE(f.editor().coloursTab()->cmbPageStyle->styleName(), QStringLiteral("Classic"));
    }

    void colourBoxesDrawTheirSwatchFromTheFirstPaint()
    {
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        // The template's colours as stored, one in another letter case, and one not in the list.
        auto db = store::Database::open(f.site);
        QVERIFY(db->execute("UPDATE Options SET CatPanel0 = 'lightgreen', CatPanel1 = '#123456'").ok());
        QVERIFY(f.window->openSite(f.site));
        ui::SiteEditorWindow& reopened = f.editor();
        (void)editor;
        const auto drawn = [](QComboBox* box, QColor colour) {
            box->resize(180, box->sizeHint().height());
            const QImage image = box->grab().toImage();
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < 40; ++x)
                    if (image.pixelColor(x, y) == colour)
                        return true;
            return false;
        };
        QComboBox* green = reopened.coloursTab()->cmbLeftPanelColour[0];
        QCOMPARE(green->currentText(), QStringLiteral("lightgreen")); // shown as stored
        QVERIFY(drawn(green, QColor(QStringLiteral("lightgreen"))));
        QVERIFY(drawn(reopened.coloursTab()->cmbMiddlePanelColour[0], QColor(0x12, 0x34, 0x56)));
        QVERIFY(drawn(reopened.coloursTab()->cmbRightPanelColour[0], QColor(QStringLiteral("lightgreen"))));
        QVERIFY(drawn(reopened.coloursTab()->cmbLeftPanelColour[1], QColor(QStringLiteral("lightblue"))));
        // Saving changes nothing that was not edited.
        reopened.commitEdits(generator::SiteEditor::DataSource::Options);
        QCOMPARE(Rows(f.site, "select CatPanel0, CatPanel1, SectPanel0 from Options"),
                 Strings({"lightgreen|#123456|LightBlue"}));
    }

    void windowPlaceIsRemembered()
    {
        UiFixture f;
        f.window->show();
        f.window->setGeometry(QRect(60, 70, 1010, 720));
        QTest::qWait(50);
        f.window->close();
        ui::MainWindow again(f.recorder, ProgramFolder());
        again.useAppDatabase(f.window->state().appDatabasePath);
        again.showMainWindow();
        QCOMPARE(again.size(), QSize(1010, 720));
        QVERIFY(!again.mnuPreview()->isChecked()); // the preview as it was left
        if (again.startDialog())
            again.startDialog()->close();
    }
};

QLE_UI_SUITE(WritingTest);

} // namespace
} // namespace qle::test

#include "Writing_test.moc"
