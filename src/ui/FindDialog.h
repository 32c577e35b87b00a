// "Find and Replace" (Ctrl+F): finds a text in every page (title, paragraphs, caption), lists the
// places by page title and goes to the one chosen; replaces across pages after one question,
// with a backup of the site taken first.
#pragma once

#include <QDialog>
#include <QList>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace qle::ui {

class SiteEditorWindow;
struct PageHit;

class FindDialog : public QDialog
{
    Q_OBJECT

public:
    // `editor` must outlive the dialog.
    explicit FindDialog(SiteEditorWindow& editor, QWidget* parent = nullptr);

    // Lists every place the text is found.
    void findAll();
    // Replaces every place, after asking; the list is then found again.
    void replaceAll();
    // Goes to the place of the list's row.
    void goTo(int row);

    QLineEdit* txtFind;
    QLineEdit* txtReplace;
    QCheckBox* chkMatchCase;
    QPushButton* btnFind;
    QPushButton* btnReplaceAll;
    QListWidget* lstHits;
    QLabel* lblSummary;

private:
    SiteEditorWindow& m_editor;
    QList<PageHit> m_hits;
};

} // namespace qle::ui
