// One table of the open site bound to widgets: a connection of its own, a manually submitted model
// holding every row, and the mapper that shows one row in the bound widgets.
#pragma once

#include "store/Status.h"
#include "ui/models/SiteConnection.h"

#include <QByteArray>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QDataWidgetMapper;
class QObject;
class QSqlTableModel;
class QWidget;

namespace qle::ui {

class BoundTable
{
public:
    // The mapper is owned by `mapperParent`.
    explicit BoundTable(QObject* mapperParent);
    ~BoundTable();
    BoundTable(const BoundTable&) = delete;
    BoundTable& operator=(const BoundTable&) = delete;

    // Binds a widget to a field through its user property (before open()).
    void addMapping(QWidget* widget, const char* field);

    // Opens the site file and reads every row of `table`, sorted by `sortField` when one is given.
    // The error names the file and `description` ("pages", "settings").
    Status open(const QString& sitePath, const QString& table, const QString& sortField,
                const std::string& description);
    bool isOpen() const { return m_model != nullptr; }

    // Writes every pending change; the table is then read again, which resets the mapper's row.
    // On failure the changes stay pending and the error starts with `failure`.
    Status submitAll(const std::string& failure);

    // REQUIRES: isOpen() for model()
    QSqlTableModel& model() const { return *m_model; }
    QDataWidgetMapper& mapper() const { return *m_mapper; }

private:
    void fetchAll();

    SiteConnection m_connection;
    std::unique_ptr<QSqlTableModel> m_model;
    QDataWidgetMapper* m_mapper;
    std::vector<std::pair<QWidget*, QByteArray>> m_mappings;
};

} // namespace qle::ui
