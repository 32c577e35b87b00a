// Which generated page is the site's homepage.
#pragma once

#include "generator/SiteEditor.h"
#include "store/Status.h"

#include <string>

namespace qle::store {
class Database;
}

namespace qle::generator {

// The article a homepage field names.
struct HomeArticle
{
    std::string id;        // empty when the site has no articles
    std::string title;     // the article's title, as stored
    bool fellBack = false; // the field named no article: this is the lowest article id instead
};

// The article whose id is `storedId` ("" reads as "99999", which names none), else the one with the
// lowest id. The error names the site file.
Result<HomeArticle> FindHomeArticle(store::Database& db, const std::string& storedId);

// HomePagePath: the homepage's article page, "articles/art-<id>.htm", preceded by the web folder
// when `full` is true. Reads the editor's homepage field: an empty one becomes "99999"; an id that
// names no article is replaced by the lowest article id, which is written into the field and saved
// (CommitEdits on the options). A site without articles gives "articles/art-.htm".
// Fails only when the site database cannot be read; the error names the file.
Result<std::string> HomePagePath(bool full, SiteEditor& editor, const std::string& sitePath,
                                 const std::string& webFolder);

} // namespace qle::generator
