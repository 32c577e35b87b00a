// The site editor's help for writing: the lists of names, the formatting toolbar's links and
// pictures, spelling, the live preview, the page list, and finding and replacing across pages.
#include "ui/editor/SiteEditorWindow.h"

#include "app/Backups.h"
#include "app/Folders.h"
#include "app/Paths.h"
#include "app/StartUp.h"
#include "app/UserInterface.h"
#include "generator/AuthorHtml.h"
#include "generator/HtmlText.h"
#include "ui/FindDialog.h"
#include "ui/editor/FormatToolbar.h"
#include "ui/editor/PageContentTab.h"
#include "ui/editor/PageList.h"
#include "ui/models/OptionsSource.h"
#include "ui/models/PagesSource.h"
#include "ui/preview/PreviewPane.h"
#include "ui/spell/SpellService.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSqlField>
#include <QSqlRecord>
#include <QTabWidget>
#include <QTextCursor>
#include <ctime>

namespace qle::ui {

namespace {

// A field value as saving stores it: Qt's SQL driver writes a null text as NULL.
store::Value StoredValue(const QVariant& value)
{
    if (value.isNull() || (value.metaType().id() == QMetaType::QString && value.toString().isNull()))
        return std::nullopt;
    return value.toString().toStdString();
}

store::Fields StoredFields(const QSqlRecord& record, const QString& skipped = {})
{
    store::Fields fields;
    for (int i = 0; i < record.count(); ++i)
        if (record.fieldName(i).compare(skipped, Qt::CaseInsensitive) != 0)
            fields.push_back({record.fieldName(i).toStdString(), StoredValue(record.value(i))});
    return fields;
}

// The box of a searched field.
int BoxOfField(const QString& field)
{
    if (field == QLatin1String("Title"))
        return 3;
    if (field == QLatin1String("Para"))
        return 4;
    if (field == QLatin1String("Body"))
        return 5;
    return 7;
}

} // namespace

void SiteEditorWindow::pageShown()
{
    refreshNameLists();
    m_pageList->followCurrentPage();
    m_previewPane->showEditedPage();
}

void SiteEditorWindow::refreshNameLists()
{
    if (!m_pages->isOpen())
        return;
    PageContentTab::setNames(m_pageTab->cmbCategory, m_pages->storedValues(QStringLiteral("Category")));
    PageContentTab::setNames(m_pageTab->cmbSection, m_pages->storedValues(QStringLiteral("Section"),
                                                                          QStringLiteral("Category"), fieldText(1)));
}

void SiteEditorWindow::showSpellingStatus()
{
    m_pageTab->lblSpelling->setText(m_spell->status());
    m_pageTab->lblSpelling->setVisible(!m_spell->status().isEmpty());
}

generator::PreviewEdits SiteEditorWindow::previewEdits()
{
    generator::PreviewEdits edits;
    const QSqlRecord page = m_pages->currentRecord();
    if (!page.isEmpty()) {
        edits.hasPage = true;
        edits.artId = StoredValue(page.value(QStringLiteral("ArtID")));
        edits.page = StoredFields(page, QStringLiteral("ArtID"));
    }
    edits.options = StoredFields(m_options->currentRecord());
    return edits;
}

void SiteEditorWindow::connectPreview()
{
    // Any value that shows on a page: the page's boxes and every setting.
    const auto changed = [this] { m_previewPane->scheduleRefresh(); };
    for (auto* box : m_tabs->findChildren<QLineEdit*>())
        connect(box, &QLineEdit::textChanged, m_previewPane, changed);
    for (auto* box : m_tabs->findChildren<QPlainTextEdit*>())
        connect(box, &QPlainTextEdit::textChanged, m_previewPane, changed);
    for (auto* box : m_tabs->findChildren<QComboBox*>())
        if (!box->isEditable())
            connect(box, &QComboBox::currentIndexChanged, m_previewPane, changed);
}

void SiteEditorWindow::setPreviewVisible(bool visible)
{
    m_previewPane->setVisible(visible);
}

bool SiteEditorWindow::isPreviewVisible() const
{
    return !m_previewPane->isHidden();
}

void SiteEditorWindow::insertLink()
{
    const auto pages = m_pages->storedPages();
    std::vector<std::string> items = {"A web address ..."};
    for (const auto& [artId, title] : pages)
        items.push_back((title.trimmed().isEmpty() ? tr("(a page without a title)") : title).toStdString());
    const auto chosen = m_ui.chooseItem("Link to one of your pages, or to a web address:", "Link", items);
    if (!chosen)
        return;
    std::string address;
    std::string text = m_pageTab->formatToolbar->selectedText().toStdString();
    if (*chosen == 0) {
        const auto typed = m_ui.askText("The web address to link to (for example www.example.org):", "Link");
        if (!typed || generator::WebAddress(*typed).empty())
            return;
        address = generator::WebAddress(*typed);
        if (text.empty())
            text = generator::EscapeText(address);
    } else {
        const auto& [artId, title] = pages.at(static_cast<qsizetype>(*chosen - 1));
        address = generator::ArticleLink(artId.toString().toStdString());
        if (text.empty())
            text = title.toStdString();
    }
    m_pageTab->formatToolbar->insertHtml(QString::fromStdString(generator::LinkHtml(address, text)));
}

void SiteEditorWindow::insertPicture()
{
    // Kept under the name the site's images folder will hold it by, which the tag names.
    const auto copy = copyChosenPicture("Select a picture to put into the text", true);
    if (!copy)
        return;
    const auto alt = m_ui.askText("Describe the picture in a few words, for visitors who cannot see it:", "Picture");
    if (!alt)
        return;
    m_pageTab->formatToolbar->insertHtml(
        QString::fromStdString(generator::PictureHtml(app::FileNameOfPath(*copy), *alt)));
}

void SiteEditorWindow::showFind()
{
    if (!m_find) {
        m_find = new FindDialog(*this, window());
        m_find->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_find->show();
    m_find->raise();
    m_find->activateWindow();
    m_find->txtFind->setFocus(Qt::OtherFocusReason);
    m_find->txtFind->selectAll();
}

QList<PageHit> SiteEditorWindow::findInPages(const QString& text, Qt::CaseSensitivity matching)
{
    return m_pages->find(text, matching);
}

void SiteEditorWindow::replaceInPages(const QString& text, const QString& with, Qt::CaseSensitivity matching)
{
    // What is typed is stored first, so that the backup holds it and nothing typed is lost.
    const Status saved = m_pages->commit();
    if (!saved.ok()) {
        reportFailure(saved);
        return;
    }
    const QList<PageHit> hits = m_pages->find(text, matching);
    if (hits.isEmpty()) {
        m_ui.showMessage("\"" + text.toStdString() + "\" is on no page.", app::kProgramTitle,
                         app::MessageIcon::Information);
        return;
    }
    QList<QVariant> pages;
    for (const PageHit& hit : hits)
        if (!pages.contains(hit.artId))
            pages << hit.artId;
    const std::string question = "Replace \"" + text.toStdString() + "\" with \"" + with.toStdString() + "\" " +
                                 std::to_string(hits.size()) + (hits.size() == 1 ? " time" : " times") + " on " +
                                 std::to_string(pages.size()) + (pages.size() == 1 ? " page" : " pages") +
                                 "?\nA backup of the site is taken first.";
    if (!m_ui.askYesNo(question, app::kProgramTitle))
        return;
    const std::string base = app::BaseFolder(m_state.options);
    auto backup = app::TakeSnapshot(m_sitePath.toStdString(), base, std::time(nullptr));
    if (!backup) {
        reportFailure(backup.status().withContext("Nothing was replaced: no backup of the site could be taken"));
        return;
    }
    // An unchanged site keeps its last backup, which holds it as it is now.
    std::string when;
    if (auto list = app::ListBackups(m_sitePath.toStdString(), base); list && !list->empty())
        when = list->front().when;
    auto replaced = m_pages->replaceAll(text, with, matching);
    if (!replaced) {
        reportFailure(replaced.status());
        return;
    }
    m_ui.showMessage("Replaced " + std::to_string(replaced.value()) + (replaced.value() == 1 ? " time" : " times") +
                         ". To undo it, choose File > Restore from Backup... and the backup of " + when + ".",
                     app::kProgramTitle, app::MessageIcon::Information);
}

void SiteEditorWindow::goToHit(const PageHit& hit)
{
    if (Status s = m_pages->moveToPage(hit.artId); !s.ok()) {
        reportFailure(s);
        return;
    }
    selectTab(PageContent);
    QWidget* box = m_txtFields[static_cast<std::size_t>(BoxOfField(hit.field))];
    box->setFocus(Qt::OtherFocusReason);
    if (auto* line = qobject_cast<QLineEdit*>(box)) {
        line->setSelection(hit.position, hit.length);
    } else if (auto* text = qobject_cast<QPlainTextEdit*>(box)) {
        QTextCursor cursor = text->textCursor();
        cursor.setPosition(hit.position);
        cursor.setPosition(hit.position + hit.length, QTextCursor::KeepAnchor);
        text->setTextCursor(cursor);
        text->ensureCursorVisible();
    }
}

} // namespace qle::ui
