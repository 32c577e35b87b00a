// ui_screenshots OUTDIR: opens the program's windows on a fixture site and saves a picture of the
// start dialog, each editor tab (the View tab after a build), the provider catalogue, the splash
// and the About window, Modern pages of the site at a phone's and a desktop's width, and the help
// for writing: the formatting toolbar, the live preview beside the editor, a spelling menu, the
// find results and the page list.
// Run it under an X server (scripts/screenshots.sh starts one); HOME should be a scratch folder.
#include "app/Folders.h"
#include "app/Paths.h"
#include "support/MemoryKeyring.h"
#include "support/RecordingUi.h"
#include "support/TempDir.h"
#include "ui/FindDialog.h"
#include "ui/FreeWebSpace.h"
#include "ui/ListChoiceDialog.h"
#include "ui/MainWindow.h"
#include "ui/StartSiteDialog.h"
#include "ui/editor/BannerTab.h"
#include "ui/editor/ColoursTab.h"
#include "ui/editor/FormatToolbar.h"
#include "ui/editor/PageContentTab.h"
#include "ui/editor/PageList.h"
#include "ui/editor/PageStyleBox.h"
#include "ui/editor/PublishTab.h"
#include "ui/editor/SiteEditorWindow.h"
#include "ui/editor/ViewTab.h"
#include "ui/preview/LivePreview.h"
#include "ui/windows/frmAbout.h"
#include "ui/windows/frmSplash.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTextCursor>
#include <QTimer>
#include <QToolButton>
#include <QWebEngineView>
#include <cstdio>

namespace {

void Wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The picture with the window's title drawn above it: the virtual X server has no window manager
// to draw title bars.
QImage WithTitle(const QPixmap& shot, const QString& title)
{
    constexpr int kBar = 26;
    QImage framed(shot.width(), shot.height() + kBar, QImage::Format_RGB32);
    framed.fill(QColor(0x2b, 0x4a, 0x7a));
    QPainter painter(&framed);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(8, 0, shot.width() - 16, kBar), Qt::AlignVCenter | Qt::AlignLeft, title);
    painter.drawPixmap(0, kBar, shot);
    return framed;
}

bool Write(const QPixmap& shot, const QString& title, const QString& file)
{
    const bool saved = WithTitle(shot, title).save(file);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(file));
    return saved;
}

// What the screen shows of the window, so that the embedded browser's own drawing is included.
bool Save(QWidget* window, const QString& file)
{
    window->raise();
    window->activateWindow();
    Wait(400);
    QPixmap shot = window->screen()->grabWindow(window->winId());
    if (shot.isNull() || shot.toImage().allGray())
        shot = window->grab();
    return Write(shot, window->windowTitle(), file);
}

// The screen under the window, popups included.
bool SaveScreenArea(QWidget* window, const QString& file)
{
    Wait(400);
    const QRect area = window->frameGeometry();
    const QPixmap shot = window->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    return Write(shot, window->windowTitle(), file);
}

QString Picture(const QString& folder, const QString& name, QColor colour)
{
    QImage image(120, 90, QImage::Format_RGB32);
    image.fill(colour);
    QPainter painter(&image);
    painter.setPen(Qt::white);
    painter.drawText(image.rect(), Qt::AlignCenter, name);
    painter.end();
    const QString path = folder + name + QStringLiteral(".jpg");
    image.save(path);
    return path;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    qle::ui::RegisterPreviewScheme();
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: ui_screenshots OUTDIR\n");
        return 2;
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath() + QLatin1Char('/');
    QDir().mkpath(out);
    bool ok = true;

    qle::test::RecordingUi ui;
    qle::ui::MainWindow window(ui, qle::test::ProgramFolder());
    window.useKeyring(std::make_unique<qle::test::MemoryKeyring>());
    // A settings file of its own in the scratch home: the shipped one keeps no recent sites of ours.
    const std::string appDatabase = QDir::homePath().toStdString() + "/Quillon Engine.mdb";
    QFile::remove(QString::fromStdString(appDatabase));
    QFile::copy(QString::fromStdString(qle::app::AppDatabasePath(qle::test::ProgramFolder())),
                QString::fromStdString(appDatabase));
    QFile::setPermissions(QString::fromStdString(appDatabase), QFile::ReadOwner | QFile::WriteOwner);
    window.useAppDatabase(appDatabase);
    window.resize(1100, 800);
    // The tabs first on their own; the preview has pictures of its own below.
    window.mnuPreview()->setChecked(false);
    window.show();
    window.startUp();
    Wait(300);
    ok &= Save(window.startDialog(), out + QStringLiteral("01-start-dialog.png"));

    // A fixture site of three pages with pictures, made through the editor as an author would.
    const std::string sites = qle::app::BaseFolder(window.state().options) + "WebSites/";
    ui.textAnswers.push_back("Garden Club");
    window.startDialog()->btnCreate->click();
    qle::ui::SiteEditorWindow* editor = window.editor();
    if (!editor) {
        std::fprintf(stderr, "ui_screenshots: the fixture site could not be made in %s\n", sites.c_str());
        for (const auto& message : ui.messages)
            std::fprintf(stderr, "message: %s\n", message.text.c_str());
        return 1;
    }
    const QString pictures = QDir::tempPath() + QStringLiteral("/");
    struct Page
    {
        const char* category;
        const char* section;
        const char* title;
        const char* para;
        QColor colour;
    } pages[] = {
        {"Gardening", "Roses", "Pruning roses in March", "When and how to cut back your roses.", QColor(150, 30, 60)},
        {"Gardening", "Vegetables", "Early potatoes", "Chiting, planting and earthing up.", QColor(90, 120, 40)},
        {"Club News", "Meetings", "Spring meeting", "Our first meeting of the year.", QColor(30, 80, 150)},
    };
    for (std::size_t i = 0; i < std::size(pages); ++i) {
        if (i > 0)
            editor->pageContentTab()->cmdAdd->click();
        editor->setFieldText(1, QString::fromLatin1(pages[i].category));
        editor->setFieldText(2, QString::fromLatin1(pages[i].section));
        editor->setFieldText(3, QString::fromLatin1(pages[i].title));
        editor->setFieldText(4, QString::fromLatin1(pages[i].para));
        editor->setFieldText(5, QStringLiteral("This is the main text of the page.\nIt may hold <b>HTML</b>."));
        editor->setFieldText(7, QStringLiteral("Picture %1").arg(i + 1));
        ui.fileAnswers.push_back(
            Picture(pictures, QStringLiteral("picture%1").arg(i + 1), pages[i].colour).toStdString());
        editor->pageContentTab()->Command1->click();
    }
    editor->pageContentTab()->btnFirst->click();
    // The first page is the homepage, under the template banner.
    editor->pageContentTab()->btnHompage->click();
    ui.fileAnswers.push_back(qle::test::ProgramFolder() + "default_banner.gif");
    editor->bannerTab()->btnChooseBanner->click();

    const char* tabFiles[] = {"02-page-content.png", "03-colours.png", "04-banner-homepage.png", "05-view.png",
                              "06-publish.png"};
    for (int tab = 0; tab < 5; ++tab) {
        editor->selectTab(static_cast<qle::ui::SiteEditorWindow::Tab>(tab));
        if (tab == qle::ui::SiteEditorWindow::ViewSite) {
            editor->viewTab()->btnUpdateWeb->click();
            if (QWebEngineView* browser = editor->viewTab()->WebBrowser1()) {
                QEventLoop loop;
                QObject::connect(browser, &QWebEngineView::loadFinished, &loop, &QEventLoop::quit);
                QTimer::singleShot(15000, &loop, &QEventLoop::quit);
                loop.exec();
                Wait(1000);
            }
        }
        if (tab == qle::ui::SiteEditorWindow::Publish) {
            QComboBox* providers = editor->publishTab()->cmbProvider;
            editor->setFieldText(9, QStringLiteral("gardenclub"));
            providers->setCurrentIndex(providers->findText(QStringLiteral("GitHub Pages")));
            emit providers->activated(providers->currentIndex());
            editor->setFieldText(13, QStringLiteral("club/"));
        }
        ok &= Save(&window, out + QString::fromLatin1(tabFiles[tab]));
    }

    // The colour boxes' swatches, a list open.
    editor->selectTab(qle::ui::SiteEditorWindow::Colours);
    QComboBox* colours = editor->coloursTab()->cmbLeftPanelColour[2];
    colours->showPopup();
    ok &= SaveScreenArea(&window, out + QStringLiteral("12-colour-swatches.png"));
    colours->hidePopup();

    // Deleting a page asks first (the recording person answers No).
    editor->selectTab(qle::ui::SiteEditorWindow::PageContent);
    editor->pageContentTab()->cmdDelete->click();
    if (!ui.questions.empty()) {
        QMessageBox question(QMessageBox::Question, QString::fromLatin1(qle::app::kProgramTitle),
                             QString::fromStdString(ui.questions.back()), QMessageBox::Yes | QMessageBox::No, &window);
        question.setDefaultButton(QMessageBox::No);
        question.show();
        ok &= Save(&question, out + QStringLiteral("13-delete-confirmation.png"));
    } else {
        ok = false;
    }

    // The editor follows the main window's size.
    window.resize(1600, 1000);
    ok &= Save(&window, out + QStringLiteral("14-editor-1600x1000.png"));
    window.resize(900, 600);
    ok &= Save(&window, out + QStringLiteral("15-editor-900x600.png"));
    window.resize(1100, 800);

    // "Restore from Backup...": the builds above left backups; the list is shown as the program shows it.
    window.findChild<QAction*>(QStringLiteral("mnuRestore"))->trigger();
    editor = window.editor();
    if (!ui.itemLists.empty() && editor) {
        qle::ui::ListChoiceDialog restore(QStringLiteral("Restore from Backup"),
                                          QString::fromStdString(ui.prompts.back()), ui.itemLists.back(), &window);
        restore.show();
        ok &= Save(&restore, out + QStringLiteral("16-restore-dialog.png"));
    } else {
        ok = false;
    }

    // The start dialog's Recent tab, now that sites were opened.
    window.startUp();
    Wait(300);
    window.startDialog()->SSTab1->setCurrentIndex(1);
    ok &= Save(window.startDialog(), out + QStringLiteral("17-recent-sites.png"));
    window.startDialog()->close();

    editor->publishTab()->Command3->click();
    auto* catalogue = window.findChild<qle::ui::FreeWebSpace*>();
    if (catalogue) {
        ok &= Save(catalogue, out + QStringLiteral("07-free-web-space.png"));
        catalogue->cmbProvider->setCurrentRow(0);
        ok &= Save(catalogue, out + QStringLiteral("08-free-web-space-details.png"));
    } else {
        ok = false;
    }

    // The splash half way through its reveal, and the About window.
    qle::ui::frmSplash splash([] {});
    // Ticked by hand, so that the picture shows the labels part-way.
    for (QTimer* timer : splash.findChildren<QTimer*>())
        timer->stop();
    for (int tick = 0; tick < 8; ++tick)
        splash.tmrMovingText_Timer();
    splash.show();
    ok &= Save(&splash, out + QStringLiteral("09-splash-revealing.png"));
    for (int tick = 0; tick < 8; ++tick)
        splash.tmrMovingText_Timer();
    ok &= Save(&splash, out + QStringLiteral("10-splash.png"));
    splash.hide();
    qle::ui::frmAbout about(ui, &window);
    about.show();
    ok &= Save(&about, out + QStringLiteral("11-about.png"));

    // The same site in the Modern style, at a phone's and a desktop's width.
    editor->selectTab(qle::ui::SiteEditorWindow::Colours);
    QComboBox* style = editor->coloursTab()->cmbPageStyle;
    style->setCurrentIndex(style->findText(QStringLiteral("Modern")));
    editor->setFieldText(12, QStringLiteral("https://example.org/club/"));
    editor->updateSite();
    const QString web = QString::fromStdString(qle::app::WebFolder(qle::app::BaseFolder(window.state().options)));
    const struct
    {
        const char* page;
        const char* name;
    } modernPages[] = {{"articles/art-1.htm", "article"}, {"categories/cat-gardening.htm", "category"}};
    int number = 18; // after the editor's pictures
    for (const auto& modern : modernPages) {
        for (const auto& [width, device] : {std::pair {375, "phone"}, std::pair {1280, "desktop"}}) {
            QWebEngineView view;
            view.resize(width, device[0] == 'p' ? 812 : 900);
            view.show();
            QEventLoop loop;
            QObject::connect(&view, &QWebEngineView::loadFinished, &loop, &QEventLoop::quit);
            QTimer::singleShot(15000, &loop, &QEventLoop::quit);
            view.load(QUrl::fromLocalFile(web + QString::fromLatin1(modern.page)));
            loop.exec();
            Wait(800);
            ok &= Save(&view, out + QStringLiteral("%1-modern-%2-%3.png")
                                        .arg(number++)
                                        .arg(QString::fromLatin1(modern.name), QString::fromLatin1(device)));
        }
    }

    // Writing: the toolbar over formatted text, the preview beside the editor, a spelling menu, the
    // find results and the page list, at 1600x1000.
    editor = window.editor();
    window.resize(1600, 1000);
    window.mnuPreview()->setChecked(true);
    editor->selectTab(qle::ui::SiteEditorWindow::PageContent);
    editor->pageContentTab()->btnFirst->click();
    auto* body = qobject_cast<QPlainTextEdit*>(editor->txtFields(5));
    body->setPlainText(QStringLiteral("Prune in March, before the buds open: it is esential.\n"
                                      "<ul><li>Cut out dead wood</li><li>Shorten last year's shoots</li></ul>\n"
                                      "Roses flower on new wood, so a <b>hard</b> cut gives more flowers."));
    QTextCursor cursor = body->textCursor();
    cursor.setPosition(static_cast<int>(body->toPlainText().indexOf(QStringLiteral("more flowers"))));
    cursor.movePosition(QTextCursor::NextWord, QTextCursor::KeepAnchor, 2);
    body->setTextCursor(cursor);
    editor->pageContentTab()->formatToolbar->actItalic->trigger();
    if (QWebEngineView* preview = editor->findChild<QWebEngineView*>(QStringLiteral("previewView"))) {
        QEventLoop loop;
        QObject::connect(preview, &QWebEngineView::loadFinished, &loop, &QEventLoop::quit);
        QTimer::singleShot(15000, &loop, &QEventLoop::quit);
        loop.exec();
        Wait(1500);
    } else {
        ok = false;
    }
    ok &= Save(&window, out + QStringLiteral("22-preview-1600x1000.png"));
    {
        qle::ui::FormatToolbar* toolbar = editor->pageContentTab()->formatToolbar;
        const QPoint top = toolbar->mapTo(&window, QPoint(0, 0));
        const QPoint bottom = body->mapTo(&window, QPoint(body->width(), body->height()));
        window.raise();
        Wait(400);
        QPixmap shot = window.screen()->grabWindow(window.winId(), top.x() - 8, top.y() - 8, bottom.x() - top.x() + 16,
                                                   bottom.y() - top.y() + 16);
        ok &= Write(shot, QStringLiteral("Formatting toolbar - Page Content"), out + QStringLiteral("23-toolbar.png"));
    }
    // The context menu of a misspelt word, as a right click opens it.
    {
        const int at = static_cast<int>(body->toPlainText().indexOf(QStringLiteral("esential")));
        QTextCursor word = body->textCursor();
        word.setPosition(at + 2);
        const QPoint inside = body->cursorRect(word).center();
        QTimer::singleShot(800, [&] {
            if (QWidget* menu = QApplication::activePopupWidget()) {
                const QRect area = menu->geometry().united(
                    QRect(body->viewport()->mapToGlobal(inside) - QPoint(220, 60), QSize(240, 80)));
                const QPixmap shot = window.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
                ok &= Write(shot, QStringLiteral("Spelling - Page Content"),
                            out + QStringLiteral("24-spelling-menu.png"));
                menu->close();
            } else {
                ok = false;
            }
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, inside, body->viewport()->mapToGlobal(inside));
        QApplication::sendEvent(body->viewport(), &event);
    }
    // Find and Replace with its list of places.
    window.findChild<QAction*>(QStringLiteral("mnuFind"))->trigger();
    if (qle::ui::FindDialog* find = editor->findDialog()) {
        find->txtFind->setText(QStringLiteral("ro"));
        find->btnFind->click();
        ok &= Save(find, out + QStringLiteral("25-find-results.png"));
        find->close();
    } else {
        ok = false;
    }
    {
        qle::ui::PageList* list = editor->pageList();
        window.raise();
        Wait(400);
        const QPoint corner = list->mapTo(&window, QPoint(0, 0));
        const QPixmap shot = window.screen()->grabWindow(window.winId(), corner.x(), corner.y(), list->width(),
                                                         qMin(list->height(), 360));
        ok &= Write(shot, QStringLiteral("All pages - Page list"), out + QStringLiteral("26-page-list.png"));
    }

    for (const auto& message : ui.messages)
        std::fprintf(stderr, "message: %s\n", message.text.c_str());
    return ok ? 0 : 1;
}
