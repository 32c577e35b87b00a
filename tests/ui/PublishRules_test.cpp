// The publish tab's rules for typed FTP settings, the chooser filter translation, the site-file
// check and the provider look-up.
#include "PublishRules_test.h"

#include "UiTest.h"
#include "ui/QtUserInterface.h"
#include "ui/editor/PublishRules.h"
#include "ui/models/ProviderCatalogue.h"
#include "ui/models/SiteConnection.h"

#include <QTest>

namespace qle::test {

void PublishRulesTest::directoryOnLeaving_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("once");
    QTest::addColumn<QString>("twice");
    QTest::newRow("empty") << ""
                           << ""
                           << "";
    QTest::newRow("single slash") << "/"
                                  << ""
                                  << "";
    QTest::newRow("name") << "MySite"
                          << "mysite/"
                          << "mysite/";
    QTest::newRow("leading slash") << "/MySite"
                                   << "mysite"
                                   << "mysite/";
    QTest::newRow("both slashes") << "/MySite/"
                                  << "mysite/"
                                  << "mysite/";
    QTest::newRow("inner slash") << "Club/News"
                                 << "club/news/"
                                 << "club/news/";
}

void PublishRulesTest::directoryOnLeaving()
{
    QFETCH(QString, typed);
    QFETCH(QString, once);
    QFETCH(QString, twice);
    QCOMPARE(ui::DirectoryOnLeaving(typed), once);
    QCOMPARE(ui::DirectoryOnLeaving(ui::DirectoryOnLeaving(typed)), twice);
}

void PublishRulesTest::rootOnLeaving_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << ""
                           << "/";
    QTest::newRow("mixed case") << "/Public_HTML"
                                << "/public_html/";
    QTest::newRow("already normal") << "/www/"
                                    << "/www/";
}

void PublishRulesTest::rootOnLeaving()
{
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    QCOMPARE(ui::RootOnLeaving(typed), expected);
}

void PublishRulesTest::publishedPageAddress_data()
{
    QTest::addColumn<QString>("homepage");
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QString>("expected");
    QTest::newRow("trailing slash") << "http://www.example.com/~jo/"
                                    << "mysite/"
                                    << "http://www.example.com/~jo/mysite/articles/art-3.htm";
    QTest::newRow("slash inserted") << "http://www.example.com/~jo"
                                    << "mysite/"
                                    << "http://www.example.com/~jo/mysite/articles/art-3.htm";
    QTest::newRow("no directory") << "http://members.example.org/jo/"
                                  << ""
                                  << "http://members.example.org/jo/articles/art-3.htm";
}

void PublishRulesTest::publishedPageAddress()
{
    QFETCH(QString, homepage);
    QFETCH(QString, directory);
    QFETCH(QString, expected);
    QCOMPARE(ui::PublishedPageAddress(homepage, directory, QStringLiteral("articles/art-3.htm")), expected);
}

void PublishRulesTest::nameFilters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("expected");
    QTest::newRow("sites") << "Quillon Builder files (*.QLS)|*.QLS"
                           << "Quillon Builder files (*.QLS)";
    QTest::newRow("pictures") << "Graphics files (gif, jpg, jpeg, bmp)|*.gif;*.jpg;*.jpeg;*.bmp"
                              << "Graphics files (gif, jpg, jpeg, bmp) (*.gif *.jpg *.jpeg *.bmp)";
    QTest::newRow("no patterns") << "Everything (*)"
                                 << "Everything (*)";
}

void PublishRulesTest::nameFilters()
{
    QFETCH(QString, filter);
    QFETCH(QString, expected);
    QCOMPARE(ui::QtNameFilter(filter.toStdString()), expected);
}

void PublishRulesTest::siteFileCheck()
{
    TempDir dir;
    const std::string site = CopyBlankSite(dir / "Shop.QLS");
    QVERIFY(ui::CheckSiteFile(site).ok());

    WriteFile(dir / "notes.qls", "just some text, not a database");
    WriteFile(dir / "empty.qls", "");
    struct Case
    {
        std::string path;
        const char* why;
    } cases[] = {
        {dir / "missing.qls", "does not exist"},
        {dir / "notes.qls", "not a Quillon"},
        {dir / "empty.qls", "not a Quillon"},
        {ProgramFolder() + "Quillon Engine.mdb", "not a Quillon"},
        {dir.path(), "not a file"},
    };
    for (const auto& c : cases) {
        const Status s = ui::CheckSiteFile(c.path);
        QVERIFY2(!s.ok(), c.path.c_str());
        QVERIFY2(s.message().find(c.why) != std::string::npos, (c.path + ": " + s.message()).c_str());
    }
    // The check creates nothing.
    QVERIFY(!PathExists(dir / "missing.qls"));
}

void PublishRulesTest::providerLookUp()
{
    const std::string appDb = ProgramFolder() + "Quillon Engine.mdb";
    auto rows = ui::FindProviders(appDb, "Example Free Pages");
    QVERIFY(rows.ok());
    QCOMPARE(rows->size(), std::size_t(1));
    QCOMPARE(rows->front().ftpServer, std::string("ftp.example.com"));
    QCOMPARE(rows->front().yourpage, std::string("http://www.example.com/~"));
    // A name with an apostrophe is only a name.
    auto quoted = ui::FindProviders(appDb, "Jo's' or '1'='1");
    QVERIFY(quoted.ok());
    QVERIFY(quoted->empty());
    QVERIFY(!ui::FindProviders("/nonexistent/Quillon Engine.mdb", "x").ok());
}

} // namespace qle::test
