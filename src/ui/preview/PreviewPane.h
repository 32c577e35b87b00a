// The "Preview" pane beside the page boxes: the page being edited as the next build will write
// it, shown again a moment after the author stops typing. The web view starts only once the pane
// is shown.
#pragma once

#include <QWidget>

class QLabel;
class QTimer;
class QUrl;
class QVBoxLayout;
class QWebEngineView;

namespace qle::app {
class UserInterface;
}

namespace qle::ui {

class LivePreview;

class PreviewPane : public QWidget
{
    Q_OBJECT

public:
    // How long typing must pause before the preview is shown again.
    static constexpr int kPauseMs = 400;

    explicit PreviewPane(QWidget* parent = nullptr);

    // The preview to show, and the person links outside the site are opened for; both must
    // outlive the pane.
    void attach(LivePreview& preview, app::UserInterface& ui);

    // Shows the page being edited (after another page was chosen, or a link followed inside).
    void showEditedPage();
    // Shows the page again after the pause; a change during the pause restarts it.
    void scheduleRefresh();

    // Null until the pane was first shown.
    QWebEngineView* view() const { return m_view; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void load(const QUrl& url);
    void refresh();

    LivePreview* m_preview = nullptr;
    app::UserInterface* m_ui = nullptr;
    QVBoxLayout* m_layout;
    QTimer* m_pause;
    QWebEngineView* m_view = nullptr;
    bool m_followEditedPage = true;
    bool m_stale = false; // a refresh came while the pane was hidden
};

} // namespace qle::ui
