#include "ui/models/PagesSource.h"

#include <QDataWidgetMapper>
#include <QSqlError>
#include <QSqlRecord>
#include <QSqlTableModel>

namespace qle::ui {

namespace {

std::string ErrorText(const QSqlTableModel& model)
{
    return model.lastError().text().toStdString();
}

} // namespace

PagesSource::PagesSource(QObject* parent)
    : QObject(parent)
    , m_mapper(new QDataWidgetMapper(this))
{
    m_mapper->setSubmitPolicy(QDataWidgetMapper::ManualSubmit);
}

PagesSource::~PagesSource()
{
    // The mapper lets go of a model as it is destroyed.
    m_model.reset();
    m_connection.close();
}

void PagesSource::addMapping(QWidget* widget, const char* field)
{
    m_mappings.emplace_back(widget, QByteArray(field));
}

Status PagesSource::open(const QString& sitePath)
{
    // The mapper lets go of a model as it is destroyed.
    m_model.reset();
    if (Status s = m_connection.open(sitePath); !s.ok())
        return s;
    m_model = std::make_unique<QSqlTableModel>(nullptr, m_connection.database());
    m_model->setTable(QStringLiteral("Articles"));
    m_model->setEditStrategy(QSqlTableModel::OnManualSubmit);
    m_model->setSort(m_model->fieldIndex(QStringLiteral("ArtID")), Qt::AscendingOrder);
    if (!m_model->select())
        return Status::DatabaseError("Cannot read the pages of " + sitePath.toStdString() + ": " + ErrorText(*m_model));
    fetchAll();
    m_mapper->setModel(m_model.get());
    for (const auto& [widget, field] : m_mappings)
        m_mapper->addMapping(widget, m_model->fieldIndex(QString::fromLatin1(field)));
    if (m_model->rowCount() == 0)
        beginNewPage();
    else
        showRow(0);
    return Status::OK();
}

bool PagesSource::isOpen() const
{
    return m_model != nullptr;
}

void PagesSource::fetchAll()
{
    // A half-read result would keep a read statement open on the file and block other writers.
    while (m_model->canFetchMore())
        m_model->fetchMore();
}

int PagesSource::pageCount() const
{
    return m_model ? m_model->rowCount() : 0;
}

bool PagesSource::isNewPage() const
{
    // Stored pages always have an ArtID; the database gives one when a new page is first written.
    return m_model && m_row < m_model->rowCount() && m_model->record(m_row).value(QStringLiteral("ArtID")).isNull();
}

QString PagesSource::currentArtId() const
{
    if (!m_model || m_row >= m_model->rowCount())
        return {};
    const QVariant id = m_model->record(m_row).value(QStringLiteral("ArtID"));
    return id.isNull() ? QString() : id.toString();
}

int PagesSource::rowOfArtId(const QVariant& artId) const
{
    const int column = m_model->fieldIndex(QStringLiteral("ArtID"));
    for (int row = 0; row < m_model->rowCount(); ++row)
        if (m_model->data(m_model->index(row, column)) == artId)
            return row;
    return -1;
}

bool PagesSource::rowIsBlank(int row) const
{
    const QSqlRecord record = m_model->record(row);
    for (int i = 0; i < record.count(); ++i)
        if (record.fieldName(i).compare(QStringLiteral("ArtID"), Qt::CaseInsensitive) != 0 &&
            !record.value(i).toString().isEmpty())
            return false;
    return true;
}

void PagesSource::showRow(int row)
{
    m_row = row;
    if (row < m_model->rowCount())
        m_mapper->setCurrentIndex(row);
    emit currentPageChanged();
}

void PagesSource::beginNewPage()
{
    const int row = m_model->rowCount();
    m_model->insertRow(row);
    showRow(row);
}

Status PagesSource::submitModel()
{
    if (!m_model->submitAll()) {
        const std::string error = ErrorText(*m_model);
        return Status::DatabaseError("The page could not be saved: " + error);
    }
    fetchAll();
    return Status::OK();
}

Status PagesSource::commit()
{
    if (!m_model)
        return Status::OK();
    if (m_row < m_model->rowCount())
        m_mapper->submit();
    const bool wasNew = isNewPage();
    if (wasNew && rowIsBlank(m_row)) {
        // Nothing was typed: leave no empty page behind, and stay past the end like the navigator does.
        m_model->revertRow(m_row);
        m_row = m_model->rowCount();
        return Status::OK();
    }
    if (!m_model->isDirty())
        return Status::OK();
    const QVariant id = m_model->record(m_row).value(QStringLiteral("ArtID"));
    if (Status s = submitModel(); !s.ok())
        return s;
    // The model is read again after a write, which resets the mapper: find the page again. A new page
    // has the highest ArtID, since ids are never reused.
    int row = wasNew ? m_model->rowCount() - 1 : rowOfArtId(id);
    if (row < 0)
        row = qMax(0, m_model->rowCount() - 1);
    m_row = row;
    if (row < m_model->rowCount())
        m_mapper->setCurrentIndex(row);
    // A new page now has its ArtID.
    if (wasNew)
        emit currentPageChanged();
    return Status::OK();
}

Status PagesSource::moveFirst()
{
    if (Status s = commit(); !s.ok())
        return s;
    if (m_model->rowCount() == 0)
        beginNewPage();
    else
        showRow(0);
    return Status::OK();
}

Status PagesSource::movePrevious()
{
    if (Status s = commit(); !s.ok())
        return s;
    if (m_model->rowCount() == 0)
        beginNewPage();
    else
        showRow(qMax(0, m_row - 1));
    return Status::OK();
}

Status PagesSource::moveNext()
{
    if (Status s = commit(); !s.ok())
        return s;
    if (m_row + 1 >= m_model->rowCount())
        beginNewPage();
    else
        showRow(m_row + 1);
    return Status::OK();
}

Status PagesSource::moveLast()
{
    if (Status s = commit(); !s.ok())
        return s;
    if (m_model->rowCount() == 0)
        beginNewPage();
    else
        showRow(m_model->rowCount() - 1);
    return Status::OK();
}

Status PagesSource::addNew()
{
    if (Status s = commit(); !s.ok())
        return s;
    beginNewPage();
    return Status::OK();
}

Status PagesSource::deleteCurrent()
{
    if (!m_model)
        return Status::OK();
    if (m_row >= m_model->rowCount() || isNewPage()) {
        // No stored page to delete: drop the new one and start afresh, as "add" does.
        if (m_row < m_model->rowCount())
            m_model->revertRow(m_row);
        beginNewPage();
        return Status::OK();
    }
    const int row = m_row;
    m_model->removeRow(row);
    if (Status s = submitModel(); !s.ok()) {
        m_model->revertAll();
        fetchAll();
        showRow(qMin(row, m_model->rowCount() - 1));
        return s;
    }
    if (m_model->rowCount() == 0)
        beginNewPage();
    else
        showRow(qMin(row, m_model->rowCount() - 1));
    return Status::OK();
}

} // namespace qle::ui
