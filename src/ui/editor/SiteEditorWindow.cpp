#include "ui/editor/SiteEditorWindow.h"

#include "app/Backups.h"
#include "app/Banner.h"
#include "app/Desktop.h"
#include "app/Folders.h"
#include "app/LocalCopy.h"
#include "app/Paths.h"
#include "app/StartUp.h"
#include "generator/CreateWebSite.h"
#include "generator/HomePage.h"
#include "generator/PictureCopier.h"
#include "publish/client/SitePassword.h"
#include "ui/FindDialog.h"
#include "ui/SiteActions.h"
#include "ui/editor/BannerTab.h"
#include "ui/editor/ColoursTab.h"
#include "ui/editor/FormatToolbar.h"
#include "ui/editor/PageContentTab.h"
#include "ui/editor/PageList.h"
#include "ui/editor/PageStyleBox.h"
#include "ui/editor/PasswordControls.h"
#include "ui/editor/ProtocolChoice.h"
#include "ui/editor/PublishRules.h"
#include "ui/editor/PublishTab.h"
#include "ui/editor/ServerTrustControls.h"
#include "ui/editor/TextBoxes.h"
#include "ui/editor/UploadWatcher.h"
#include "ui/editor/ViewTab.h"
#include "ui/models/OptionsSource.h"
#include "ui/models/PagesSource.h"
#include "ui/preview/LivePreview.h"
#include "ui/preview/PreviewPane.h"
#include "ui/spell/LanguageBox.h"
#include "ui/spell/SpellService.h"
#include "ui/spell/SpellUnderlines.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QSqlRecord>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <ctime>

namespace qle::ui {

namespace {

QString TextOfBox(const QWidget* box)
{
    if (const auto* line = qobject_cast<const QLineEdit*>(box))
        return line->text();
    if (const auto* text = qobject_cast<const QPlainTextEdit*>(box))
        return text->toPlainText();
    return {};
}

// The tab fills the space it is given and grows with the window; below its smallest sensible size
// it scrolls rather than cutting off controls.
QScrollArea* Scrolling(QWidget* tab)
{
    auto* area = new QScrollArea;
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidget(tab);
    return area;
}

} // namespace

SiteEditorWindow::SiteEditorWindow(app::AppState& state, app::UserInterface& ui, publish::SitePasswords& passwords,
                                   QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_ui(ui)
    , m_passwords(passwords)
    , m_tabs(new QTabWidget(this))
    , m_pageTab(new PageContentTab)
    , m_coloursTab(new ColoursTab)
    , m_bannerTab(new BannerTab)
    , m_viewTab(new ViewTab)
    , m_publishTab(new PublishTab)
    , m_pages(new PagesSource(this))
    , m_options(new OptionsSource(this))
    , m_upload(new UploadWatcher(this))
    , m_splitter(new QSplitter(Qt::Horizontal, this))
    , m_pageList(new PageList)
    , m_previewPane(new PreviewPane)
    , m_spell(new SpellService(this))
{
    setObjectName(QStringLiteral("frmMainForm"));
    setWindowTitle(tr("Currently editing web site named:"));
    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    m_tabs->addTab(Scrolling(m_pageTab), tr("Page Content"));
    m_tabs->addTab(Scrolling(m_coloursTab), tr("Colours"));
    m_tabs->addTab(Scrolling(m_bannerTab), tr("Banner && Homepage"));
    m_tabs->addTab(Scrolling(m_viewTab), tr("View Your Web Site"));
    m_tabs->addTab(Scrolling(m_publishTab), tr("Publish to the World !"));
    // The page list, the tabs and the preview side by side; the tabs take what the others leave.
    m_splitter->setObjectName(QStringLiteral("editorSplitter"));
    m_splitter->setChildrenCollapsible(false);
    m_splitter->addWidget(m_pageList);
    m_splitter->addWidget(m_tabs);
    m_splitter->addWidget(m_previewPane);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 3);
    m_splitter->setStretchFactor(2, 2);
    m_pageList->setMinimumWidth(160);
    m_previewPane->setMinimumWidth(240);
    m_splitter->setSizes({250, 800, 550});
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_splitter);

    for (int i = 1; i <= 7; ++i)
        m_txtFields[static_cast<std::size_t>(i)] = m_pageTab->txtFields[static_cast<std::size_t>(i)];
    for (int i : {0, 8, 9, 10, 11, 12, 13})
        m_txtFields[static_cast<std::size_t>(i)] = m_publishTab->txtFields[static_cast<std::size_t>(i)];

    bindControls();
    m_bannerTab->attach(m_state, m_ui);
    connectPageButtons();
    connectViewAndPublish();
    fillProviderList();
    m_pageTab->showPicture(QString());

    // Spelling in the title, the caption and the two paragraphs, in the site's language.
    for (int i : {3, 7})
        static_cast<SpellLineEdit*>(m_txtFields[static_cast<std::size_t>(i)])->setSpellService(m_spell);
    for (int i : {4, 5})
        new SpellHighlighter(qobject_cast<QPlainTextEdit*>(m_txtFields[static_cast<std::size_t>(i)]), *m_spell);
    connect(m_spell, &SpellService::changed, this, &SiteEditorWindow::showSpellingStatus);
    connect(m_pageTab->cmbSpellLanguage, &QComboBox::currentIndexChanged, this,
            [this] { m_spell->setLanguage(m_pageTab->cmbSpellLanguage->language()); });
    connect(m_pageList, &PageList::pageChosen, this,
            [this](const QVariant& artId) { reportFailure(m_pages->moveToPage(artId)); });

    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        QWidget* targets[] = {m_pageTab->focusControl(), m_coloursTab->focusControl(), m_bannerTab->focusControl(),
                              m_viewTab->focusControl(), m_publishTab->focusControl()};
        if (index >= 0 && index < 5)
            targets[index]->setFocus(Qt::TabFocusReason);
    });
}

SiteEditorWindow::~SiteEditorWindow()
{
    if (m_checker.joinable())
        m_checker.join();
}

void SiteEditorWindow::bindControls()
{
    static constexpr const char* kPageFields[] = {nullptr, "Category", "Section", "Title",
                                                  "Para",  "Body",     "Image",   "Image_Strap"};
    for (int i = 1; i <= 7; ++i)
        m_pages->addMapping(m_txtFields[static_cast<std::size_t>(i)], kPageFields[i]);

    m_options->addMapping(m_txtFields[0], "Local_Web_Dir");
    m_options->addMapping(m_txtFields[8], "Ftp_Destination");
    m_options->addMapping(m_txtFields[9], "Ftp_Username");
    // The password box is bound to no field: the keyring or the site file keeps it (PasswordControls).
    m_options->addMapping(m_publishTab->chkPasswordInFile, "Ftp_Password_In_File");
    m_password = std::make_unique<PasswordControls>(*m_publishTab->txtFields[10], *m_publishTab->chkPasswordInFile,
                                                    *m_options, m_passwords);
    m_options->addMapping(m_txtFields[11], "Ftp_Root");
    m_options->addMapping(m_txtFields[12], "Your_Homepage");
    m_options->addMapping(m_txtFields[13], "Ftp_Dir");
    m_options->addMapping(m_publishTab->cmbProvider, "Provider");
    m_options->addMapping(m_publishTab->txtConnections, "Ftp_Connections");
    m_options->addMapping(m_publishTab->cmbProtocol, "Ftp_Protocol");
    m_options->addMapping(m_publishTab->txtKeyFile, "Ftp_Key_File");
    m_options->addMapping(m_publishTab->txtBranch, "Ftp_Branch");
    m_options->addMapping(m_publishTab->txtTrustedKey, "Ftp_Trusted_Key");
    static constexpr const char* kPanels[3][3] = {
        {"CatPanel0", "CatPanel1", "CatPanel2"},
        {"SectPanel0", "SectPanel1", "SectPanel2"},
        {"DetPanel0", "DetPanel1", "DetPanel2"},
    };
    for (std::size_t row = 0; row < 3; ++row) {
        m_options->addMapping(m_coloursTab->cmbLeftPanelColour[row], kPanels[row][0]);
        m_options->addMapping(m_coloursTab->cmbMiddlePanelColour[row], kPanels[row][1]);
        m_options->addMapping(m_coloursTab->cmbRightPanelColour[row], kPanels[row][2]);
    }
    m_options->addMapping(m_coloursTab->cmbPageStyle, "Page_Style");
    m_options->addMapping(m_coloursTab->txtPictureWidth, "Picture_Max_Width");
    m_options->addMapping(m_coloursTab->chkKeepMetadata, "Keep_Picture_Metadata");
    m_options->addMapping(m_bannerTab->txtBanner, "Banner");
    m_options->addMapping(m_bannerTab->txtHomepage_Title, "homepage_title");
    m_options->addMapping(m_bannerTab->txtHomepage, "homepage");
    m_options->addMapping(m_bannerTab->cmbCatArtLmt, "Cat_Art_Limit");
    m_options->addMapping(m_bannerTab->cmbCatArtMaj, "Cat_Art_Maj");
    m_options->addMapping(m_bannerTab->cmbSectArtLmt, "Sect_Art_Limit");
    m_options->addMapping(m_bannerTab->cmbSectArtMaj, "Sect_Art_Maj");

    connect(m_pages, &PagesSource::currentPageChanged, this, [this] {
        m_pageTab->txtArtID->setText(m_pages->currentArtId());
        m_pageTab->lblPosition->setText(m_pages->positionText());
        pageShown();
    });
    connect(m_pages, &PagesSource::pagesWritten, this, &SiteEditorWindow::pageShown);
    m_options->addMapping(m_pageTab->cmbSpellLanguage, "Spell_Language");
    auto* image = qobject_cast<QPlainTextEdit*>(m_txtFields[6]);
    connect(image, &QPlainTextEdit::textChanged, this, [this, image] { m_pageTab->showPicture(image->toPlainText()); });
}

void SiteEditorWindow::connectPageButtons()
{
    connect(m_pageTab->btnFirst, &QToolButton::clicked, this, [this] { runPageMove(&PagesSource::moveFirst); });
    connect(m_pageTab->btnPrevious, &QToolButton::clicked, this, [this] { runPageMove(&PagesSource::movePrevious); });
    connect(m_pageTab->btnNext, &QToolButton::clicked, this, [this] { runPageMove(&PagesSource::moveNext); });
    connect(m_pageTab->btnLast, &QToolButton::clicked, this, [this] { runPageMove(&PagesSource::moveLast); });
    connect(m_pageTab->cmdAdd, &QPushButton::clicked, this, [this] {
        runPageMove(&PagesSource::addNew);
        // A new page starts with its category.
        m_txtFields[1]->setFocus(Qt::OtherFocusReason);
    });
    connect(m_pageTab->btnRemovePicture, &QPushButton::clicked, this, &SiteEditorWindow::removePicture);
    connect(m_pageTab->formatToolbar, &FormatToolbar::linkRequested, this, &SiteEditorWindow::insertLink);
    connect(m_pageTab->formatToolbar, &FormatToolbar::pictureRequested, this, &SiteEditorWindow::insertPicture);
    connect(m_pageTab->cmbCategory, &QComboBox::currentTextChanged, this, [this] {
        PageContentTab::setNames(
            m_pageTab->cmbSection,
            m_pages->storedValues(QStringLiteral("Section"), QStringLiteral("Category"), fieldText(1)));
    });
    connect(m_pageTab->cmdDelete, &QPushButton::clicked, this, &SiteEditorWindow::deletePage);
    connect(m_pageTab->cmdUndoDelete, &QPushButton::clicked, this, &SiteEditorWindow::undoDelete);
    connect(m_pageTab->Command1, &QPushButton::clicked, this, &SiteEditorWindow::choosePicture);
    connect(m_pageTab->btnHompage, &QPushButton::clicked, this,
            [this] { m_bannerTab->btnHompage_Click(m_pageTab->txtArtID->text(), fieldText(3)); });
    // The picture area answers a click even when its picture is missing, to say so.
    const auto openPicture = [this] {
        const QString path = fieldText(6);
        if (!path.isEmpty())
            app::OpenDocument(path.toStdString(), m_ui);
    };
    connect(m_pageTab->imgImage, &ClickableLabel::clicked, this, openPicture);
    connect(m_pageTab->Shape1, &ClickableLabel::clicked, this, openPicture);
}

void SiteEditorWindow::connectViewAndPublish()
{
    connect(m_viewTab->btnUpdateWeb, &QPushButton::clicked, this, &SiteEditorWindow::updateSite);
    connectChecks();
    connect(m_viewTab->btnViewInBrowesr, &QPushButton::clicked, this, &SiteEditorWindow::viewInBrowser);
    connect(m_viewTab->btnPreviewPage, &QPushButton::clicked, this, [this] {
        if (!m_livePreview)
            return;
        m_livePreview->install();
        m_viewTab->navigate(EditedPageUrl());
    });
    connect(m_publishTab->btnPublish, &QPushButton::clicked, this, [this] { publishSite(true); });
    connect(m_upload, &UploadWatcher::finished, m_publishTab->lblPublishStatus, &QLabel::setText);
    // The last upload's outcome is shown only while the tab points where it went.
    for (int i : {8, 11, 13})
        connect(m_publishTab->txtFields[static_cast<std::size_t>(i)], &QLineEdit::textChanged, this,
                &SiteEditorWindow::showLastUpload);
    connect(m_publishTab->cmbProtocol, &QComboBox::currentIndexChanged, this, &SiteEditorWindow::showLastUpload);
    connect(m_viewTab->btnWarnings, &QPushButton::clicked, this, [this] {
        std::string text = "The last build left these warnings:";
        for (const auto& warning : m_buildWarnings)
            text += "\n\n" + warning;
        m_ui.showMessage(text, app::kProgramTitle, app::MessageIcon::Warning);
    });
    connect(m_publishTab->cmbProvider, &QComboBox::activated, this, &SiteEditorWindow::pickProvider);
    connect(m_publishTab->Command2, &QPushButton::clicked, this, &SiteEditorWindow::openPublishedPage);
    connect(m_publishTab->btnGetWebAddress, &QPushButton::clicked, this, [this] {
        (void)app::ShowPage(kWebAddressPage, m_state.programFolder, app::BaseFolder(m_state.options), m_ui);
    });
    connect(m_publishTab->Command3, &QPushButton::clicked, this, &SiteEditorWindow::showFreeWebSpace);
    m_trust = new ServerTrustControls(
        *m_publishTab, *m_publishTab->txtFields[8], m_ui, [this] { return currentFtpSettings(); },
        [this](const publish::FtpSettings& ftp) { return uploadSecret(ftp); }, this);
    for (int i : {9, 11, 13})
        m_txtFields[static_cast<std::size_t>(i)]->installEventFilter(this);
}

Status SiteEditorWindow::bindSite(const QString& sitePath)
{
    m_sitePath = sitePath;
    // Before the sources read the file: a password that moves to the keyring is then in no backup
    // taken from now on.
    auto stored = publish::LoadFtpSettings(sitePath.toStdString());
    if (stored)
        reportFailure(publish::OfferToMovePassword(
            sitePath.toStdString(), stored.value(), m_passwords, [this](const std::string& question) {
                return std::optional<bool>(m_ui.askYesNo(question, app::kProgramTitle));
            }));
    if (Status s = m_pages->open(sitePath); !s.ok())
        return s;
    if (Status s = m_options->open(sitePath); !s.ok())
        return s;
    if (stored)
        m_password->load(stored.value());
    m_pageList->setSource(m_pages);
    m_spell->setLanguage(m_pageTab->cmbSpellLanguage->language());
    showSpellingStatus();
    m_livePreview = new LivePreview(
        sitePath.toStdString(), app::LocalImagesFolder(app::BaseFolder(m_state.options)),
        app::BaseFolder(m_state.options) + generator::kPictureCacheFolder, [this] { return previewEdits(); }, this);
    m_previewPane->attach(*m_livePreview, m_ui);
    connectPreview();
    pageShown();
    showLastUpload();
    return Status::OK();
}

void SiteEditorWindow::selectTab(Tab tab)
{
    if (m_tabs->currentIndex() == tab)
        emit m_tabs->currentChanged(tab);
    else
        m_tabs->setCurrentIndex(tab);
}

QString SiteEditorWindow::fieldText(int index) const
{
    return TextOfBox(txtFields(index));
}

void SiteEditorWindow::setFieldText(int index, const QString& text)
{
    QWidget* box = txtFields(index);
    if (auto* line = qobject_cast<QLineEdit*>(box))
        line->setText(text);
    else if (auto* edit = qobject_cast<QPlainTextEdit*>(box))
        edit->setPlainText(text);
}

void SiteEditorWindow::reportFailure(const Status& status)
{
    if (!status.ok())
        m_ui.showMessage(status.message(), app::kProgramTitle, app::MessageIcon::Warning);
}

void SiteEditorWindow::runPageMove(Status (PagesSource::*step)())
{
    if (!m_pages->isOpen())
        return;
    reportFailure((m_pages->*step)());
}

void SiteEditorWindow::deletePage()
{
    if (!m_pages->isOpen())
        return;
    const bool stored = !m_pages->isNewPage() && !m_pages->currentArtId().isEmpty();
    const QString title = fieldText(3).trimmed();
    const std::string named =
        title.isEmpty() ? std::string("this page (it has no title)") : "the page \"" + title.toStdString() + "\"";
    // A new page that was never stored goes without a question only while nothing is typed on it.
    if (stored || (m_pages->isNewPage() && !m_pages->isBlankNewPage())) {
        const std::string tail =
            stored ? "\nYou can put it back at once with Undo Delete (Ctrl+Z)." : "\nIt was never saved.";
        if (!m_ui.askYesNo("Delete " + named + "?" + tail, app::kProgramTitle))
            return;
    }
    auto deleted = std::make_unique<QSqlRecord>(m_pages->currentRecord());
    const Status status = m_pages->deleteCurrent();
    reportFailure(status);
    if (status.ok() && stored) {
        m_deletedPage = std::move(deleted);
        m_pageTab->cmdUndoDelete->setEnabled(true);
    }
}

void SiteEditorWindow::undoDelete()
{
    if (!m_deletedPage || !m_pages->isOpen())
        return;
    const Status status = m_pages->restorePage(*m_deletedPage);
    reportFailure(status);
    if (status.ok()) {
        m_deletedPage.reset();
        m_pageTab->cmdUndoDelete->setEnabled(false);
    }
}

void SiteEditorWindow::removePicture()
{
    m_pages->clearField(QStringLiteral("Image"));
}

std::optional<std::string> SiteEditorWindow::copyChosenPicture(const std::string& title, bool portableName)
{
    app::FileChoice choice;
    choice.title = title;
    choice.filter = app::kGraphicsFilter;
    const std::string chosen = m_ui.chooseFile(choice);
    const std::string name = app::FileNameOfPath(chosen);
    if (name.empty())
        return std::nullopt;
    const std::string folder = app::LocalImagesFolder(app::BaseFolder(m_state.options));
    if (Status s = app::EnsureFolder(folder); !s.ok()) {
        // Without the folder there is nowhere to keep the copy; nothing changes.
        reportFailure(s.withContext("The picture could not be copied"));
        return std::nullopt;
    }
    return app::CopyUnderFreeName(chosen, folder, portableName ? generator::PictureCopyName(name) : std::string());
}

void SiteEditorWindow::choosePicture()
{
    if (auto copy = copyChosenPicture("Select a graphic file", false))
        setFieldText(6, QString::fromStdString(*copy));
}

void SiteEditorWindow::snapshot(bool saveFirst, const std::function<void()>& beside)
{
    if (saveFirst) {
        commitEdits(DataSource::Pages);
        commitEdits(DataSource::Options);
    }
    if (m_sitePath.isEmpty()) {
        if (beside)
            beside();
        return;
    }
    const std::string site = m_sitePath.toStdString(), base = app::BaseFolder(m_state.options);
    const std::time_t now = std::time(nullptr);
    auto snapshot = beside ? app::TakeSnapshotBeside(site, base, now, beside) : app::TakeSnapshot(site, base, now);
    if (!snapshot)
        reportFailure(snapshot.status().withContext("No backup of the site could be taken"));
}

void SiteEditorWindow::updateSite()
{
    Status status;
    snapshot(true, [&] { status = BuildSite(*this, m_state); });
    if (status.ok())
        return;
    // The status line must not keep saying "please wait" after a failed build.
    if (m_viewTab->lblProgress->text().contains(QStringLiteral("please wait")))
        m_viewTab->lblProgress->clear();
    m_ui.showMessage("The web site could not be built.\n" + status.message(), app::kProgramTitle,
                     app::MessageIcon::Critical);
}

void SiteEditorWindow::viewInBrowser()
{
    // Shows the last build; errors are ignored.
    auto page = generator::HomePagePath(true, *this, m_sitePath.toStdString(),
                                        app::WebFolder(app::BaseFolder(m_state.options)));
    if (page)
        (void)app::ShowPage(page.value(), m_state.programFolder, app::BaseFolder(m_state.options), m_ui);
}

void SiteEditorWindow::showBuildWarnings(const std::vector<std::string>& warnings)
{
    m_buildWarnings = warnings;
    m_viewTab->btnWarnings->setText(tr("&Warnings (%1)...").arg(warnings.size()));
    m_viewTab->btnWarnings->setVisible(!warnings.empty());
}

void SiteEditorWindow::setProgressText(const std::string& text)
{
    m_viewTab->lblProgress->setText(QString::fromStdString(text));
    if (m_buildingToPublish)
        m_publishTab->lblPublishStatus->setText(QString::fromStdString(text));
}

void SiteEditorWindow::startClearProgressTimer(int intervalMs)
{
    m_viewTab->tmrClearProgress->start(intervalMs);
}

void SiteEditorWindow::commitEdits(DataSource source)
{
    if (source == DataSource::Pages) {
        reportFailure(m_pages->commit());
        return;
    }
    if (m_options->isOpen())
        reportFailure(m_password->save(currentFtpSettings()));
    reportFailure(m_options->commit());
}

std::string SiteEditorWindow::homepageText() const
{
    return m_bannerTab->txtHomepage->text().toStdString();
}

void SiteEditorWindow::setHomepageText(const std::string& text)
{
    m_bannerTab->txtHomepage->setText(QString::fromStdString(text));
}

void SiteEditorWindow::setHomepageTitle(const std::string& title)
{
    m_bannerTab->txtHomepage_Title->setText(QString::fromStdString(title));
}

void SiteEditorWindow::navigateBrowser(const std::string& address)
{
    m_viewTab->navigate(QString::fromStdString(address));
}

void SiteEditorWindow::processEvents()
{
    // Repaint only: a click now would start work in the middle of the build.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void SiteEditorWindow::keyPressEvent(QKeyEvent* event)
{
    // Enter on a focused button presses that button. Otherwise the form's default button takes
    // Enter that no box used for itself (one-line boxes and combo boxes pass it on, several-line
    // boxes keep it): it views the site.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !(event->modifiers() & ~Qt::KeypadModifier)) {
        auto* button = qobject_cast<QAbstractButton*>(QApplication::focusWidget());
        if (button && isAncestorOf(button))
            button->click();
        else
            m_viewTab->btnViewInBrowesr->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SiteEditorWindow::closeEvent(QCloseEvent* event)
{
    // Closing is a saving moment, and it is never refused; a changed site is backed up.
    snapshot(true);
    event->accept();
}

} // namespace qle::ui
