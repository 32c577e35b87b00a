#include "ui/models/OptionsSource.h"

#include <QDataWidgetMapper>
#include <QSqlError>
#include <QSqlTableModel>

namespace qle::ui {

OptionsSource::OptionsSource(QObject* parent)
    : QObject(parent)
    , m_mapper(new QDataWidgetMapper(this))
{
    m_mapper->setSubmitPolicy(QDataWidgetMapper::ManualSubmit);
}

OptionsSource::~OptionsSource()
{
    // The mapper lets go of a model as it is destroyed.
    m_model.reset();
    m_connection.close();
}

void OptionsSource::addMapping(QWidget* widget, const char* field)
{
    m_mappings.emplace_back(widget, QByteArray(field));
}

void OptionsSource::fetchAll()
{
    while (m_model->canFetchMore())
        m_model->fetchMore();
}

Status OptionsSource::open(const QString& sitePath)
{
    // The mapper lets go of a model as it is destroyed.
    m_model.reset();
    if (Status s = m_connection.open(sitePath); !s.ok())
        return s;
    m_model = std::make_unique<QSqlTableModel>(nullptr, m_connection.database());
    m_model->setTable(QStringLiteral("Options"));
    m_model->setEditStrategy(QSqlTableModel::OnManualSubmit);
    if (!m_model->select())
        return Status::DatabaseError("Cannot read the settings of " + sitePath.toStdString() + ": " +
                                     m_model->lastError().text().toStdString());
    fetchAll();
    m_mapper->setModel(m_model.get());
    for (const auto& [widget, field] : m_mappings)
        m_mapper->addMapping(widget, m_model->fieldIndex(QString::fromLatin1(field)));
    // A site whose settings row went missing gets one when first saved, so no setting typed is lost.
    if (m_model->rowCount() == 0)
        m_model->insertRow(0);
    m_mapper->toFirst();
    return Status::OK();
}

bool OptionsSource::isOpen() const
{
    return m_model != nullptr;
}

Status OptionsSource::commit()
{
    if (!m_model)
        return Status::OK();
    m_mapper->submit();
    if (!m_model->isDirty())
        return Status::OK();
    if (!m_model->submitAll())
        return Status::DatabaseError("The site settings could not be saved: " +
                                     m_model->lastError().text().toStdString());
    fetchAll();
    // Reading the table again resets the mapper.
    m_mapper->toFirst();
    return Status::OK();
}

} // namespace qle::ui
