#include "ui/editor/PageList.h"

#include "ui/models/PagesSource.h"

#include <QHeaderView>
#include <QSortFilterProxyModel>
#include <QSqlRecord>
#include <QSqlTableModel>

namespace qle::ui {

namespace {

constexpr const char* kListed[] = {"Category", "Section", "Title"};

// Category, then section, then title, in the reader's order (letter case aside); the ArtID
// decides between equals. Only the three listed fields are shown; a new page not stored yet is not.
class SortedPages : public QSortFilterProxyModel
{
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool filterAcceptsColumn(int column, const QModelIndex&) const override
    {
        const QString name = table()->record().fieldName(column);
        for (const char* listed : kListed)
            if (name.compare(QLatin1String(listed), Qt::CaseInsensitive) == 0)
                return true;
        return false;
    }

    bool filterAcceptsRow(int row, const QModelIndex&) const override
    {
        return !table()->record(row).value(QStringLiteral("ArtID")).isNull();
    }

    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override
    {
        const QSqlRecord a = table()->record(left.row());
        const QSqlRecord b = table()->record(right.row());
        for (const char* field : kListed) {
            const QString name = QString::fromLatin1(field);
            const int order =
                PagesSource::TrimmedName(a.value(name).toString())
                    .toCaseFolded()
                    .localeAwareCompare(PagesSource::TrimmedName(b.value(name).toString()).toCaseFolded());
            if (order != 0)
                return order < 0;
        }
        return a.value(QStringLiteral("ArtID")).toLongLong() < b.value(QStringLiteral("ArtID")).toLongLong();
    }

private:
    const QSqlTableModel* table() const { return static_cast<const QSqlTableModel*>(sourceModel()); }
};

} // namespace

PageList::PageList(QWidget* parent)
    : QTreeView(parent)
    , m_sorted(new SortedPages(this))
{
    setObjectName(QStringLiteral("lstPages"));
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAlternatingRowColors(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setFocusPolicy(Qt::ClickFocus);
    setToolTip(tr("Every page of the site: click one to edit it"));
    m_sorted->setDynamicSortFilter(true);
    setModel(m_sorted);
    connect(this, &QTreeView::clicked, this, &PageList::choose);
    connect(this, &QTreeView::activated, this, &PageList::choose);
}

void PageList::setSource(PagesSource* pages)
{
    m_pages = pages;
    if (!pages->isOpen())
        return;
    m_sorted->setSourceModel(&pages->model());
    m_sorted->sort(0);
    header()->setSectionResizeMode(QHeaderView::Interactive);
    header()->setStretchLastSection(true);
    for (int column = 0; column < 2; ++column)
        setColumnWidth(column, fontMetrics().horizontalAdvance(QLatin1Char('x')) * 9);
    followCurrentPage();
}

void PageList::followCurrentPage()
{
    if (!m_pages || !m_pages->isOpen() || !m_sorted->sourceModel())
        return;
    const int row = m_pages->currentRow();
    const int column = m_pages->model().fieldIndex(QStringLiteral("Category"));
    const QModelIndex index = row < m_pages->model().rowCount()
                                  ? m_sorted->mapFromSource(m_pages->model().index(row, column))
                                  : QModelIndex();
    if (!index.isValid()) {
        clearSelection();
        return;
    }
    setCurrentIndex(index);
    scrollTo(index);
}

void PageList::choose(const QModelIndex& index)
{
    if (!index.isValid() || !m_pages)
        return;
    const QModelIndex source = m_sorted->mapToSource(index);
    const QVariant artId = m_pages->model().record(source.row()).value(QStringLiteral("ArtID"));
    if (!artId.isNull())
        emit pageChosen(artId);
}

QStringList PageList::listedPages() const
{
    QStringList pages;
    for (int row = 0; row < m_sorted->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < m_sorted->columnCount(); ++column)
            cells << m_sorted->index(row, column).data().toString();
        pages << cells.join(QStringLiteral(" | "));
    }
    return pages;
}

} // namespace qle::ui
