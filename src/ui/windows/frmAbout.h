// The About window: title, version and description, and the system-information tool.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace qle::app {
class UserInterface;
}

namespace qle::ui {

class frmAbout : public QDialog
{
    Q_OBJECT

public:
    // `ui` shows the message when no system-information tool can be started; it must outlive the
    // window. Captions are set here, so a window made afresh for each showing is always current.
    explicit frmAbout(app::UserInterface& ui, QWidget* parent = nullptr);

    void cmdOK_Click();
    void cmdSysInfo_Click();

private:
    void Form_Load();

    app::UserInterface& m_ui;
    QLabel* imgLogo;
    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* lblDescription;
    QLabel* lblDisclaimer;
    QPushButton* cmdOK;
    QPushButton* cmdSysInfo;
};

} // namespace qle::ui
