#include "ui/editor/ViewTab.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEngineView>

namespace qle::ui {

ViewTab::ViewTab(QWidget* parent)
    : QWidget(parent)
{
    btnUpdateWeb = new QPushButton(tr("View &Updated Web Site Now!"), this);
    btnUpdateWeb->setObjectName(QStringLiteral("btnUpdateWeb"));
    lblProgress = new QLabel(this);
    lblProgress->setObjectName(QStringLiteral("lblProgress"));
    tmrClearProgress = new QTimer(this);
    tmrClearProgress->setObjectName(QStringLiteral("tmrClearProgress"));
    connect(tmrClearProgress, &QTimer::timeout, this, [this] {
        tmrClearProgress->stop();
        lblProgress->clear();
    });
    btnWarnings = new QPushButton(this);
    btnWarnings->setObjectName(QStringLiteral("btnWarnings"));
    btnWarnings->hide(); // shown after a build that left warnings
    btnViewInBrowesr = new QPushButton(tr("View In &Browser"), this);
    btnViewInBrowesr->setObjectName(QStringLiteral("btnViewInBrowesr"));
    // Drawn as the default button: Enter in the editor's one-line boxes presses it.
    btnViewInBrowesr->setDefault(true);
    btnPreviewPage = new QPushButton(tr("Preview this &page"), this);
    btnPreviewPage->setObjectName(QStringLiteral("btnPreviewPage"));
    btnPreviewPage->setToolTip(tr("The page you are editing as the next build will write it"));
    btnBack = new QPushButton(tr("Bac&k"), this);
    btnBack->setObjectName(QStringLiteral("btnBack"));
    btnBack->setEnabled(false);
    connect(btnBack, &QPushButton::clicked, this, [this] {
        if (m_browser)
            m_browser->back();
    });

    m_browserArea = new QWidget(this);
    m_browserArea->setObjectName(QStringLiteral("browserArea"));
    m_browserArea->setAutoFillBackground(true);
    QPalette white = m_browserArea->palette();
    white.setColor(QPalette::Window, Qt::white);
    m_browserArea->setPalette(white);
    m_browserLayout = new QVBoxLayout(m_browserArea);
    m_browserLayout->setContentsMargins(0, 0, 0, 0);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(tr("To view the latest version of your web site click this button."), this));
    top->addWidget(btnUpdateWeb);
    top->addWidget(lblProgress, 1);
    top->addWidget(btnWarnings);
    top->addWidget(btnPreviewPage);
    top->addWidget(btnBack);
    auto* bottom = new QHBoxLayout;
    auto* note = new QLabel(tr("These web pages are stored on your computer, to publish your site to the World Wide "
                               "Web use the Publish to the World section"),
                            this);
    note->setWordWrap(true);
    bottom->addWidget(note, 1);
    bottom->addWidget(btnViewInBrowesr);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_browserArea, 1);
    layout->addLayout(bottom);
}

void ViewTab::navigate(const QString& address)
{
    m_address = address;
    // "file://" + a local path: let Qt encode blanks and other characters of the path.
    static const QString kFilePrefix = QStringLiteral("file://");
    navigate(address.startsWith(kFilePrefix) ? QUrl::fromLocalFile(address.mid(kFilePrefix.size()))
                                             : QUrl::fromUserInput(address));
}

void ViewTab::navigate(const QUrl& url)
{
    if (!m_browser) {
        m_browser = new QWebEngineView(m_browserArea);
        m_browser->setObjectName(QStringLiteral("WebBrowser1"));
        m_browserLayout->addWidget(m_browser);
        // On screen the browser lies between the two buttons.
        setTabOrder(btnUpdateWeb, m_browser);
        setTabOrder(m_browser, btnViewInBrowesr);
        connect(m_browser, &QWebEngineView::urlChanged, this,
                [this] { btnBack->setEnabled(m_browser->history()->canGoBack()); });
    }
    m_browser->setUrl(url);
}

QWidget* ViewTab::focusControl() const
{
    return btnUpdateWeb;
}

} // namespace qle::ui
