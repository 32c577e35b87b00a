#include "generator/HomePage.h"

#include "store/Database.h"
#include "store/RecordSet.h"

namespace qle::generator {

Result<std::string> HomePagePath(bool full, SiteEditor& editor, const std::string& sitePath,
                                 const std::string& webFolder)
{
    std::string id = editor.homepageText();
    if (id.empty()) {
        id = "99999";
        editor.setHomepageText(id);
    }
    bool fallback = false;
    std::string title;
    {
        // Closed before the fallback is saved: the editor writes through its own connection.
        auto db = store::Database::open(sitePath);
        if (!db)
            return db.status();
        auto found = db->query("select * from articles where artID=?", {id});
        if (!found)
            return found.status();
        if (found->eof()) {
            auto first = db->query("select * from firstpage");
            if (!first)
                return first.status();
            fallback = !first->eof();
            id = fallback ? store::TextOf(first->field("minofartid")) : std::string();
            if (fallback) {
                auto page = db->query("select Title from articles where artID=?", {id});
                if (!page)
                    return page.status();
                title = page->eof() ? std::string() : store::TextOf(page->field("Title"));
            }
        }
    }
    if (fallback) {
        editor.setHomepageText(id);
        editor.setHomepageTitle(title);
        editor.commitEdits(SiteEditor::DataSource::Options);
    }
    return (full ? webFolder : std::string()) + "articles/art-" + id + ".htm";
}

} // namespace qle::generator
