#include "ui/models/PagesSource.h"

#include <QDataWidgetMapper>
#include <QSqlRecord>
#include <QSqlTableModel>

namespace qle::ui {

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
    if (m_row < m_table.model().rowCount())
        m_table.mapper().submit();
    const bool wasNew = isNewPage();
    // Nothing typed yet: nothing to store. The blank page stays under the boxes, so that whatever is
    // typed next is stored by the next save; leaving it (leave()) drops it.
    if (wasNew && rowIsBlank(m_row))
        return Status::OK();
    if (!m_table.model().isDirty())
        return Status::OK();
    const QVariant id = m_table.model().record(m_row).value(QStringLiteral("ArtID"));
    if (Status s = m_table.submitAll("The page could not be saved"); !s.ok())
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
        m_table.mapper().submit();
        if (rowIsBlank(m_row)) {
            // A blank new page is never stored: moving away drops it, leaving the position past the end.
            m_table.model().revertRow(m_row);
            m_row = m_table.model().rowCount();
            return Status::OK();
        }
    }
    return commit();
}

Status PagesSource::moveToArtId(const QString& artId)
{
    if (Status s = leave(); !s.ok())
        return s;
    const int row = rowOfArtId(artId);
    if (row < 0)
        return Status::NotFound("No page has the number " + artId.toStdString() + " any more");
    showRow(row);
    return Status::OK();
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
    m_table.mapper().submit();
    return rowIsBlank(m_row);
}

QSqlRecord PagesSource::currentRecord()
{
    if (!isOpen() || m_row >= m_table.model().rowCount())
        return {};
    m_table.mapper().submit();
    return m_table.model().record(m_row);
}

Status PagesSource::restorePage(const QSqlRecord& page)
{
    if (!isOpen())
        return Status::OK();
    if (Status s = leave(); !s.ok())
        return s;
    const QVariant id = page.value(QStringLiteral("ArtID"));
    if (!m_table.model().insertRecord(-1, page))
        return Status::DatabaseError("The page could not be put back");
    if (Status s = m_table.submitAll("The page could not be put back"); !s.ok()) {
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
    if (Status s = m_table.submitAll("The page could not be saved"); !s.ok()) {
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

} // namespace qle::ui
