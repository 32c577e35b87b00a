// The "View Your Web Site" tab: the build button, its status line and the embedded browser.
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class QTimer;
class QVBoxLayout;
class QUrl;
class QWebEngineView;

namespace qle::ui {

class ViewTab : public QWidget
{
    Q_OBJECT

public:
    explicit ViewTab(QWidget* parent = nullptr);

    QPushButton* btnUpdateWeb;
    QLabel* lblProgress;
    QTimer* tmrClearProgress; // its tick empties lblProgress and stops it
    QPushButton* btnWarnings; // the last build's warnings, one click away
    QPushButton* btnViewInBrowesr;
    QPushButton* btnPreviewPage; // "Preview this &page": the page being edited, without a build
    QPushButton* btnBack;        // back to what the browser showed before

    // The embedded browser; null until it is first pointed somewhere, so that an editor that never
    // builds starts no browser engine.
    QWebEngineView* WebBrowser1() const { return m_browser; }
    void navigate(const QString& address);
    void navigate(const QUrl& url);
    const QString& browserAddress() const { return m_address; }

    QWidget* focusControl() const;

private:
    QWidget* m_browserArea;
    QVBoxLayout* m_browserLayout;
    QWebEngineView* m_browser = nullptr;
    QString m_address;
};

} // namespace qle::ui
