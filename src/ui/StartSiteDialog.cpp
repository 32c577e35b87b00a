#include "ui/StartSiteDialog.h"

#include "app/AppQueries.h"
#include "app/Desktop.h"
#include "app/Folders.h"
#include "app/Paths.h"
#include "app/SiteFiles.h"
#include "app/StartUp.h"
#include "ui/editor/PageStyleBox.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStorageInfo>
#include <QTabWidget>
#include <QVBoxLayout>

namespace qle::ui {

namespace {

QString WithSlash(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

} // namespace

QStringList StartSiteDialog::places(const QString& baseFolder)
{
    QStringList result {WithSlash(QDir::homePath()), WithSlash(baseFolder), QStringLiteral("/")};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady())
            continue;
        const QString root = WithSlash(volume.rootPath());
        // Pseudo file systems hold no sites.
        if (root.startsWith(QLatin1String("/proc")) || root.startsWith(QLatin1String("/sys")) ||
            root.startsWith(QLatin1String("/dev")) || root.startsWith(QLatin1String("/run")))
            continue;
        if (!result.contains(root))
            result << root;
    }
    result.removeDuplicates();
    return result;
}

StartSiteDialog::StartSiteDialog(const app::AppState& state, app::UserInterface& ui, SiteOpener openSite,
                                 QWidget* parent)
    : QDialog(parent)
    , m_state(state)
    , m_ui(ui)
    , m_openSite(std::move(openSite))
{
    setObjectName(QStringLiteral("frmStartSite"));
    setWindowTitle(tr("Open or Create a new web site"));
    setModal(false);

    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));

    auto* newTab = new QWidget;
    Drive1 = new QComboBox(newTab);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    m_folderLabel = new QLabel(newTab);
    m_folderLabel->setObjectName(QStringLiteral("lblFolder"));
    Dir1 = new QListWidget(newTab);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    File1 = new QListWidget(newTab);
    File1->setObjectName(QStringLiteral("File1"));
    btnCreate = new QPushButton(tr("Create &New Site"), newTab);
    btnCreate->setObjectName(QStringLiteral("btnCreate"));
    btnCancel = new QPushButton(tr("&Cancel"), newTab);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    Command1 = new QPushButton(tr("&Open"), newTab);
    Command1->setObjectName(QStringLiteral("Command1"));
    cmbNewStyle = new PageStyleBox(newTab);
    cmbNewStyle->setObjectName(QStringLiteral("cmbNewStyle"));
    cmbNewStyle->setStyleName(QString::fromLatin1(app::kModernStyleName));
    auto* styleLabel = new QLabel(tr("&Style:"), newTab);
    styleLabel->setBuddy(cmbNewStyle);
    styleLabel->setToolTip(tr("The page style of a site you create here; the Colours tab changes it later"));

    auto* grid = new QGridLayout(newTab);
    grid->addWidget(Drive1, 0, 0);
    grid->addWidget(m_folderLabel, 1, 0);
    grid->addWidget(Dir1, 2, 0);
    grid->addWidget(File1, 0, 1, 3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnCreate);
    buttons->addWidget(styleLabel);
    buttons->addWidget(cmbNewStyle);
    buttons->addStretch(1);
    buttons->addWidget(Command1);
    buttons->addWidget(btnCancel);
    grid->addLayout(buttons, 3, 0, 1, 2);

    auto* recentTab = new QWidget;
    auto* recentLayout = new QVBoxLayout(recentTab);
    auto* recentLabel = new QLabel(tr("Recent Web Site"), recentTab);
    recentLabel->setObjectName(QStringLiteral("Label2"));
    List1 = new QListWidget(recentTab);
    List1->setObjectName(QStringLiteral("List1"));
    cmdOpenRecent = new QPushButton(tr("&Open"), recentTab);
    cmdOpenRecent->setObjectName(QStringLiteral("cmdOpenRecent"));
    recentLayout->addWidget(recentLabel);
    recentLayout->addWidget(List1);
    recentLayout->addWidget(cmdOpenRecent, 0, Qt::AlignRight);

    SSTab1->addTab(newTab, tr("New"));
    SSTab1->addTab(recentTab, tr("Recent"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SSTab1);
    // Made the default once inside the dialog, so that the dialog returns to it after Enter
    // went to a focused button.
    Command1->setDefault(true);
    resize(560, 360);

    // The recent list is read once; a failure is reported and the dialog still works.
    auto recent = app::RecentSites(m_state.appDatabasePath);
    if (recent) {
        for (const auto& name : recent.value())
            if (QFileInfo(QString::fromStdString(name)).isFile())
                List1->addItem(QString::fromStdString(name));
        if (List1->count() > 0)
            List1->setCurrentRow(0);
    } else {
        const auto report = app::ReportErrorMessage("frmStartSite Form_Load: ", recent.status().message(),
                                                    app::kProgramTitle, static_cast<long>(recent.status().code()));
        m_ui.showMessage(report.text, report.title, app::MessageIcon::Critical);
    }

    app::AppOptions options = m_state.options;
    const QString base = QString::fromStdString(app::BaseFolder(options));
    Drive1->addItems(places(base));
    connect(Drive1, &QComboBox::activated, this, [this](int index) { setFolder(Drive1->itemText(index)); });
    connect(Dir1, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        if (item->text() == QLatin1String(".."))
            setFolder(QString::fromStdString(app::FolderOfPath(m_folder.chopped(1).toStdString())));
        else
            setFolder(m_folder + item->text());
    });
    connect(File1, &QListWidget::itemDoubleClicked, this, &StartSiteDialog::openSelected);
    connect(Command1, &QPushButton::clicked, this, &StartSiteDialog::openSelected);
    connect(btnCreate, &QPushButton::clicked, this, &StartSiteDialog::createSite);
    connect(List1, &QListWidget::itemDoubleClicked, this, &StartSiteDialog::openRecent);
    connect(cmdOpenRecent, &QPushButton::clicked, this, &StartSiteDialog::openRecent);
    // Enter in a list opens from the tab shown.
    connect(SSTab1, &QTabWidget::currentChanged, this, [this](int index) {
        Command1->setDefault(index == 0);
        cmdOpenRecent->setDefault(index == 1);
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    setFolder(base + QStringLiteral("WebSites"));
}

void StartSiteDialog::setFolder(const QString& folder)
{
    const QString wanted = WithSlash(folder.isEmpty() ? QStringLiteral("/") : folder);
    if (!QDir(wanted).isReadable()) {
        // An unreadable place (a missing volume, no permission) leaves the dialog where it was.
        m_ui.showMessage("The folder " + wanted.toStdString() + " cannot be read.", app::kProgramTitle,
                         app::MessageIcon::Warning);
        if (!m_folder.isEmpty())
            return;
    }
    m_folder = wanted;
    m_folderLabel->setText(m_folder);
    Dir1->clear();
    if (m_folder != QLatin1String("/"))
        Dir1->addItem(QStringLiteral(".."));
    const QDir dir(m_folder);
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        Dir1->addItem(name);
    fillFiles();
}

void StartSiteDialog::fillFiles()
{
    File1->clear();
    QDir dir(m_folder);
    // Site files match in any letter case: Shop.QLS and club.qls alike.
    dir.setNameFilters({QStringLiteral("*.qls")});
    dir.setFilter(QDir::Files);
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase))
        File1->addItem(name);
}

void StartSiteDialog::openSelected()
{
    const QListWidgetItem* item = File1->currentItem();
    if (!item || !item->isSelected() || item->text().isEmpty())
        return;
    const std::string path = app::JoinPath(m_folder.toStdString(), item->text().toStdString());
    // A file that could not be opened keeps the dialog up, so that another can be chosen.
    if (m_openSite(path))
        accept();
}

void StartSiteDialog::openRecent()
{
    const QListWidgetItem* item = List1->currentItem();
    if (!item || !item->isSelected())
        return;
    if (m_openSite(item->text().toStdString()))
        accept();
}

void StartSiteDialog::createSite()
{
    const auto answer = m_ui.askText("Type the name of your new site.", app::kProgramTitle);
    if (!answer || answer->empty())
        return;
    const std::string name = app::SiteFileName(*answer);
    const std::string path = app::JoinPath(m_folder.toStdString(), name);
    if (app::FileExists(app::FolderOfPath(path), app::FileNameOfPath(path))) {
        m_ui.showMessage("This file already exists. Delete this file then try again.", app::kProgramTitle,
                         app::MessageIcon::Information);
        return;
    }
    if (Status s =
            app::CreateSiteFile(m_state.programFolder, path, app::PageStyleOf(cmbNewStyle->styleName().toStdString()));
        !s.ok()) {
        const auto report =
            app::ReportErrorMessage("btnCreate_Click", s.message(), app::kProgramTitle, static_cast<long>(s.code()));
        m_ui.showMessage(report.text, report.title, app::MessageIcon::Critical);
        return;
    }
    fillFiles();
    if (m_openSite(path))
        accept();
}

} // namespace qle::ui
