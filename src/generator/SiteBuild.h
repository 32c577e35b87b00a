// What the three page builders share during one build: the open site database, the writer, the
// picture copies, the site's look and the navigation lists, each read once per build.
#pragma once

#include "generator/PageFrame.h"
#include "generator/PictureCopier.h"
#include "store/Status.h"
#include "store/Value.h"

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace qle::store {
class Database;
}

namespace qle::generator {

class OutputSink;

class SiteBuild
{
public:
    // Both must outlive the build.
    SiteBuild(store::Database& db, OutputSink& sink);
    SiteBuild(const SiteBuild&) = delete;
    SiteBuild& operator=(const SiteBuild&) = delete;

    // Reads the site's `Options` record (colours, banner) and `List_Categories`.
    // The error names the site file and the query.
    Status load();

    store::Database& db() { return m_db; }
    PictureCopier& pictures() { return m_pictures; }

    // Writes PageFrame(kind, category, middle) followed by one CR LF to `relativePath`, in one
    // write. The sections list of a category is read from `List_Sections` the first time that
    // category is framed. REQUIRES: load() succeeded.
    Status writePage(const std::string& relativePath, PageKind kind, const store::Value& category,
                     std::string_view middle);

private:
    Result<const std::string*> sectionsPanel(const store::Value& category);

    store::Database& m_db;
    OutputSink& m_sink;
    PictureCopier m_pictures;
    std::string m_banner;
    std::array<std::array<std::string, 3>, 3> m_colours;
    std::string m_contents;
    // Builders run one page kind after another, so one frame is kept at a time.
    std::optional<PageKind> m_frameKind;
    std::unique_ptr<FrameTemplate> m_frame;
    std::map<std::string, std::string, std::less<>> m_sections;
    std::string m_page; // reused for every page: memory stays at the largest page
};

// The page file name part of a database value: blanks, '/' and '\' as "-", ASCII lower case.
std::string PageName(const store::Value& value);

} // namespace qle::generator
