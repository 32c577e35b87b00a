// The live preview's source: the site's pages as the next build will write them, rendered in
// memory from the editor's unsaved values (generator::PagePreview), and served to the web engine
// under the program's own URL scheme, with the Modern stylesheet and the pictures they show.
#pragma once

#include "generator/PagePreview.h"
#include "store/Status.h"

#include <QByteArray>
#include <QObject>
#include <QUrl>
#include <functional>
#include <memory>

class QWebEnginePage;

namespace qle::app {
class UserInterface;
}

namespace qle::ui {

class PreviewSchemeHandler;

// The scheme of preview addresses: "qle-preview:/articles/art-3.htm".
inline constexpr const char* kPreviewScheme = "qle-preview";

// Makes the scheme known to the web engine. REQUIRES: called before the QApplication is made.
void RegisterPreviewScheme();

// The preview address of a file below the web folder.
QUrl PreviewUrl(const QString& relativePath);
// The preview address of the page being edited.
QUrl EditedPageUrl();

class LivePreview : public QObject
{
    Q_OBJECT

public:
    // The editor's values at the moment of a request.
    using EditsSource = std::function<generator::PreviewEdits()>;

    // Serves the site file's pages; `localImagesFolder` as for the build. From the first page made
    // by newPage() (or install()) it serves the scheme in the web engine's default profile, for as
    // long as it lives; until then the web engine is not started.
    LivePreview(const std::string& sitePath, const std::string& localImagesFolder, EditsSource edits,
                QObject* parent = nullptr);
    ~LivePreview() override;

    struct Reply
    {
        QByteArray mimeType;
        QByteArray bytes;
    };
    // What a preview address below the web folder shows: a page or the stylesheet rendered with
    // the editor's values now, or a picture read from the file the build would copy. NotFound for
    // anything else.
    Result<Reply> reply(const QString& relativePath);

    // A page for a web view of previews: the site's own links stay in it, other addresses open in
    // the desktop's browser. `ui` must outlive the page.
    QWebEnginePage* newPage(app::UserInterface& ui, QObject* parent);
    // Serves the scheme from now on (for views of the default profile made elsewhere).
    void install();

private:
    EditsSource m_edits;
    std::string m_localImages;
    generator::PagePreview m_renderer;
    std::unique_ptr<PreviewSchemeHandler> m_handler;
    bool m_installed = false;
};

} // namespace qle::ui
