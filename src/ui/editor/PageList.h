// All pages at a glance, beside the editor: Category, then Section, then Title. It follows the
// navigator, and a click goes to the page.
#pragma once

#include <QTreeView>
#include <QVariant>

class QSortFilterProxyModel;

namespace qle::ui {

class PagesSource;

class PageList : public QTreeView
{
    Q_OBJECT

public:
    explicit PageList(QWidget* parent = nullptr);

    // Shows the pages of `pages` (once it is open) and follows its page shown.
    void setSource(PagesSource* pages);
    // Marks the page shown; nothing when it is a new page not stored yet.
    void followCurrentPage();

    // The pages listed, top to bottom, as "Category | Section | Title" (for tests).
    QStringList listedPages() const;

signals:
    // The author chose the stored page with this ArtID.
    void pageChosen(const QVariant& artId);

private:
    void choose(const QModelIndex& index);

    PagesSource* m_pages = nullptr;
    QSortFilterProxyModel* m_sorted;
};

} // namespace qle::ui
