#include "ui/models/PagesSource.h"

#include "ui/editor/TextBoxes.h"

#include <QDataWidgetMapper>
#include <QSqlRecord>
#include <QSqlTableModel>

#include <map>

namespace qle::ui {

namespace {

constexpr const char* kTrimmedFields[] = {"Category", "Section"};

} // namespace

QString PagesSource::TrimmedName(const QString& name)
{
    return name.trimmed();
}

void PagesSource::submitBoxes()
{
    if (m_row >= m_table.model().rowCount())
        return;
    m_table.mapper().submit();
    // Stored names have no blanks around them; the boxes are left as typed until the page is shown again.
    for (const char* name : kTrimmedFields) {
        const int column = m_table.model().fieldIndex(QString::fromLatin1(name));
        const QModelIndex index = m_table.model().index(m_row, column);
        const QVariant value = m_table.model().data(index);
        if (!value.isNull() && value.toString() != TrimmedName(value.toString()))
            m_table.model().setData(index, TrimmedName(value.toString()));
    }
}

Status PagesSource::submitAll(const std::string& failure)
{
    const Status status = m_table.submitAll(failure);
    if (status.ok())
        emit pagesWritten();
    return status;
}

PagesSource::PagesSource(QObject* parent)
    : QObject(parent)
    , m_table(this)
{
}

void PagesSource::addMapping(QWidget* widget, const char* field)
{
    m_table.addMapping(widget, field);
}

Status PagesSource::open(const QString& sitePath)
{
    if (Status s = m_table.open(sitePath, QStringLiteral("Articles"), QStringLiteral("ArtID"), "pages"); !s.ok())
        return s;
    if (m_table.model().rowCount() == 0)
        beginNewPage();
    else
        showRow(0);
    return Status::OK();
}

int PagesSource::pageCount() const
{
    return isOpen() ? m_table.model().rowCount() : 0;
}

bool PagesSource::isNewPage() const
{
    // Stored pages always have an ArtID; the database gives one when a new page is first written.
    return isOpen() && m_row < m_table.model().rowCount() &&
           m_table.model().record(m_row).value(QStringLiteral("ArtID")).isNull();
}

QString PagesSource::positionText() const
{
    if (!isOpen())
        return {};
    const int rows = m_table.model().rowCount();
    const bool onNewPage = m_row >= rows || isNewPage();
    const int stored = rows - (rows > 0 && m_table.model().record(rows - 1).value(QStringLiteral("ArtID")).isNull());
    if (onNewPage)
        return tr("New page (%1 stored)").arg(stored);
    return tr("Page %1 of %2").arg(m_row + 1).arg(stored);
}

QString PagesSource::currentArtId() const
{
    if (!isOpen() || m_row >= m_table.model().rowCount())
        return {};
    const QVariant id = m_table.model().record(m_row).value(QStringLiteral("ArtID"));
    return id.isNull() ? QString() : id.toString();
}

int PagesSource::rowOfArtId(const QVariant& artId) const
{
    const int column = m_table.model().fieldIndex(QStringLiteral("ArtID"));
    for (int row = 0; row < m_table.model().rowCount(); ++row)
        if (m_table.model().data(m_table.model().index(row, column)) == artId)
            return row;
    return -1;
}

bool PagesSource::rowIsBlank(int row) const
{
    const QSqlRecord record = m_table.model().record(row);
    for (int i = 0; i < record.count(); ++i)
        if (record.fieldName(i).compare(QStringLiteral("ArtID"), Qt::CaseInsensitive) != 0 &&
            !record.value(i).toString().isEmpty())
            return false;
    return true;
}

void PagesSource::showRow(int row)
{
    m_row = row;
    if (row < m_table.model().rowCount())
        m_table.mapper().setCurrentIndex(row);
    emit currentPageChanged();
}

void PagesSource::beginNewPage()
{
    const int row = m_table.model().rowCount();
    m_table.model().insertRow(row);
    showRow(row);
}

Status PagesSource::commit()
{
    if (!isOpen())
        return Status::OK();
    submitBoxes();
    const bool wasNew = isNewPage();
    // Nothing typed yet: nothing to store. The blank page stays under the boxes, so that whatever is
    // typed next is stored by the next save; leaving it (leave()) drops it.
    if (wasNew && rowIsBlank(m_row))
        return Status::OK();
    if (!m_table.model().isDirty())
        return Status::OK();
    const QVariant id = m_table.model().record(m_row).value(QStringLiteral("ArtID"));
    if (Status s = submitAll("The page could not be saved"); !s.ok())
        return s;
    // The model is read again after a write, which resets the mapper: find the page again. A new page
    // has the highest ArtID, since ids are never reused.
    int row = wasNew ? m_table.model().rowCount() - 1 : rowOfArtId(id);
    if (row < 0)
        row = qMax(0, m_table.model().rowCount() - 1);
    m_row = row;
    if (row < m_table.model().rowCount())
        m_table.mapper().setCurrentIndex(row);
    // A new page now has its ArtID.
    if (wasNew)
        emit currentPageChanged();
    return Status::OK();
}

Status PagesSource::leave()
{
    if (isNewPage()) {
        submitBoxes();
        if (rowIsBlank(m_row)) {
            // A blank new page is never stored: moving away drops it, leaving the position past the end.
            m_table.model().revertRow(m_row);
            m_row = m_table.model().rowCount();
            return Status::OK();
        }
    }
    return commit();
}

Status PagesSource::moveFirst()
{
    if (Status s = leave(); !s.ok())
        return s;
    if (m_table.model().rowCount() == 0)
        beginNewPage();
    else
        showRow(0);
    return Status::OK();
}

Status PagesSource::movePrevious()
{
    if (Status s = leave(); !s.ok())
        return s;
    if (m_table.model().rowCount() == 0)
        beginNewPage();
    else
        showRow(qMax(0, m_row - 1));
    return Status::OK();
}

Status PagesSource::moveNext()
{
    if (Status s = leave(); !s.ok())
        return s;
    if (m_row + 1 >= m_table.model().rowCount())
        beginNewPage();
    else
        showRow(m_row + 1);
    return Status::OK();
}

Status PagesSource::moveLast()
{
    if (Status s = leave(); !s.ok())
        return s;
    if (m_table.model().rowCount() == 0)
        beginNewPage();
    else
        showRow(m_table.model().rowCount() - 1);
    return Status::OK();
}

Status PagesSource::addNew()
{
    if (Status s = leave(); !s.ok())
        return s;
    beginNewPage();
    return Status::OK();
}

bool PagesSource::isBlankNewPage()
{
    if (!isNewPage())
        return false;
    submitBoxes();
    return rowIsBlank(m_row);
}

QSqlRecord PagesSource::currentRecord()
{
    if (!isOpen() || m_row >= m_table.model().rowCount())
        return {};
    submitBoxes();
    return m_table.model().record(m_row);
}

Status PagesSource::restorePage(const QSqlRecord& page)
{
    if (!isOpen())
        return Status::OK();
    if (Status s = leave(); !s.ok())
        return s;
    const QVariant id = page.value(QStringLiteral("ArtID"));
    // Every field is written back, whichever of them were edited before the page was deleted.
    QSqlRecord whole = page;
    for (int i = 0; i < whole.count(); ++i)
        whole.setGenerated(i, true);
    if (!m_table.model().insertRecord(-1, whole))
        return Status::DatabaseError("The page could not be put back");
    if (Status s = submitAll("The page could not be put back"); !s.ok()) {
        m_table.model().revertAll();
        return s;
    }
    const int row = rowOfArtId(id);
    showRow(row < 0 ? qMax(0, m_table.model().rowCount() - 1) : row);
    return Status::OK();
}

Status PagesSource::deleteCurrent()
{
    if (!isOpen())
        return Status::OK();
    if (m_row >= m_table.model().rowCount() || isNewPage()) {
        // No stored page to delete: drop the new one and start afresh, as "add" does.
        if (m_row < m_table.model().rowCount())
            m_table.model().revertRow(m_row);
        beginNewPage();
        return Status::OK();
    }
    const int row = m_row;
    m_table.model().removeRow(row);
    if (Status s = submitAll("The page could not be saved"); !s.ok()) {
        m_table.model().revertAll();
        showRow(qMin(row, m_table.model().rowCount() - 1));
        return s;
    }
    if (m_table.model().rowCount() == 0)
        beginNewPage();
    else
        showRow(qMin(row, m_table.model().rowCount() - 1));
    return Status::OK();
}

Status PagesSource::moveToPage(const QVariant& artId)
{
    if (!isOpen())
        return Status::OK();
    if (Status s = leave(); !s.ok())
        return s;
    const int row = rowOfArtId(artId);
    if (row >= 0)
        showRow(row);
    else if (m_row >= m_table.model().rowCount())
        beginNewPage(); // the page shown was a dropped new page: nothing else to stay on
    return Status::OK();
}

void PagesSource::clearField(const QString& field)
{
    if (!isOpen() || m_row >= m_table.model().rowCount())
        return;
    submitBoxes();
    m_table.model().setData(m_table.model().index(m_row, m_table.model().fieldIndex(field)), QVariant());
    m_table.mapper().revert();
}

QList<PageHit> PagesSource::find(const QString& text, Qt::CaseSensitivity matching)
{
    QList<PageHit> hits;
    if (!isOpen() || text.isEmpty())
        return hits;
    submitBoxes();
    const QSqlTableModel& model = m_table.model();
    constexpr int kAround = 30;
    for (int row = 0; row < model.rowCount(); ++row) {
        const QSqlRecord record = model.record(row);
        if (record.value(QStringLiteral("ArtID")).isNull())
            continue; // a new page is searched once stored
        for (const char* name : kSearchedFields) {
            const QString field = QString::fromLatin1(name);
            const QString value = WithLf(record.value(field).toString());
            for (qsizetype at = value.indexOf(text, 0, matching); at >= 0;
                 at = value.indexOf(text, at + text.size(), matching)) {
                const qsizetype from = qMax<qsizetype>(0, at - kAround);
                QString excerpt = value.mid(from, at - from + text.size() + kAround).simplified();
                if (from > 0)
                    excerpt.prepend(QStringLiteral("…"));
                if (at + text.size() + kAround < value.size())
                    excerpt.append(QStringLiteral("…"));
                hits.append({record.value(QStringLiteral("ArtID")), record.value(QStringLiteral("Title")).toString(),
                             field, static_cast<int>(at), static_cast<int>(text.size()), excerpt});
            }
        }
    }
    return hits;
}

Result<int> PagesSource::replaceAll(const QString& text, const QString& with, Qt::CaseSensitivity matching)
{
    if (!isOpen() || text.isEmpty())
        return 0;
    submitBoxes();
    QSqlTableModel& model = m_table.model();
    // A blank new page is never stored: it is dropped while the pages are written, then begun again.
    const bool blankNewPage = isNewPage() && rowIsBlank(m_row);
    if (blankNewPage) {
        model.revertRow(m_row);
        m_row = model.rowCount();
    }
    const auto showAgain = [this, blankNewPage](const QVariant& artId) {
        const int row = artId.isNull() ? -1 : rowOfArtId(artId);
        if (blankNewPage)
            beginNewPage();
        else
            showRow(row >= 0 ? row : qMin(m_row, qMax(0, m_table.model().rowCount() - 1)));
    };
    const QVariant shown = m_row < model.rowCount() ? model.record(m_row).value(QStringLiteral("ArtID")) : QVariant();
    int replaced = 0;
    for (int row = 0; row < model.rowCount(); ++row) {
        if (model.record(row).value(QStringLiteral("ArtID")).isNull())
            continue;
        for (const char* name : kSearchedFields) {
            const QModelIndex index = model.index(row, model.fieldIndex(QString::fromLatin1(name)));
            const QString value = model.data(index).toString();
            const int count = static_cast<int>(value.count(text, matching));
            if (count == 0)
                continue;
            QString changed = value;
            changed.replace(text, with, matching);
            model.setData(index, changed);
            replaced += count;
        }
    }
    if (replaced == 0) {
        if (blankNewPage)
            beginNewPage();
        return 0;
    }
    if (Status s = submitAll("The pages could not be changed"); !s.ok()) {
        model.revertAll();
        showAgain(shown);
        return s;
    }
    showAgain(shown);
    return replaced;
}

QList<QPair<QVariant, QString>> PagesSource::storedPages() const
{
    QList<QPair<QVariant, QString>> pages;
    if (!isOpen())
        return pages;
    const QSqlTableModel& model = m_table.model();
    for (int row = 0; row < model.rowCount(); ++row) {
        const QSqlRecord record = model.record(row);
        if (!record.value(QStringLiteral("ArtID")).isNull())
            pages.append({record.value(QStringLiteral("ArtID")), record.value(QStringLiteral("Title")).toString()});
    }
    std::stable_sort(pages.begin(), pages.end(),
                     [](const auto& a, const auto& b) { return a.second.localeAwareCompare(b.second) < 0; });
    return pages;
}

QStringList PagesSource::storedValues(const QString& field, const QString& whereField, const QString& where) const
{
    if (!isOpen())
        return {};
    const QSqlTableModel& model = m_table.model();
    const int column = model.fieldIndex(field);
    const int whereColumn = whereField.isEmpty() ? -1 : model.fieldIndex(whereField);
    const QString wanted = TrimmedName(where);
    std::map<QString, QString> values; // folded -> as first stored
    for (int row = 0; row < model.rowCount(); ++row) {
        if (row == m_row)
            continue; // being typed
        if (whereColumn >= 0 &&
            TrimmedName(model.data(model.index(row, whereColumn)).toString()).compare(wanted, Qt::CaseInsensitive) != 0)
            continue;
        const QString value = TrimmedName(model.data(model.index(row, column)).toString());
        if (!value.isEmpty())
            values.emplace(value.toCaseFolded(), value);
    }
    QStringList list;
    for (const auto& [folded, value] : values)
        list << value;
    list.sort(Qt::CaseInsensitive);
    return list;
}

} // namespace qle::ui
