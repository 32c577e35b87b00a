#include "ui/preview/PreviewPane.h"

#include "ui/preview/LivePreview.h"

#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace qle::ui {

PreviewPane::PreviewPane(QWidget* parent)
    : QWidget(parent)
    , m_layout(new QVBoxLayout(this))
    , m_pause(new QTimer(this))
{
    setObjectName(QStringLiteral("previewPane"));
    m_layout->setContentsMargins(0, 0, 0, 0);
    auto* title = new QLabel(tr("Preview"), this);
    title->setObjectName(QStringLiteral("lblPreview"));
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    title->setToolTip(tr("This page as the next build will write it, in the site's page style"));
    m_layout->addWidget(title);
    m_layout->addStretch(1);
    m_pause->setSingleShot(true);
    m_pause->setInterval(kPauseMs);
    connect(m_pause, &QTimer::timeout, this, &PreviewPane::refresh);
}

void PreviewPane::attach(LivePreview& preview, app::UserInterface& ui)
{
    m_preview = &preview;
    m_ui = &ui;
}

void PreviewPane::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_view && m_preview) {
        m_view = new QWebEngineView(this);
        m_view->setObjectName(QStringLiteral("previewView"));
        m_view->setPage(m_preview->newPage(*m_ui, m_view));
        // Never in the way of Tab between the boxes.
        m_view->setFocusPolicy(Qt::ClickFocus);
        delete m_layout->takeAt(1); // the stretch that stood in for the view
        m_layout->addWidget(m_view, 1);
        m_followEditedPage = true;
        refresh();
    } else if (m_view && (m_stale || m_pause->isActive())) {
        m_pause->stop();
        refresh();
    }
}

void PreviewPane::showEditedPage()
{
    m_followEditedPage = true;
    scheduleRefresh();
}

void PreviewPane::scheduleRefresh()
{
    m_pause->start();
}

void PreviewPane::load(const QUrl& url)
{
    if (m_view->url() == url)
        m_view->page()->triggerAction(QWebEnginePage::ReloadAndBypassCache);
    else
        m_view->setUrl(url);
}

void PreviewPane::refresh()
{
    // A hidden pane starts nothing; it catches up when shown.
    if (!m_view || !isVisible()) {
        m_stale = true;
        return;
    }
    m_stale = false;
    if (m_followEditedPage || m_view->url().scheme() != QLatin1String(kPreviewScheme)) {
        m_followEditedPage = false;
        load(EditedPageUrl());
    } else {
        load(m_view->url()); // another page of the site the author went to: shown with the new values
    }
}

} // namespace qle::ui
