// The named database connections the bound data sources use: one per source, each closed with it.
#pragma once

#include "store/Status.h"

#include <QSqlDatabase>
#include <QString>

namespace qle::ui {

// Checks that `path` is an existing site file with the `Articles` and `Options` tables, without
// creating or changing anything. The error names the file and why it is not a site.
Status CheckSiteFile(const std::string& path);

// Owns one named QSQLITE connection to a database file that already exists.
class SiteConnection
{
public:
    SiteConnection() = default;
    ~SiteConnection();
    SiteConnection(const SiteConnection&) = delete;
    SiteConnection& operator=(const SiteConnection&) = delete;

    // Opens the file on a connection of its own; a missing file is an error, never created.
    Status open(const QString& path);
    // Removes the connection. REQUIRES: every model and query on it is gone.
    void close();

    QSqlDatabase database() const;
    bool isOpen() const { return !m_name.isEmpty(); }

private:
    QString m_name;
};

} // namespace qle::ui
