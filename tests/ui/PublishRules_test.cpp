// The publish tab's rules for typed FTP settings, the chooser filter translation and the provider
// look-up.
#include "UiTest.h"
#include "ui/QtUserInterface.h"
#include "ui/editor/PublishRules.h"
#include "ui/models/ProviderCatalogue.h"

#include <QTest>

namespace qle::test {

namespace {

class PublishRulesTest : public QObject
{
    Q_OBJECT

private slots:
    void typedSettingsRules()
    {
        using Rule = QString (*)(const QString&);
        const Rule twice = [](const QString& s) { return ui::DirectoryOnLeaving(ui::DirectoryOnLeaving(s)); };
        const Rule address = [](const QString& s) {
            const QStringList parts = s.split(QLatin1Char(' '));
            return ui::PublishedPageAddress(parts[0], parts.value(1), QStringLiteral("articles/art-3.htm"));
        };
        const Rule filter = [](const QString& s) { return ui::QtNameFilter(s.toStdString()); };
        const struct
        {
            const char* row;
            Rule rule;
            const char* typed;
            const char* expected;
        } rows[] = {
            {"directory empty", ui::DirectoryOnLeaving, "", ""},
            {"directory single slash", ui::DirectoryOnLeaving, "/", ""},
            {"directory name", ui::DirectoryOnLeaving, "MySite", "mysite/"},
            {"directory leading slash", ui::DirectoryOnLeaving, "/MySite", "mysite"},
            {"directory leading slash, left twice", twice, "/MySite", "mysite/"},
            {"directory both slashes", ui::DirectoryOnLeaving, "/MySite/", "mysite/"},
            {"directory inner slash", ui::DirectoryOnLeaving, "Club/News", "club/news/"},
            {"root empty", ui::RootOnLeaving, "", "/"},
            {"root mixed case", ui::RootOnLeaving, "/Public_HTML", "/public_html/"},
            {"root already normal", ui::RootOnLeaving, "/www/", "/www/"},
            {"address trailing slash", address, "http://www.example.com/~jo/ mysite/",
             "http://www.example.com/~jo/mysite/articles/art-3.htm"},
            {"address slash inserted", address, "http://www.example.com/~jo mysite/",
             "http://www.example.com/~jo/mysite/articles/art-3.htm"},
            {"address no directory", address, "http://members.example.org/jo/",
             "http://members.example.org/jo/articles/art-3.htm"},
            {"filter sites", filter, "Quillon Builder files (*.QLS)|*.QLS", "Quillon Builder files (*.QLS)"},
            {"filter pictures", filter, "Graphics files (gif, jpg, jpeg, bmp)|*.gif;*.jpg;*.jpeg;*.bmp",
             "Graphics files (gif, jpg, jpeg, bmp) (*.gif *.jpg *.jpeg *.bmp)"},
            {"filter without patterns", filter, "Everything (*)", "Everything (*)"},
        };
        for (const auto& r : rows) {
            const QString got = r.rule(QString::fromUtf8(r.typed));
            QVERIFY2(got == QString::fromUtf8(r.expected),
                     qPrintable(QStringLiteral("%1: got \"%2\"").arg(r.row, got)));
        }
    }

    void providerLookUp()
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
};

QLE_UI_SUITE(PublishRulesTest);

} // namespace

} // namespace qle::test

#include "PublishRules_test.moc"
