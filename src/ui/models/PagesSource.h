// datPrimaryRS: the site's pages in ArtID order, bound to the editor's page boxes, with the
// navigator's moves and the saving moments (every move writes the page being left first).
#pragma once

#include "store/Status.h"
#include "ui/models/BoundTable.h"

#include <QObject>

class QSqlRecord;
class QWidget;

namespace qle::ui {

class PagesSource : public QObject
{
    Q_OBJECT

public:
    explicit PagesSource(QObject* parent = nullptr);

    // Binds a widget to a field of `Articles` through its user property (before open()).
    void addMapping(QWidget* widget, const char* field);

    // Points the source at a site file and shows the first page; a site without pages begins a
    // new blank page.
    Status open(const QString& sitePath);
    bool isOpen() const { return m_table.isOpen(); }

    // Writes the pending edits of the page shown, which stays current. A new page that is still
    // blank is not stored yet but stays under the boxes, so what is typed into it later is stored by
    // the next save. On failure the edits stay pending and the error is returned.
    Status commit();

    // Each move writes the page shown first; on a failed write the move does not happen.
    Status moveFirst();
    Status movePrevious();
    Status moveNext(); // past the last page begins a new page
    Status moveLast();
    Status addNew();
    // Shows the stored page with this ArtID (writing the page shown first); NotFound when none has it.
    Status moveToArtId(const QString& artId);
    // Deletes the page shown (a new page is just dropped), then shows the next page, else the last,
    // else a new blank page.
    Status deleteCurrent();

    // The page shown with its pending edits, as it would be stored (for putting a deleted page back).
    QSqlRecord currentRecord();
    // Stores a page deleted before, with its own ArtID, and shows it. The page shown first is
    // written (or dropped while blank) as on any move.
    Status restorePage(const QSqlRecord& page);

    bool isNewPage() const;
    // Where the author is, for the navigator: "Page 3 of 12", or "New page (12 stored)".
    QString positionText() const;
    // A new page with nothing typed on it yet.
    bool isBlankNewPage();
    // The ArtID of the page shown; empty for a new page.
    QString currentArtId() const;
    int pageCount() const;

signals:
    // Another page (or a new blank page) is shown.
    void currentPageChanged();

private:
    // Before a move: drops a blank new page, else commit().
    Status leave();
    void showRow(int row);
    void beginNewPage();
    int rowOfArtId(const QVariant& artId) const;
    bool rowIsBlank(int row) const;

    BoundTable m_table;
    // The row shown; equal to the row count when a dropped new page left the position past the end.
    int m_row = 0;
};

} // namespace qle::ui
