// datPrimaryRS: the site's pages in ArtID order, bound to the editor's page boxes, with the
// navigator's moves and the saving moments (every move writes the page being left first).
#pragma once

#include "store/Status.h"
#include "ui/models/BoundTable.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QStringList>
#include <QVariant>

class QSqlRecord;
class QSqlTableModel;
class QWidget;

namespace qle::ui {

// One place a text was found: a field of a page, at a position of the field as its box shows it
// (line breaks as LF).
struct PageHit
{
    QVariant artId;
    QString title;
    QString field; // "Title", "Para", "Body" or "Image_Strap"
    int position = 0;
    int length = 0;
    QString excerpt; // the words around it, on one line
};

// The fields finding and replacing look in: the title, the two paragraphs and the caption.
inline constexpr const char* kSearchedFields[] = {"Title", "Para", "Body", "Image_Strap"};

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
    // Deletes the page shown (a new page is just dropped), then shows the next page, else the last,
    // else a new blank page.
    Status deleteCurrent();

    // The page shown with its pending edits, as it would be stored (for putting a deleted page back,
    // and for the preview): Category and Section without blanks around them.
    QSqlRecord currentRecord();
    // Goes to the stored page with this ArtID, writing the page shown first as every move does.
    // A page that is not there leaves the page shown.
    Status moveToPage(const QVariant& artId);
    // Makes a field of the page shown null, as a page that never had a value there (the boxes
    // show it at once); the change is pending like any other.
    void clearField(const QString& field);
    // The different values stored in a field (Category, Section), without blanks around them,
    // each once whatever its letter case, sorted; `where` narrows them to the pages whose field
    // `whereField` holds it (any letter case). Values being typed are not included.
    QStringList storedValues(const QString& field, const QString& whereField = {}, const QString& where = {}) const;

    // Every page, rows in ArtID order, the one shown included (with its pending edits once they
    // are written to the model). REQUIRES: isOpen().
    QSqlTableModel& model() const { return m_table.model(); }
    // The model row of the page shown; the row count while no row is (a dropped new page).
    int currentRow() const { return m_row; }
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

    // Every place `text` stands in the searched fields of the stored pages and of the page shown
    // (with what is typed on it), pages in ArtID order.
    QList<PageHit> find(const QString& text, Qt::CaseSensitivity matching);
    // Replaces every such place with `with` and writes the pages (with the page shown) in one
    // go; the page shown stays shown. The number of places replaced, or the error, after which
    // nothing is changed.
    Result<int> replaceAll(const QString& text, const QString& with, Qt::CaseSensitivity matching);
    // The stored pages as a link can name them: ArtID and title, sorted by title.
    QList<QPair<QVariant, QString>> storedPages() const;

    // The rule every stored Category and Section follows: no blanks around the name, so that
    // "flowers " and "flowers" are one category.
    static QString TrimmedName(const QString& name);

signals:
    // Another page (or a new blank page) is shown.
    void currentPageChanged();
    // The pages were written (and read back): lists of them are to be filled again.
    void pagesWritten();

private:
    // Before a move: drops a blank new page, else commit().
    Status leave();
    void showRow(int row);
    void beginNewPage();
    int rowOfArtId(const QVariant& artId) const;
    bool rowIsBlank(int row) const;
    // Puts the pending edits of the boxes into the model row, with names trimmed.
    void submitBoxes();
    Status submitAll(const std::string& failure);

    BoundTable m_table;
    // The row shown; equal to the row count when a dropped new page left the position past the end.
    int m_row = 0;
};

} // namespace qle::ui
