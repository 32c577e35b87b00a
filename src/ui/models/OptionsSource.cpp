#include "ui/models/OptionsSource.h"

#include <QDataWidgetMapper>
#include <QSqlRecord>
#include <QSqlTableModel>

namespace qle::ui {

OptionsSource::OptionsSource(QObject* parent)
    : QObject(parent)
    , m_table(this)
{
}

void OptionsSource::addMapping(QWidget* widget, const char* field)
{
    m_table.addMapping(widget, field);
}

Status OptionsSource::open(const QString& sitePath)
{
    if (Status s = m_table.open(sitePath, QStringLiteral("Options"), QString(), "settings"); !s.ok())
        return s;
    // A site whose settings row went missing gets one when first saved, so no setting typed is lost.
    if (m_table.model().rowCount() == 0)
        m_table.model().insertRow(0);
    m_table.mapper().toFirst();
    return Status::OK();
}

QSqlRecord OptionsSource::currentRecord()
{
    if (!isOpen())
        return {};
    m_table.mapper().submit();
    return m_table.model().record(0);
}

Status OptionsSource::commit()
{
    if (!isOpen())
        return Status::OK();
    m_table.mapper().submit();
    if (!m_table.model().isDirty())
        return Status::OK();
    if (Status s = m_table.submitAll("The site settings could not be saved"); !s.ok())
        return s;
    // Reading the table again resets the mapper.
    m_table.mapper().toFirst();
    return Status::OK();
}

QString OptionsSource::fieldValue(const char* field) const
{
    return m_table.model().record(0).value(QString::fromLatin1(field)).toString();
}

void OptionsSource::setFieldValue(const char* field, const QString& value)
{
    QSqlTableModel& model = m_table.model();
    const QModelIndex index = model.index(0, model.fieldIndex(QString::fromLatin1(field)));
    if (model.data(index).toString() != value)
        model.setData(index, value);
}

} // namespace qle::ui
