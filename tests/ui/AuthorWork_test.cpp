#include "UiTest.h"
#include "app/Backups.h"
#include "app/Folders.h"
#include "store/Database.h"
#include "ui/MainWindow.h"
#include "ui/editor/ColoursTab.h"
#include "ui/editor/PageContentTab.h"
#include "ui/editor/PageStyleBox.h"
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
#include <filesystem>

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
        editor.coloursTab()->cmbPageStyle->setStyleName(QStringLiteral("Classic"));
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

    void snapshotsAtBuildPublishAndCloseOnlyWhenChanged()
    {
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        const auto backups = [&f] { return app::ListBackups(f.site, f.baseFolder()).value(); };
        editor.setFieldText(3, QStringLiteral("first"));
        editor.viewTab()->btnUpdateWeb->click();
        QCOMPARE(backups().size(), std::size_t(1));
        QCOMPARE(backups()[0].pages, 1);
        // That build stored the page it fell back to as the homepage: a change, kept by the next build.
        editor.viewTab()->btnUpdateWeb->click();
        QCOMPARE(backups().size(), std::size_t(2));
        // Nothing changed since: no new snapshot, by build, publish or the menu's publish.
        editor.viewTab()->btnUpdateWeb->click();
        editor.publishTab()->btnPublish->click();
        Child<QAction>(*f.window, "mnuPublishNow")->trigger();
        QCOMPARE(backups().size(), std::size_t(2));
        // A change is caught by the next moment, whichever it is: a publish, then a close.
        editor.pageContentTab()->cmdAdd->click();
        editor.setFieldText(3, QStringLiteral("second"));
        editor.publishTab()->btnPublish->click();
        QCOMPARE(backups().size(), std::size_t(3));
        QCOMPARE(backups()[0].pages, 2);
        editor.setFieldText(3, QStringLiteral("second, changed"));
        editor.parentWidget()->close();
        QCOMPARE(backups().size(), std::size_t(4));
        QCOMPARE(Rows(backups()[0].path, "select Title from Articles order by ArtID"),
                 Strings({"first", "second, changed"}));
        for (const auto& backup : backups())
            QCOMPARE(std::filesystem::status(backup.path).permissions(),
                     std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    }

    void aSnapshotThatFailsBesideABuildIsToldAndTheBuildStillRuns()
    {
        UiFixture f("Shop.QLS");
        ui::SiteEditorWindow& editor = f.editor();
        // A file where the backups' folder belongs: no snapshot can be kept.
        WriteFile(f.baseFolder() + "Backups", "not a folder");
        const auto told = [&f] {
            int count = 0;
            for (const auto& message : f.recorder.messages)
                count += message.text.find("No backup of the site could be taken") != std::string::npos;
            return count;
        };
        const std::string page = app::WebFolder(f.baseFolder()) + "articles/art-1.htm";
        editor.setFieldText(3, QStringLiteral("first"));
        editor.viewTab()->btnUpdateWeb->click();
        QCOMPARE(told(), 1);
        QVERIFY(ReadFile(page).find("first") != std::string::npos);
        QVERIFY(editor.viewTab()->lblProgress->text().startsWith(QStringLiteral("Done")));
        // Publishing builds the changed site beside its snapshot too.
        editor.setFieldText(3, QStringLiteral("second"));
        editor.publishTab()->btnPublish->click();
        QCOMPARE(told(), 2);
        QVERIFY(ReadFile(page).find("second") != std::string::npos);
    }

    void restoreFromBackupAsksFirstAndKeepsTheCurrentState()
    {
        UiFixture f("Shop.QLS");
        QAction* restore = Child<QAction>(*f.window, "mnuRestore");
        QVERIFY(restore->isEnabled());
        // The editor is closed first, which keeps the new site's first snapshot; cancelling changes nothing.
        restore->trigger();
        QCOMPARE(f.recorder.itemLists.back().size(), std::size_t(1));
        QVERIFY(f.recorder.questions.empty());
        QVERIFY(f.window->editor());

        // Restoring shows the site in a fresh editor.
        f.editor().setFieldText(3, QStringLiteral("old"));
        f.editor().viewTab()->btnUpdateWeb->click();
        f.editor().setFieldText(3, QStringLiteral("new"));
        f.editor().pageContentTab()->cmdAdd->click();
        f.editor().setFieldText(3, QStringLiteral("another"));

        // The list shows date and pages; the closing editor's snapshot (2 pages) is the newest.
        f.recorder.itemAnswers = {1, 1};
        restore->trigger();
        QCOMPARE(f.recorder.itemLists.back().size(), std::size_t(3));
        QVERIFY2(QString::fromStdString(f.recorder.itemLists.back()[0]).endsWith(QLatin1String("2 pages")),
                 f.recorder.itemLists.back()[0].c_str());
        QVERIFY2(QString::fromStdString(f.recorder.itemLists.back()[1]).endsWith(QLatin1String("1 pages")),
                 f.recorder.itemLists.back()[1].c_str());
        // No at the confirmation: nothing is restored, and the editor is back on the site.
        QCOMPARE(f.recorder.questions.size(), std::size_t(1));
        QCOMPARE(Titles(f.site), Strings({"new", "another"}));
        QVERIFY(f.window->editor());

        f.recorder.yesNoAnswers = {true};
        restore->trigger();
        QCOMPARE(Titles(f.site), Strings({"old"}));
        QCOMPARE(f.editor().fieldText(3), QStringLiteral("old"));
        // The state replaced is among the backups, to be restored in turn.
        QCOMPARE(Rows(app::ListBackups(f.site, f.baseFolder()).value()[0].path, "select Title from Articles"),
                 Strings({"new", "another"}));
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
