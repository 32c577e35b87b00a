// The one-record editor over the application's settings record. It edits the program's in-memory
// copy (`AppState::options`) directly, so `BaseFolder` and this form always agree; "&Update" saves
// that copy to the application database.
#pragma once

#include <QWidget>

#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qle::app {
struct AppState;
class UserInterface;
} // namespace qle::app

namespace qle::ui {

class frmOptions : public QWidget
{
    Q_OBJECT

public:
    // Index of each bound field in the control arrays; 1 is the check box `chkFields`.
    enum Field {
        LocalBaseDir = 0,
        AutoLoad = 1,
        LastSite = 2,
        FirstUsed = 3,
        Username = 4,
        Company = 5,
    };

    // Shows `state.options` as start-up loaded it. `state` and `ui` must outlive the form.
    frmOptions(app::AppState& state, app::UserInterface& ui, QWidget* parent = nullptr);

    // The text box of a field; null for `AutoLoad`.
    QLineEdit* txtFields(int index) const;
    QCheckBox* chkFields() const { return m_chkAutoLoad; }

    // Reads the record from the application database again and shows it (the form's load).
    void Form_Load();
    // Shows the in-memory copy again, after code such as `BaseFolder` changed it.
    void refresh();
    // Saves the in-memory copy, then shows the saved record as the database now holds it.
    void cmdUpdate_Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void datPrimaryRS_Error(const std::string& description);
    void datPrimaryRS_Reposition();

    app::AppState& m_state;
    app::UserInterface& m_ui;
    std::array<QLineEdit*, 6> m_txtFields {};
    std::array<QLabel*, 6> m_lblLabels {};
    QCheckBox* m_chkAutoLoad;
    QLabel* datPrimaryRS;
    QWidget* picButtons;
    QPushButton* cmdUpdate;
};

} // namespace qle::ui
