#include "generator/PagePreview.h"

#include "app/PageStyle.h"
#include "generator/BuildArticles.h"
#include "generator/BuildCategories.h"
#include "generator/BuildSections.h"
#include "generator/OutputSink.h"
#include "generator/SiteBuild.h"
#include "generator/SiteFeeds.h"
#include "generator/StyleSheet.h"
#include "store/Database.h"
#include "store/RecordSet.h"

#include <functional>

namespace qle::generator {

namespace {

constexpr std::string_view kArticles = "articles/";
constexpr std::string_view kCategories = "categories/";
constexpr std::string_view kSections = "sections/";

std::string Assignments(const store::Fields& fields, store::Params& params)
{
    std::string sql;
    for (const auto& field : fields) {
        sql += (sql.empty() ? "" : ", ") + store::QuoteIdentifier(field.name) + " = ?";
        params.push_back(field.value);
    }
    return sql;
}

// The last row of a page list whose page file is `relativePath`: when names collide the build
// writes the later row's page over the earlier one.
Result<std::vector<store::Value>>
LastRowWithPage(store::Database& db, const std::string& source, const std::vector<std::string>& columns,
                const std::function<std::string(const std::vector<store::Value>&)>& path,
                const std::string& relativePath)
{
    auto rs = db.query(source);
    if (!rs)
        return rs.status();
    std::vector<store::Value> found;
    while (!rs->eof()) {
        std::vector<store::Value> row;
        for (const auto& column : columns)
            row.push_back(rs->field(column));
        if (path(row) == relativePath)
            found = std::move(row);
        if (Status s = rs->next(); !s.ok())
            return s;
    }
    if (found.empty())
        return Status::NotFound("The site has no page " + relativePath);
    return found;
}

} // namespace

PagePreview::PagePreview(std::string sitePath, std::string localImagesFolder, std::string pictureCacheFolder)
    : m_sitePath(std::move(sitePath))
    , m_localImages(std::move(localImagesFolder))
    , m_pictureCache(std::move(pictureCacheFolder))
{
}

PagePreview::~PagePreview() = default;

Status PagePreview::applyEdits(store::Database& db)
{
    if (!m_edits.options.empty()) {
        store::Params params;
        const std::string set = Assignments(m_edits.options, params);
        if (Status s = db.execute("UPDATE Options SET " + set, params); !s.ok())
            return s;
    }
    if (!m_edits.hasPage)
        return Status::OK();
    if (!m_edits.artId) {
        // Stored now, it gets the id that saving it would give.
        auto id = db.insert("Articles", m_edits.page);
        if (!id)
            return id.status();
        m_editedPage = ArticlePagePath(std::to_string(id.value()));
        return Status::OK();
    }
    m_editedPage = ArticlePagePath(m_edits.artId);
    if (m_edits.page.empty())
        return Status::OK();
    store::Params params;
    const std::string set = Assignments(m_edits.page, params);
    params.push_back(m_edits.artId);
    return db.execute("UPDATE Articles SET " + set + " WHERE ArtID = ?", params);
}

Result<std::string> PagePreview::render(const std::string& requestedPath)
{
    m_editedPage.clear();
    auto db = store::Database::copyIntoMemory(m_sitePath);
    if (!db)
        return db.status();
    auto render = std::make_unique<Render>();
    render->db = std::make_unique<store::Database>(std::move(db.value()));
    if (Status s = applyEdits(*render->db); !s.ok())
        return s.withContext("The preview of " + m_sitePath);
    render->sink = std::make_unique<MemorySink>();
    render->build = std::make_unique<SiteBuild>(*render->db, *render->sink, m_pictureCache);
    SiteBuild& build = *render->build;
    build.setLocalImagesFolder(m_localImages);
    if (Status s = build.load(); !s.ok())
        return s;
    const std::string& relativePath =
        requestedPath == kEditedPagePath && !m_editedPage.empty() ? m_editedPage : requestedPath;

    const auto startsWith = [&relativePath](std::string_view prefix) { return relativePath.rfind(prefix, 0) == 0; };
    Status status = Status::NotFound("The site has no page " + relativePath);
    const bool modern = build.style().style == app::PageStyle::Modern;
    if (startsWith(kArticles) && relativePath.size() > kArticles.size() + 8) {
        // Every article has its page; its file name is its id.
        const std::string id = relativePath.substr(kArticles.size() + 4, relativePath.size() - kArticles.size() - 8);
        if (ArticlePagePath(id) == relativePath)
            status = WriteArticlePages(build, "select * from Article_Pages where artid = ?", {id});
    } else if (startsWith(kCategories)) {
        auto row = LastRowWithPage(
            *render->db, "Category_Pages", {"Category"},
            [](const auto& r) { return "categories/cat-" + PageName(r[0]) + ".htm"; }, relativePath);
        status = row ? CategoryPage(build, row->at(0)) : row.status();
    } else if (startsWith(kSections)) {
        auto row = LastRowWithPage(
            *render->db, "Section_Pages", {"Category", "Section"},
            [](const auto& r) { return "sections/sect-" + PageName(r[1]) + ".htm"; }, relativePath);
        status = row ? SectionPage(build, row->at(0), row->at(1)) : row.status();
    } else if (modern && relativePath == kStyleSheetPath) {
        return StyleSheetText(build.look().colours);
    } else if (modern && relativePath == app::kForwardingPageFileName) {
        status = WriteModernForwardingPage(build);
    }
    if (!status.ok())
        return status;
    // The stylesheet returned above shows no pictures: the pictures served stay the last page's.
    m_render = std::move(render);
    if (!m_render->sink->files().contains(relativePath))
        return Status::NotFound("The site has no page " + relativePath);
    // Only the pictures are served from the render afterwards: the page's bytes are moved out.
    return m_render->sink->takeFile(relativePath);
}

std::string PagePreview::pictureFile(const std::string& name)
{
    return m_render ? m_render->build->pictures().servedFile(name) : std::string();
}

} // namespace qle::generator
