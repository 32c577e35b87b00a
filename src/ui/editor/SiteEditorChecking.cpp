// The site editor's check before publishing: the View tab's "Check Site" and its list of findings.
#include "ui/editor/SiteEditorWindow.h"

#include "app/Folders.h"
#include "app/StartUp.h"
#include "app/UserInterface.h"
#include "check/SiteCheck.h"
#include "ui/editor/PageContentTab.h"
#include "ui/editor/ViewTab.h"
#include "ui/models/PagesSource.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>
#include <memory>

namespace qle::ui {

SiteEditorWindow::CheckInputs SiteEditorWindow::prepareCheck(bool external)
{
    commitEdits(DataSource::Pages);
    commitEdits(DataSource::Options);
    CheckInputs inputs {m_sitePath.toStdString(), app::WebFolder(app::BaseFolder(m_state.options)), {}};
    inputs.options.external = external;
    return inputs;
}

int SiteEditorWindow::checkSite(bool external)
{
    const CheckInputs inputs = prepareCheck(external);
    return showFindings(check::CheckSite(inputs.site, inputs.webFolder, inputs.options));
}

void SiteEditorWindow::startCheck(bool external)
{
    if (m_checker.joinable())
        m_checker.join(); // its findings are in: the button was off until then
    const CheckInputs inputs = prepareCheck(external);
    m_viewTab->btnCheckSite->setEnabled(false);
    m_viewTab->lstFindings->clear();
    m_viewTab->lstFindings->addItem(tr("Checking ..."));
    m_viewTab->lstFindings->show();
    m_checker = std::thread([this, inputs] {
        auto findings = std::make_shared<Result<std::vector<check::Finding>>>(
            check::CheckSite(inputs.site, inputs.webFolder, inputs.options));
        const std::string site = inputs.site;
        QMetaObject::invokeMethod(
            this,
            [this, site, findings] {
                m_viewTab->btnCheckSite->setEnabled(true);
                if (m_sitePath.toStdString() == site) {
                    (void)showFindings(*findings);
                } else { // another site was opened meanwhile
                    m_viewTab->lstFindings->clear();
                    m_viewTab->lstFindings->hide();
                }
            },
            Qt::QueuedConnection);
    });
}

int SiteEditorWindow::showFindings(const Result<std::vector<check::Finding>>& findings)
{
    if (!findings) {
        m_viewTab->lstFindings->clear();
        m_viewTab->lstFindings->hide();
        reportFailure(findings.status().withContext("The site could not be checked"));
        return -1;
    }
    QListWidget* list = m_viewTab->lstFindings;
    list->clear();
    for (const auto& finding : findings.value()) {
        auto* item = new QListWidgetItem(QString::fromStdString(finding.text()), list);
        item->setData(Qt::UserRole, QString::fromStdString(finding.artId));
        item->setToolTip(finding.artId.empty() ? tr("Site-wide") : tr("Double-click to go to the page"));
    }
    if (findings->empty())
        list->addItem(tr("No problems found."));
    list->show();
    return static_cast<int>(std::count_if(findings->begin(), findings->end(), [](const check::Finding& f) {
        return f.severity == check::Finding::Severity::Error;
    }));
}

void SiteEditorWindow::goToFinding(const QString& artId)
{
    if (artId.isEmpty())
        return;
    if (Status s = m_pages->moveToArtId(artId); !s.ok()) {
        reportFailure(s);
        return;
    }
    selectTab(PageContent);
}

void SiteEditorWindow::connectChecks()
{
    connect(m_viewTab->btnCheckSite, &QPushButton::clicked, this,
            [this] { startCheck(m_viewTab->chkExternalLinks->isChecked()); });
    connect(m_viewTab->lstFindings, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { goToFinding(item->data(Qt::UserRole).toString()); });
    connect(m_viewTab->lstFindings, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { goToFinding(item->data(Qt::UserRole).toString()); });
}

bool SiteEditorWindow::confirmPublishAfterCheck()
{
    const int errors = checkSite(false);
    if (errors <= 0)
        return errors == 0 || errors < 0; // a site that cannot be checked is not kept from publishing
    std::string question = "The check found " + std::to_string(errors) + (errors == 1 ? " error" : " errors") +
                           " that would be broken on the live site (listed on the View tab):\n";
    for (int i = 0, shown = 0; i < m_viewTab->lstFindings->count() && shown < 5; ++i) {
        const QString text = m_viewTab->lstFindings->item(i)->text();
        if (text.startsWith(QStringLiteral("error:"))) {
            question += "\n" + text.toStdString();
            ++shown;
        }
    }
    question += "\n\nPublish anyway?";
    if (m_ui.askYesNo(question, app::kProgramTitle))
        return true;
    selectTab(ViewSite);
    return false;
}

} // namespace qle::ui
