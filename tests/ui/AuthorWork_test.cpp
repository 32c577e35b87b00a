#include "UiTest.h"
#include "app/Folders.h"
#include "store/Database.h"
#include "ui/MainWindow.h"
#include "ui/editor/PageContentTab.h"
#include "ui/editor/PublishTab.h"
#include "ui/editor/SiteEditorWindow.h"
#include "ui/editor/TextBoxes.h"
#include "ui/editor/ViewTab.h"
#include "ui/models/PagesSource.h"

#include <QAction>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

namespace qle::test {

namespace {

using Strings = std::vector<std::string>;

Strings Titles(const std::string& site)
{
    return Rows(site, "select Title from Articles order by ArtID");
}

// Nothing the author types is lost: saves of every kind, then typing, then every way on.
class AuthorWorkTest : public QObject
{
    Q_OBJECT

private slots:
    void typingAfterASaveOnABlankPageIsStored_data()
    {
        QTest::addColumn<QString>("save");
        QTest::addColumn<QString>("then");
        for (const char* save : {"build", "web site menu", "publish"})
            for (const char* then : {"add", "move", "build", "close"})
                QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(QLatin1String(save), QLatin1String(then))))
                    << QString::fromLatin1(save) << QString::fromLatin1(then);
    }

    void typingAfterASaveOnABlankPageIsStored()
    {
        QFETCH(QString, save);
        QFETCH(QString, then);
        // A new site opens on a blank page; the author previews (or publishes) first, then writes.
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        QVERIFY(editor.datPrimaryRS()->isNewPage());
        if (save == QLatin1String("build"))
            editor.viewTab()->btnUpdateWeb->click();
        else if (save == QLatin1String("web site menu"))
            Child<QAction>(*f.window, "mnuViewSite")->trigger();
        else
            editor.publishTab()->btnPublish->click();
        QVERIFY(Titles(f.site).empty());

        editor.txtFields(3)->setFocus();
        TypeText(editor.txtFields(3), QStringLiteral("Written after the save"));
        if (then == QLatin1String("add"))
            editor.pageContentTab()->cmdAdd->click();
        else if (then == QLatin1String("move"))
            editor.pageContentTab()->btnPrevious->click();
        else if (then == QLatin1String("build"))
            editor.viewTab()->btnUpdateWeb->click();
        else
            editor.parentWidget()->close();
        QCOMPARE(Titles(f.site), Strings({"Written after the save"}));
    }

    void typedLineBreaksAreStoredAsCrLfAndBuiltAsBreaks()
    {
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        editor.setFieldText(3, QStringLiteral("Lines"));
        for (int index : {4, 5}) {
            QWidget* box = editor.txtFields(index);
            box->setFocus();
            TypeText(box, QStringLiteral("one"));
            QTest::keyClick(box, Qt::Key_Return);
            QTest::keyClick(box, Qt::Key_Return);
            TypeText(box, QStringLiteral("two"));
        }
        editor.viewTab()->btnUpdateWeb->click();
        QCOMPARE(Rows(f.site, "select Para, Body from Articles"), Strings({"one\r\n\r\ntwo|one\r\n\r\ntwo"}));
        const std::string page = ReadFile(app::WebFolder(f.baseFolder()) + "articles/art-1.htm");
        QVERIFY2(page.find("one\r<BR>\n\r<BR>\ntwo") != std::string::npos, page.c_str());
    }

    void bareLineFeedsOfAnEarlierVersionAreShownAndSavedAsCrLf()
    {
        UiFixture f;
        const std::string site = CopyBlankSite(f.sitesFolder() + "Old.QLS");
        {
            auto db = store::Database::open(site);
            QVERIFY(db.ok());
            QVERIFY(
                db->execute("INSERT INTO Articles (Title, Para, Body) VALUES ('t', ?, ?)", {"a\nb", "c\r\nd\ne"}).ok());
        }
        QVERIFY(f.window->openSite(site));
        ui::SiteEditorWindow& editor = f.editor();
        QCOMPARE(editor.fieldText(4), QStringLiteral("a\nb"));
        QCOMPARE(editor.fieldText(5), QStringLiteral("c\nd\ne"));
        editor.setFieldText(3, QStringLiteral("edited"));
        editor.commitEdits(generator::SiteEditor::DataSource::Pages);
        QCOMPARE(Rows(site, "select Para, Body from Articles"), Strings({"a\r\nb|c\r\nd\r\ne"}));
    }

    void aFullBoxSaysSo()
    {
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        // Each line break counts twice: it is stored as CR LF.
        auto* para = qobject_cast<ui::LimitedTextEdit*>(editor.txtFields(4));
        QSignalSpy paraFull(para, &ui::LimitedTextEdit::limitReached);
        para->setFocus();
        TypeText(para, QString(250, QLatin1Char('p')));
        QTest::keyClick(para, Qt::Key_Return);
        TypeText(para, QStringLiteral("xyzw"));
        QCOMPARE(para->boundText().size(), 255);
        QCOMPARE(para->toPlainText(), QString(250, QLatin1Char('p')) + QStringLiteral("\nxyz"));
        QVERIFY(!paraFull.isEmpty());

        auto* category = qobject_cast<ui::BoundLineEdit*>(editor.txtFields(1));
        QSignalSpy categoryFull(category, &ui::BoundLineEdit::limitReached);
        TypeText(category, QString(49, QLatin1Char('c')));
        QVERIFY(categoryFull.isEmpty());
        TypeText(category, QStringLiteral("cc"));
        QCOMPARE(categoryFull.size(), 2);
        QCOMPARE(categoryFull.at(0).at(0).toInt(), 50);
        auto* note = Child<QLabel>(*editor.pageContentTab(), "lblLimitNote");
        QVERIFY(!note->isHidden());
        QCOMPARE(note->text(), QStringLiteral("This box holds at most 50 characters."));
    }
};

QLE_UI_SUITE(AuthorWorkTest);

} // namespace

} // namespace qle::test

#include "AuthorWork_test.moc"
