#include "UiTest.h"

#include "app/Paths.h"
#include "store/Database.h"
#include "store/RecordSet.h"
#include "ui/MainWindow.h"
#include "ui/editor/PageContentTab.h"
#include "ui/editor/PublishTab.h"
#include "ui/editor/SiteEditorWindow.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QtGlobal>
#include <stdexcept>

namespace qle::test {

UiFixture::UiFixture()
    : m_savedHome(qgetenv("HOME"))
{
    qputenv("HOME", QByteArray::fromStdString(m_home.path()));
    // An application database of the test's own: the recent list is written on every open.
    const std::string appDatabase = m_home.path() + "Quillon Engine.mdb";
    WriteFile(appDatabase, ReadFile(app::AppDatabasePath(ProgramFolder())));
    // A program run from the build folder keeps its recent sites in the shipped file.
    (void)store::Database::open(appDatabase)->execute("DELETE FROM last_5_sites");
    window = std::make_unique<ui::MainWindow>(recorder, ProgramFolder());
    window->useAppDatabase(appDatabase);
    auto memoryKeyring = std::make_unique<MemoryKeyring>();
    keyring = memoryKeyring.get();
    window->useKeyring(std::move(memoryKeyring));
    (void)app::StartUp(window->state(), ProgramFolder(), appDatabase);
    // The preview starts a browser engine; the tests of the preview show it themselves.
    window->mnuPreview()->setChecked(false);
}

UiFixture::UiFixture(const std::string& siteName)
    : UiFixture()
{
    site = openNewSite(siteName);
}

UiFixture::~UiFixture()
{
    window.reset();
    qputenv("HOME", m_savedHome);
}

std::string UiFixture::openNewSite(const std::string& name)
{
    const std::string path = CopyBlankSite(sitesFolder() + name);
    if (!window->openSite(path))
        throw std::runtime_error("could not open " + path);
    return path;
}

ui::SiteEditorWindow& UiFixture::editor()
{
    if (!window->editor())
        throw std::runtime_error("no editor is open");
    return *window->editor();
}

bool UiFixture::showActive()
{
    window->show();
    return QTest::qWaitForWindowActive(window.get());
}

void AddPages(ui::SiteEditorWindow& editor, const QStringList& titles)
{
    for (const QString& title : titles) {
        editor.setFieldText(1, QStringLiteral("C"));
        editor.setFieldText(2, QStringLiteral("s"));
        editor.setFieldText(3, title);
        editor.pageContentTab()->cmdAdd->click();
    }
}

void PickProvider(ui::SiteEditorWindow& editor, const QString& name)
{
    QComboBox* box = editor.publishTab()->cmbProvider;
    const int index = box->findText(name);
    QVERIFY(index >= 0);
    box->setCurrentIndex(index);
    emit box->activated(index);
}

std::vector<std::string> Rows(const std::string& databasePath, const std::string& sql)
{
    std::vector<std::string> rows;
    auto db = store::Database::open(databasePath);
    if (!db)
        throw std::runtime_error(db.status().message());
    auto rs = db->query(sql);
    if (!rs)
        throw std::runtime_error(rs.status().message());
    while (!rs->eof()) {
        std::string row;
        for (std::size_t i = 0; i < rs->columnNames().size(); ++i) {
            if (i)
                row += '|';
            row += rs->text(static_cast<int>(i));
        }
        rows.push_back(row);
        if (!rs->next().ok())
            break;
    }
    return rows;
}

std::vector<SuiteRunner>& Suites()
{
    static std::vector<SuiteRunner> suites;
    return suites;
}

bool AddSuite(SuiteRunner run)
{
    Suites().push_back(run);
    return true;
}

void TypeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::KeyAction::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

} // namespace qle::test
