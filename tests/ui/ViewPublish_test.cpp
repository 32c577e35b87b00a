#include "ViewPublish_test.h"

#include "UiTest.h"
#include "ui/FreeWebSpace.h"
#include "ui/MainWindow.h"
#include "ui/editor/BannerTab.h"
#include "ui/editor/PublishRules.h"
#include "ui/editor/PublishTab.h"
#include "ui/editor/SiteEditorWindow.h"
#include "ui/editor/TextBoxes.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace qle::test {

namespace {

// Picks a provider from the list as the person would.
void PickProvider(ui::SiteEditorWindow& editor, const QString& name)
{
    QComboBox* box = editor.publishTab()->cmbProvider;
    const int index = box->findText(name);
    QVERIFY(index >= 0);
    box->setCurrentIndex(index);
    emit box->activated(index);
}

// Gives the box the focus, types into it, and leaves it for the next box.
void TypeAndLeave(ui::SiteEditorWindow& editor, int index, const QString& text)
{
    auto* box = qobject_cast<QLineEdit*>(editor.txtFields(index));
    box->setFocus(Qt::TabFocusReason);
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    TypeText(box, text);
    editor.txtFields(index == 8 ? 10 : 8)->setFocus(Qt::TabFocusReason);
}

} // namespace

void ViewPublishTest::providerFillsTheFtpFields()
{
    UiFixture f;
    const std::string site = f.openNewSite("Shop.QLS");
    ui::SiteEditorWindow& editor = f.editor();
    editor.setFieldText(9, QStringLiteral("jo"));
    PickProvider(editor, QStringLiteral("Example Free Pages"));
    QCOMPARE(editor.fieldText(8), QStringLiteral("ftp.example.com"));
    QCOMPARE(editor.fieldText(11), QStringLiteral("/"));
    QCOMPARE(editor.fieldText(12), QStringLiteral("http://www.example.com/~jo/"));

    // A root from the catalogue is stored as the catalogue has it; picking again replaces all three.
    PickProvider(editor, QStringLiteral("Example Business Hosting"));
    QCOMPARE(editor.fieldText(8), QStringLiteral("ftp.business.example.com"));
    QCOMPARE(editor.fieldText(11), QStringLiteral("/www/"));
    QCOMPARE(editor.fieldText(12), QStringLiteral("http://business.example.com/jo/"));

    editor.commitEdits(generator::SiteEditor::DataSource::Options);
    QCOMPARE(Rows(site, "select Provider, Ftp_Destination, Ftp_Root, Your_Homepage from Options"),
             std::vector<std::string>({"Example Business Hosting|ftp.business.example.com|/www/|"
                                       "http://business.example.com/jo/"}));
}

void ViewPublishTest::leavingTheBoxes()
{
    UiFixture f;
    f.openNewSite("Shop.QLS");
    f.window->show();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    ui::SiteEditorWindow& editor = f.editor();
    editor.selectTab(ui::SiteEditorWindow::Publish);

    // With no provider chosen, leaving the user name box changes nothing.
    editor.setFieldText(12, QStringLiteral("http://mine.example/"));
    TypeAndLeave(editor, 9, QStringLiteral("jo"));
    QCOMPARE(editor.fieldText(12), QStringLiteral("http://mine.example/"));

    PickProvider(editor, QStringLiteral("Example Net Starter"));
    TypeAndLeave(editor, 9, QStringLiteral("sam"));
    QCOMPARE(editor.fieldText(12), QStringLiteral("http://home.example.net/~sam/"));

    TypeAndLeave(editor, 11, QStringLiteral("/Public_HTML"));
    QCOMPARE(editor.fieldText(11), QStringLiteral("/public_html/"));

    struct Case
    {
        const char* typed;
        const char* left;
    } cases[] = {{"MySite", "mysite/"}, {"/MySite/", "mysite/"}, {"/", ""}, {"/MySite", "mysite"}};
    for (const auto& c : cases) {
        TypeAndLeave(editor, 13, QString::fromLatin1(c.typed));
        QCOMPARE(editor.fieldText(13), QString::fromLatin1(c.left));
    }
    // Leaving again finishes "/MySite".
    editor.txtFields(13)->setFocus(Qt::TabFocusReason);
    editor.txtFields(8)->setFocus(Qt::TabFocusReason);
    QCOMPARE(editor.fieldText(13), QStringLiteral("mysite/"));
}

void ViewPublishTest::openMyWebPage()
{
    UiFixture f;
    const std::string site = f.openNewSite("Shop.QLS");
    ui::SiteEditorWindow& editor = f.editor();
    editor.setFieldText(1, QStringLiteral("Home"));
    editor.commitEdits(generator::SiteEditor::DataSource::Pages);
    editor.setFieldText(12, QStringLiteral("http://www.example.com/~jo"));
    editor.setFieldText(13, QStringLiteral("mysite/"));
    editor.publishTab()->Command2->click();
    QCOMPARE(f.recorder.opened, std::vector<std::string>({ProgramFolder() + "Open.htm"}));
    QVERIFY(ReadFile(ProgramFolder() + "Open.htm").find("URL=http://www.example.com/~jo/mysite/articles/art-1.htm\"") !=
            std::string::npos);
    // The empty homepage fell back to the first page, and that was saved.
    QCOMPARE(editor.bannerTab()->txtHomepage->text(), QStringLiteral("1"));
    QCOMPARE(Rows(site, "select homepage from Options"), std::vector<std::string>({"1"}));

    editor.publishTab()->btnGetWebAddress->click();
    QVERIFY(ReadFile(ProgramFolder() + "Open.htm").find(ui::kWebAddressPage) != std::string::npos);
}

void ViewPublishTest::freeWebSpaceCatalogue()
{
    UiFixture f;
    f.openNewSite("Shop.QLS");
    f.editor().publishTab()->Command3->click();
    auto* catalogue = f.window->findChild<ui::FreeWebSpace*>();
    QVERIFY(catalogue);
    QVERIFY(catalogue->isWindow());
    QCOMPARE(catalogue->windowTitle(), QStringLiteral("Free Web Site space"));
    // Only free providers, sorted by name; collapsed until one is chosen.
    QStringList names;
    for (int i = 0; i < catalogue->cmbProvider->count(); ++i)
        names << catalogue->cmbProvider->item(i)->text();
    QCOMPARE(names, QStringList({"Example Community Web", "Example Free Pages", "Example Net Starter"}));
    QVERIFY(catalogue->Frame1->isHidden());
    QCOMPARE(catalogue->height(), ui::FreeWebSpace::kCollapsedHeight);

    catalogue->cmbProvider->setCurrentRow(1);
    QVERIFY(!catalogue->Frame1->isHidden());
    QCOMPARE(catalogue->height(), ui::FreeWebSpace::kExpandedHeight);
    QVERIFY(catalogue->Text1->toPlainText().startsWith(QStringLiteral("Free web space for personal pages")));
    QCOMPARE(catalogue->Text2->text(), QStringLiteral("http://www.example.com/"));
    QCOMPARE(catalogue->Text3->text(), QStringLiteral("http://www.example.com/join/"));
    QVERIFY(catalogue->Text2->font().underline());

    catalogue->cmbProvider->setCurrentRow(0);
    QCOMPARE(catalogue->Text2->text(), QStringLiteral("http://www.example.org/"));
    QCOMPARE(catalogue->Text3->text(), QStringLiteral("http://www.example.org/signup.htm"));

    emit catalogue->Text3->clicked();
    QCOMPARE(f.recorder.opened, std::vector<std::string>({ProgramFolder() + "Open.htm"}));
    QVERIFY(ReadFile(ProgramFolder() + "Open.htm").find("http://www.example.org/signup.htm") != std::string::npos);
    catalogue->close();
}

} // namespace qle::test
