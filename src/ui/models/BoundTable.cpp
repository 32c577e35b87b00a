#include "ui/models/BoundTable.h"

#include <QDataWidgetMapper>
#include <QSqlError>
#include <QSqlTableModel>

namespace qle::ui {

BoundTable::BoundTable(QObject* mapperParent)
    : m_mapper(new QDataWidgetMapper(mapperParent))
{
    m_mapper->setSubmitPolicy(QDataWidgetMapper::ManualSubmit);
}

BoundTable::~BoundTable()
{
    // The mapper lets go of a model as it is destroyed; the connection goes after the model.
    m_model.reset();
    m_connection.close();
}

void BoundTable::addMapping(QWidget* widget, const char* field)
{
    m_mappings.emplace_back(widget, QByteArray(field));
}

Status BoundTable::open(const QString& sitePath, const QString& table, const QString& sortField,
                        const std::string& description)
{
    m_model.reset();
    if (Status s = m_connection.open(sitePath); !s.ok())
        return s;
    m_model = std::make_unique<QSqlTableModel>(nullptr, m_connection.database());
    m_model->setTable(table);
    m_model->setEditStrategy(QSqlTableModel::OnManualSubmit);
    if (!sortField.isEmpty())
        m_model->setSort(m_model->fieldIndex(sortField), Qt::AscendingOrder);
    if (!m_model->select())
        return Status::DatabaseError("Cannot read the " + description + " of " + sitePath.toStdString() + ": " +
                                     m_model->lastError().text().toStdString());
    fetchAll();
    m_mapper->setModel(m_model.get());
    for (const auto& [widget, field] : m_mappings)
        m_mapper->addMapping(widget, m_model->fieldIndex(QString::fromLatin1(field)));
    return Status::OK();
}

Status BoundTable::submitAll(const std::string& failure)
{
    if (!m_model->submitAll())
        return Status::DatabaseError(failure + ": " + m_model->lastError().text().toStdString());
    fetchAll();
    return Status::OK();
}

void BoundTable::fetchAll()
{
    // A half-read result would keep a read statement open on the file and block other writers.
    while (m_model->canFetchMore())
        m_model->fetchMore();
}

} // namespace qle::ui
