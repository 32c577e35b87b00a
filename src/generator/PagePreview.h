// A page of the site as the next build will write it, made in memory from the stored site with
// the editor's unsaved values put in: what the editor's live preview shows. Nothing is written to
// disk and no build runs.
#pragma once

#include "store/Status.h"
#include "store/Value.h"

#include <memory>
#include <string>

namespace qle::store {
class Database;
}

namespace qle::generator {

class MemorySink;
class SiteBuild;

// The editor's values, each as saving would store it.
struct PreviewEdits
{
    bool hasPage = false;  // a page is being edited
    store::Value artId;    // its ArtID; null for a page that is not stored yet
    store::Fields page;    // fields of `Articles`, by name
    store::Fields options; // fields of the site's `Options` record, by name
};

// The address render() takes for the page being edited, whatever its id.
inline constexpr const char* kEditedPagePath = "articles/edited-page.htm";

class PagePreview
{
public:
    // `localImagesFolder`: where the build copies the text's pictures from (see SiteBuild).
    PagePreview(std::string sitePath, std::string localImagesFolder);
    ~PagePreview();
    PagePreview(const PagePreview&) = delete;
    PagePreview& operator=(const PagePreview&) = delete;

    // Takes the editor's values for the renders that follow.
    void setEdits(PreviewEdits edits) { m_edits = std::move(edits); }

    // The bytes the next build would write to `relativePath` below the web folder (a page, the
    // Modern stylesheet or forwarding page; kEditedPagePath for the page being edited), were the
    // edits saved first. NotFound when the build would write no such file; other errors name the
    // site file.
    Result<std::string> render(const std::string& relativePath);

    // The article page of the page being edited (the id a new page will get when it is stored).
    // REQUIRES: a render since the last setEdits().
    const std::string& editedPagePath() const { return m_editedPage; }

    // The file a page rendered last shows as "images/<copyName>" (the picture the build would
    // copy); empty when it shows none of that name.
    std::string pictureSource(const std::string& copyName) const;

private:
    Status applyEdits(store::Database& db);

    std::string m_sitePath;
    std::string m_localImages;
    PreviewEdits m_edits;
    std::string m_editedPage;
    // The last render's build, kept for the pictures its page names.
    std::unique_ptr<store::Database> m_db;
    std::unique_ptr<MemorySink> m_sink;
    std::unique_ptr<SiteBuild> m_build;
};

} // namespace qle::generator
