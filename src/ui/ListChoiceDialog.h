// A small dialog to choose one entry of a list (the backups to restore from, for one).
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QListWidget;

namespace qle::ui {

class ListChoiceDialog : public QDialog
{
    Q_OBJECT

public:
    // The first entry is chosen to begin with; a double-click chooses and accepts.
    ListChoiceDialog(const QString& title, const QString& prompt, const std::vector<std::string>& items,
                     QWidget* parent = nullptr);

    // The row chosen, -1 for none.
    int chosen() const;
    QListWidget* list() const { return m_list; }

private:
    QListWidget* m_list;
};

} // namespace qle::ui
