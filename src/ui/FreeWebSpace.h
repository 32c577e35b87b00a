// FreeWebSpace: the catalogue of providers offering free web space, with a short description of
// each and links to their homepage and sign-up page. Opens collapsed; choosing one expands it.
#pragma once

#include <QWidget>

class QGroupBox;
class QListWidget;
class QPlainTextEdit;

namespace qle::app {
struct AppState;
class UserInterface;
} // namespace qle::app

namespace qle::ui {

class LinkLineEdit;

class FreeWebSpace : public QWidget
{
    Q_OBJECT

public:
    // Heights of the window's client area, collapsed (the list's bottom edge and a margin) and with
    // the details shown (the details frame's bottom edge and a margin).
    static constexpr int kCollapsedHeight = (960 + 840 + 450) / 12;
    static constexpr int kExpandedHeight = (1920 + 2535 + 450) / 12;

    // `state` and `ui` must outlive the window. A list that cannot be read is reported and left empty.
    FreeWebSpace(const app::AppState& state, app::UserInterface& ui, QWidget* parent = nullptr);

    QListWidget* cmbProvider;
    QGroupBox* Frame1;
    QPlainTextEdit* Text1; // Description
    LinkLineEdit* Text2;   // Homepage
    LinkLineEdit* Text3;   // Joining_Page

private:
    void showProvider();
    void openLink(const QString& address);

    const app::AppState& m_state;
    app::UserInterface& m_ui;
};

} // namespace qle::ui
