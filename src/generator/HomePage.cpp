#include "generator/HomePage.h"

#include "store/Database.h"
#include "store/RecordSet.h"

namespace qle::generator {

Result<HomeArticle> FindHomeArticle(store::Database& db, const std::string& storedId)
{
    HomeArticle home {storedId.empty() ? "99999" : storedId, {}, false};
    auto found = db.query("select * from articles where artID=?", {home.id});
    if (!found)
        return found.status();
    if (!found->eof()) {
        home.title = store::TextOf(found->field("Title"));
        return home;
    }
    auto first = db.query("select * from firstpage");
    if (!first)
        return first.status();
    if (first->eof())
        return HomeArticle {};
    home.id = store::TextOf(first->field("minofartid"));
    home.fellBack = true;
    auto page = db.query("select Title from articles where artID=?", {home.id});
    if (!page)
        return page.status();
    home.title = page->eof() ? std::string() : store::TextOf(page->field("Title"));
    return home;
}

Result<std::string> HomePagePath(bool full, SiteEditor& editor, const std::string& sitePath,
                                 const std::string& webFolder)
{
    std::string id = editor.homepageText();
    if (id.empty()) {
        id = "99999";
        editor.setHomepageText(id);
    }
    HomeArticle home;
    {
        // Closed before the fallback is saved: the editor writes through its own connection.
        auto db = store::Database::open(sitePath);
        if (!db)
            return db.status();
        auto found = FindHomeArticle(*db, id);
        if (!found)
            return found.status();
        home = found.value();
    }
    if (home.fellBack) {
        editor.setHomepageText(home.id);
        editor.setHomepageTitle(home.title);
        editor.commitEdits(SiteEditor::DataSource::Options);
    }
    return (full ? webFolder : std::string()) + "articles/art-" + home.id + ".htm";
}

} // namespace qle::generator
