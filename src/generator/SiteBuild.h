// What the three page builders share during one build: the open site database, the writer, the
// picture copies, the site's look and style and the navigation lists, each read once per build.
#pragma once

#include "app/PageStyle.h"
#include "generator/BuildCategories.h"
#include "generator/PageFrame.h"
#include "generator/PageInputs.h"
#include "generator/PictureCopier.h"
#include "generator/RowSummary.h"
#include "generator/TagWriter.h"
#include "store/Status.h"
#include "store/Value.h"

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace qle::store {
class Database;
class RecordSet;
} // namespace qle::store

namespace qle::generator {

class OutputSink;
class PictureCache;
struct BuiltFile;
class SharedNames;

// Stands in an article's middle for its main text, which SiteBuild::writePageAroundText puts in
// its place (see FindMarker).
inline constexpr std::string_view kMainTextMarker = "\x01QLE-MAIN-TEXT\r\n\x02";

// How much of a main text is made and written at a time when it is too long to be held whole.
inline constexpr std::size_t kTextPieceSize = 1024 * 1024;

class SiteBuild
{
public:
    // Both must outlive the build. Pictures made for the web are cached in `pictureCache` (a
    // folder ending in '/'; empty: a temporary folder for this build alone).
    SiteBuild(store::Database& db, OutputSink& sink, std::string pictureCache = {});
    ~SiteBuild();
    SiteBuild(const SiteBuild&) = delete;
    SiteBuild& operator=(const SiteBuild&) = delete;

    // Reads the site's `Options` record (colours, banner, page style, address, pictures) and
    // `List_Categories`, and picks the tag writer of the site's style.
    // With the summary of the last build (setLastRows) still true of the site file but for the
    // articles its log names, the build reads only those (incremental()).
    // The error names the site file and the query.
    Status load();

    // The summary of the site file that the last build of the same web folder left; it must
    // outlive the build, which takes its articles when it can rebuild from it. Set it before load().
    void setLastRows(RowSummary* last) { m_last = last; }
    // What this build read of the site file, for the next build.
    const RowSummary& rows() const { return m_rows; }
    RowSummary& rows() { return m_rows; }

    // Whether the build reads only the articles changed since the last build (load() decides).
    bool incremental() const { return m_last && m_changed; }
    // REQUIRES: incremental(). The ArtIDs logged since the last build, ascending; rows() starts
    // with the last build's articles.
    const std::vector<long long>& changedArticles() const { return *m_changed; }
    // The hash of the rows of a category's page (section null) or a section's page as the last
    // build read them, when no article changed since that the page may show; nullptr otherwise.
    const std::string* unchangedList(const store::Value& category, const store::Value* section) const;

    store::Database& db() { return m_db; }
    PictureCopier& pictures() { return m_pictures; }
    // REQUIRES: load() succeeded.
    TagWriter& writer() { return *m_writer; }
    const app::SiteStyle& style() const { return m_style; }
    const SiteLook& look() const { return m_look; }
    OutputSink& sink() { return m_sink; }

    // Writes the page of `kind` around `middle` followed by one CR LF to `relativePath`, in one
    // write. The sections list of a category is read from `List_Sections` the first time that
    // category is framed. With `inputs` (from pageInputs, the page's rows added), the next build
    // may keep the page without making it. REQUIRES: load() succeeded.
    Status writePage(const std::string& relativePath, PageKind kind, const store::Value& category, const PageHead& head,
                     std::string_view middle, const InputHash* inputs = nullptr);

    // The start of what the page of `kind` at `relativePath` in `category`'s frame is made from:
    // the program, everything of the site that every page shows or depends on, the page's place
    // and its sections list. The page builder adds the rows it shows. REQUIRES: load() succeeded.
    Result<InputHash> pageInputs(const std::string& relativePath, PageKind kind, const store::Value& category);

    // Keeps the page at `relativePath` as the last build left it when it was made from `inputs`
    // and the pictures it showed are as they were, registering those pictures as making it would;
    // false when it must be made (then writePage with `inputs`).
    bool keepPage(const std::string& relativePath, const InputHash& inputs, const PageHead& head);

    // As writePage, for a middle that holds kMainTextMarker where the article's main text goes:
    // the page is written with `mainText`, made by the writer's appendMainText and indented as the
    // blocks around it indent it, in the marker's place. A text longer than the piece size is
    // made and written a piece at a time, so that no whole copy of it is held. `placed` is false,
    // and nothing is written, when the marker is not in the page exactly once (the author's text
    // holds it too).
    Status writePageAroundText(const std::string& relativePath, PageKind kind, const store::Value& category,
                               const PageHead& head, std::string_view middle, std::string_view mainText, bool& placed,
                               const InputHash* inputs = nullptr);

    // Main texts longer than `bytes` are made and written in pieces of about that size.
    void setTextPieceSize(std::size_t bytes) { m_pieceSize = bytes > 0 ? bytes : 1; }

    // Every page file written or kept, in the order first placed, each once; only for a site with a
    // sitemap (look().hasFeed), empty for any other.
    const std::vector<std::string>& pagePaths() const { return m_pagePaths; }

    // The path of the page of a category or section (`what`) named `name`: `folder` + "/" +
    // PageFileName(prefix, name). A name too long for a file name is shortened (see PageFileName),
    // which adds a warning naming the page.
    std::string listPagePath(std::string_view folder, std::string_view prefix, std::string_view what,
                             const store::Value& name);

    // What the build found worth telling the author that did not stop it.
    const std::vector<std::string>& warnings() const { return m_warnings; }

    // Where pictures put into the author's text were copied (the base folder's "LocalImages/",
    // ending in '/'). Empty, as by default: such pictures are not copied. Set it before load().
    void setLocalImagesFolder(std::string folder) { m_localImages = std::move(folder); }
    // Registers, for the page being built, the pictures that author HTML shows from the images
    // folder ("../images/NAME"), each from the local images folder.
    void addTextPictures(std::string_view html);
    void addTextPictures(const std::vector<MiniArticle>& rows);

private:
    Result<const std::string*> sectionsPanel(const store::Value& category);
    // Decides whether the build may read only the changed articles, and which lists they touch.
    Status compareWithLastRows();
    InputHash withPictures(InputHash inputs, const SharedNames& pictures);
    // Makes the page of `kind` around `middle`, followed by one CR LF, in m_page.
    Status framePage(PageKind kind, const store::Value& category, const PageHead& head, std::string_view middle);
    // Registers the page at `relativePath` as written, with the pictures added for it; what it was
    // made from when `inputs` are given (for the sink's list).
    BuiltFile pageWritten(const std::string& relativePath, const PageHead& head, const InputHash* inputs);
    // Adds a page to pagePaths() unless it is there.
    void pagePlaced(const std::string& relativePath);

    store::Database& m_db;
    OutputSink& m_sink;
    std::string m_pictureCacheFolder;
    std::unique_ptr<PictureCache> m_pictureCache;
    PictureCopier m_pictures;
    app::SiteStyle m_style;
    SiteLook m_look;
    std::unique_ptr<TagWriter> m_writer;
    std::string m_contents;
    std::map<std::string, std::string, std::less<>> m_sections;
    InputHash m_siteInputs; // what every page is made from
    std::vector<std::string> m_pagePaths;
    std::unordered_set<std::string> m_written;      // m_pagePaths, to find a page placed before
    std::set<std::string, std::less<>> m_shortened; // list pages whose names were shortened
    std::string m_page;                             // reused for every page: memory stays at the largest page
    std::size_t m_pieceSize = kTextPieceSize;
    std::string m_piece, m_indented, m_whole; // a main text's piece as made; placed in the page
    std::vector<std::string> m_warnings;
    std::string m_localImages;
    RowSummary* m_last = nullptr;
    RowSummary m_rows;
    std::optional<std::vector<long long>> m_changed;
    // Categories (letter case folded as SQLite's NOCASE folds it), and category-section pairs,
    // that a changed article was or is in: their lists are read again.
    std::set<std::string, std::less<>> m_changedCategories, m_changedSections;
};

// The site's picture settings from its open `Options` record: `Keep_Picture_Metadata` (1, -1 or
// "true": kept; anything else, removed) and `Picture_Max_Width` (outside 100 to 10000 or empty:
// 1600); responsive for the Modern style.
PictureSettings ReadPictureSettings(const store::RecordSet& options, app::PageStyle style);

// The page file name part of a database value: blanks, '/' and '\' as "-", ASCII lower case.
std::string PageName(const store::Value& value);

// The links the navigation views (`List_Categories`, `List_Sections`) give the page of a category
// and of a section: "../categories/" + app::PageFileName("cat-", name), with '%', the quote and '#'
// escaped, so a shortened long name links to the page the build wrote.
std::string CategoryLink(const store::Value& category);
std::string SectionLink(const store::Value& section);

} // namespace qle::generator
