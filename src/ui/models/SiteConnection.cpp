#include "ui/models/SiteConnection.h"

#include "app/SiteSchema.h"
#include "store/Database.h"
#include "store/RecordSet.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace qle::ui {

Status CheckSiteFile(const std::string& path)
{
    const QFileInfo info(QString::fromStdString(path));
    if (path.empty() || !info.exists())
        return Status::NotFound("The file " + path + " does not exist");
    if (!info.isFile())
        return Status::InvalidArgument(path + " is not a file");
    auto db = store::Database::open(path);
    if (!db)
        return db.status();
    if (Status s = app::CheckSiteFile(*db); !s.ok())
        return s;
    // Both bound tables must be there, with the fields the editor binds.
    auto pages = db->query("select * from [Articles] where 0");
    if (!pages)
        return pages.status().withContext(path + " is not a Quillon site");
    if (Status s =
            pages->requireFields({"ArtID", "Category", "Section", "Title", "Para", "Body", "Image", "Image_Strap"});
        !s.ok())
        return s.withContext(path + " is not a Quillon site");
    auto options = db->query("select * from [Options] where 0");
    if (!options)
        return options.status().withContext(path + " is not a Quillon site");
    return Status::OK();
}

SiteConnection::~SiteConnection()
{
    close();
}

Status SiteConnection::open(const QString& path)
{
    close();
    if (!QFileInfo(path).isFile())
        return Status::NotFound("The file " + path.toStdString() + " does not exist");
    static QAtomicInt counter;
    const QString name = QStringLiteral("qle-site-%1").arg(counter.fetchAndAddRelaxed(1));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    // Two sources and the build share the file; a short wait beats a "database is locked" error.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open()) {
        const std::string error = db.lastError().text().toStdString();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        return Status::DatabaseError("Cannot open " + path.toStdString() + ": " + error);
    }
    // A password moved out of the site file must leave no bytes behind in its free space.
    QSqlQuery(db).exec(QStringLiteral("PRAGMA secure_delete = ON"));
    m_name = name;
    return Status::OK();
}

void SiteConnection::close()
{
    if (m_name.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
    m_name.clear();
}

QSqlDatabase SiteConnection::database() const
{
    return QSqlDatabase::database(m_name, false);
}

} // namespace qle::ui
