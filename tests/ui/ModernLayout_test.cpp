// Modern pages laid out by a real browser engine: nothing scrolls sideways on a phone, the main
// content comes first there, and a wide screen shows the three panels side by side.
#include "UiTest.h"
#include "generator/CreateWebSite.h"
#include "store/Database.h"

#include <QDir>
#include <QDirIterator>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace qle::test {
namespace {

// What the engine measured: the layout width, the page's scroll width and the panels' boxes.
constexpr const char* kMeasure = R"js(
(() => {
  const box = e => { const r = e.getBoundingClientRect(); return {left: r.left, right: r.right, top: r.top}; };
  let widest = 0;
  for (const img of document.querySelectorAll('img')) {
    const column = img.closest('header, nav, main, aside, footer').getBoundingClientRect();
    widest = Math.max(widest, img.getBoundingClientRect().right - column.right);
  }
  return JSON.stringify({
    client: document.documentElement.clientWidth,
    scroll: document.documentElement.scrollWidth,
    pictureOverhang: widest,
    fontSize: parseFloat(getComputedStyle(document.querySelector('main')).fontSize),
    nav: box(document.querySelector('body > nav')),
    main: box(document.querySelector('body > main')),
    aside: box(document.querySelector('body > aside')),
  });
})()
)js";

class ModernLayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        const std::string site = CopyBlankSite(m_dir / "Layout Site.qls");
        auto db = store::Database::open(site);
        QVERIFY(db.ok());
        const std::string banner = ProgramFolder() + "default_banner.gif"; // 600 pixels wide
        const std::string longWord(120, 'w');
        for (int i = 0; i < 4; ++i) {
            QVERIFY(
                db->insert("Articles", {{"Category", "Garden and a rather long category name " + longWord},
                                        {"Section", "Roses"},
                                        {"Title", "A title with a long word " + longWord},
                                        {"Para", "First paragraph " + longWord},
                                        {"Body", "Main text.\r\n" + longWord + "\r\nhttps://example.org/" + longWord},
                                        {"Image", banner},
                                        {"Image_Strap", "Caption"}})
                    .ok());
        }
        QVERIFY(db->execute("UPDATE Options SET Page_Style = 'Modern', Banner = ?", {banner}).ok());
        m_web = m_dir / "web/";
        const Status built = generator::CreateWebSite(site, m_web);
        QVERIFY2(built.ok(), built.message().c_str());
    }

    // Every page of the site: four articles, the category and the section.
    void layout_data()
    {
        QTest::addColumn<QString>("page");
        const QDir web(QString::fromStdString(m_web));
        QStringList pages;
        for (QDirIterator it(web.path(), {QStringLiteral("*.htm")}, QDir::Files, QDirIterator::Subdirectories);
             it.hasNext();)
            pages << web.relativeFilePath(it.next());
        pages.removeAll(QStringLiteral("Index.htm")); // the forwarding page has no panels
        pages.sort();
        QCOMPARE(pages.size(), 6);
        for (const QString& page : pages)
            QTest::newRow(qPrintable(page.left(40))) << page;
    }

    void layout()
    {
        QFETCH(QString, page);
        const QString path = QString::fromStdString(m_web) + page;
        QVERIFY2(PathExists(path.toStdString()), qPrintable(path));

        const QJsonObject phone = measure(path, 375);
        QVERIFY2(phone["scroll"].toDouble() <= phone["client"].toDouble(), qPrintable(describe(phone)));
        QVERIFY2(phone["pictureOverhang"].toDouble() <= 0.5, qPrintable(describe(phone)));
        QVERIFY(phone["fontSize"].toDouble() >= 16);
        // One column, the page's own content first.
        QVERIFY2(top(phone, "main") < top(phone, "nav") && top(phone, "nav") < top(phone, "aside"),
                 qPrintable(describe(phone)));

        const QJsonObject desktop = measure(path, 1280);
        QVERIFY2(desktop["scroll"].toDouble() <= desktop["client"].toDouble(), qPrintable(describe(desktop)));
        QVERIFY2(desktop["pictureOverhang"].toDouble() <= 0.5, qPrintable(describe(desktop)));
        QCOMPARE(top(desktop, "nav"), top(desktop, "main"));
        QCOMPARE(top(desktop, "main"), top(desktop, "aside"));
        const auto edge = [&](const char* panel, const char* side) {
            return desktop[panel].toObject()[side].toDouble();
        };
        QVERIFY2(edge("nav", "right") <= edge("main", "left") && edge("main", "right") <= edge("aside", "left"),
                 qPrintable(describe(desktop)));
    }

private:
    QJsonObject measure(const QString& path, int width)
    {
        QWebEngineView view;
        view.resize(width, 800);
        view.show();
        QSignalSpy loaded(&view, &QWebEngineView::loadFinished);
        view.load(QUrl::fromLocalFile(path));
        if (!loaded.wait(60000) || !loaded.at(0).at(0).toBool())
            qFatal("%s did not load", qPrintable(path));
        QString result;
        view.page()->runJavaScript(QString::fromLatin1(kMeasure),
                                   [&result](const QVariant& v) { result = v.toString(); });
        if (!QTest::qWaitFor([&result] { return !result.isEmpty(); }, 60000))
            qFatal("no measurement of %s", qPrintable(path));
        return QJsonDocument::fromJson(result.toUtf8()).object();
    }

    static double top(const QJsonObject& m, const char* panel) { return m[panel].toObject()["top"].toDouble(); }
    static QString describe(const QJsonObject& m) { return QString::fromUtf8(QJsonDocument(m).toJson()); }

    TempDir m_dir;
    std::string m_web;
};

QLE_UI_SUITE(ModernLayoutTest);

} // namespace
} // namespace qle::test

#include "ModernLayout_test.moc"
