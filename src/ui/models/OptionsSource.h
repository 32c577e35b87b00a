// Data1: the site's single `Options` record, bound to the settings boxes of every tab.
#pragma once

#include "store/Status.h"
#include "ui/models/BoundTable.h"

#include <QObject>

class QSqlRecord;
class QWidget;

namespace qle::ui {

class OptionsSource : public QObject
{
    Q_OBJECT

public:
    explicit OptionsSource(QObject* parent = nullptr);

    // Binds a widget to a field of `Options` through its user property (before open()).
    void addMapping(QWidget* widget, const char* field);

    // Points the source at a site file and shows its settings record.
    Status open(const QString& sitePath);
    bool isOpen() const { return m_table.isOpen(); }

    // Writes the pending edits of the settings record; on failure they stay pending.
    Status commit();

    // A field no widget is bound to: its value as read, and a new value to write with the next
    // commit(). REQUIRES: isOpen()
    QString fieldValue(const char* field) const;
    void setFieldValue(const char* field, const QString& value);
    // The settings record with its pending edits, as it would be stored; empty while not open.
    QSqlRecord currentRecord();

private:
    BoundTable m_table;
};

} // namespace qle::ui
