#include "ui/preview/LivePreview.h"

#include "app/Paths.h"
#include "app/UserInterface.h"
#include "generator/PictureCopier.h"

#include <QBuffer>
#include <QFile>
#include <QMimeDatabase>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>

namespace qle::ui {

class PreviewSchemeHandler : public QWebEngineUrlSchemeHandler
{
public:
    explicit PreviewSchemeHandler(LivePreview& preview)
        : m_preview(preview)
    {
    }

    void requestStarted(QWebEngineUrlRequestJob* job) override
    {
        QString path = job->requestUrl().path();
        while (path.startsWith(QLatin1Char('/')))
            path.remove(0, 1);
        auto reply = m_preview.reply(path);
        if (!reply) {
            job->fail(reply.status().code() == Status::Code::NotFound ? QWebEngineUrlRequestJob::UrlNotFound
                                                                      : QWebEngineUrlRequestJob::RequestFailed);
            return;
        }
        auto* buffer = new QBuffer(job);
        buffer->setData(reply->bytes);
        buffer->open(QIODevice::ReadOnly);
        job->reply(reply->mimeType, buffer);
    }

private:
    LivePreview& m_preview;
};

namespace {

// Links inside the site stay in the preview; anything else is the desktop browser's to show.
class PreviewPage : public QWebEnginePage
{
public:
    PreviewPage(app::UserInterface& ui, QObject* parent)
        : QWebEnginePage(parent)
        , m_ui(ui)
    {
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override
    {
        if (url.scheme() == QLatin1String(kPreviewScheme) || url.scheme() == QLatin1String("data"))
            return true;
        if (type == NavigationTypeLinkClicked && isMainFrame)
            m_ui.openWithDesktop(url.toString().toStdString());
        return false;
    }

private:
    app::UserInterface& m_ui;
};

} // namespace

void RegisterPreviewScheme()
{
    QWebEngineUrlScheme scheme(kPreviewScheme);
    // Paths only, so that the pages' relative addresses ("../images/x.gif") resolve as on a server.
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::LocalScheme |
                    QWebEngineUrlScheme::LocalAccessAllowed);
    QWebEngineUrlScheme::registerScheme(scheme);
}

QUrl PreviewUrl(const QString& relativePath)
{
    QUrl url;
    url.setScheme(QString::fromLatin1(kPreviewScheme));
    url.setPath(QLatin1Char('/') + relativePath);
    return url;
}

QUrl EditedPageUrl()
{
    return PreviewUrl(QString::fromLatin1(generator::kEditedPagePath));
}

LivePreview::LivePreview(const std::string& sitePath, const std::string& localImagesFolder, EditsSource edits,
                         QObject* parent)
    : QObject(parent)
    , m_edits(std::move(edits))
    , m_localImages(localImagesFolder)
    , m_renderer(sitePath, localImagesFolder)
    , m_handler(std::make_unique<PreviewSchemeHandler>(*this))
{
}

LivePreview::~LivePreview()
{
    if (m_installed)
        QWebEngineProfile::defaultProfile()->removeUrlSchemeHandler(m_handler.get());
}

void LivePreview::install()
{
    if (m_installed)
        return;
    m_installed = true;
    QWebEngineProfile* profile = QWebEngineProfile::defaultProfile();
    // One site is previewed at a time: an earlier editor's handler has gone with it.
    profile->removeUrlScheme(kPreviewScheme);
    profile->installUrlSchemeHandler(kPreviewScheme, m_handler.get());
}

Result<LivePreview::Reply> LivePreview::reply(const QString& relativePath)
{
    const std::string path = relativePath.toStdString();
    static const QString kImages = QStringLiteral("images/");
    if (relativePath.startsWith(kImages) && relativePath != QLatin1String("images/style.css")) {
        // The picture the build would copy there: as the page rendered last registered it, or one
        // put into the text from the local images folder.
        const std::string name = relativePath.mid(kImages.size()).toStdString();
        std::string source = m_renderer.pictureSource(name);
        if (source.empty() && generator::PictureCopyName(name) == name)
            source = m_localImages + name;
        QFile file(QString::fromStdString(source));
        if (source.empty() || !file.open(QIODevice::ReadOnly))
            return Status::NotFound("No picture " + name);
        const QByteArray bytes = file.readAll();
        return Reply {QMimeDatabase().mimeTypeForFileNameAndData(file.fileName(), bytes).name().toUtf8(), bytes};
    }
    m_renderer.setEdits(m_edits());
    auto rendered = m_renderer.render(path);
    if (!rendered)
        return rendered.status();
    const QByteArray type = relativePath.endsWith(QLatin1String(".css")) ? QByteArrayLiteral("text/css")
                                                                         : QByteArrayLiteral("text/html;charset=utf-8");
    return Reply {type, QByteArray::fromStdString(rendered.value())};
}

QWebEnginePage* LivePreview::newPage(app::UserInterface& ui, QObject* parent)
{
    install();
    return new PreviewPage(ui, parent);
}

} // namespace qle::ui
