// Article pages: one detail page per row of `Article_Pages`, articles/art-<id>.htm.
#pragma once

#include "store/Status.h"
#include "store/Value.h"

#include <string>
#include <string_view>

namespace qle::generator {

class PictureCopier;
class SiteBuild;
class TagWriter;
struct PageHead;

// The fields of an `Article_Pages` row that the page shows.
struct ArticleRow
{
    store::Value artid;
    store::Value category;
    store::Value section;
    store::Value title;
    store::Value link;
    store::Value para;
    std::string_view body; // the main text (NULL: empty), read in place: it may be very long
    store::Value image;
    store::Value imageStrap;
};

// What an article's page says about itself: its title and its first paragraph.
PageHead ArticleHead(const ArticleRow& row);

// ArticleBody: the middle panel, in the markup of `writer`. Shows the picture (registered with
// `pictures`) unless `image` is null; breadcrumb, title link, first paragraph and the body with
// its line breaks shown.
std::string ArticleBody(const ArticleRow& row, TagWriter& writer, PictureCopier& pictures);

// ArticlePage: writes the article's page, PageFrame(article kind, its category, ArticleBody).
// The main text goes from the row into the page file without a whole copy of it being made (see
// SiteBuild::writePageAroundText).
Status ArticlePage(SiteBuild& build, const ArticleRow& row);

// The page file of an article, relative to the web folder.
std::string ArticlePagePath(const store::Value& artid);

// Writes the page of every row that `source` returns: `Article_Pages`, or a select over it. Stops
// at the first error, which names the query or the page file; pages written before it stay.
// Each main text is read in place from the query's row.
Status WriteArticlePages(SiteBuild& build, const std::string& source, const store::Params& params = {});

// BuildArticles: walks `Article_Pages` and writes every page (WriteArticlePages). A rebuild that
// knows what changed (SiteBuild::incremental) reads only the changed articles' rows, and those of
// pages it cannot keep.
Status BuildArticles(SiteBuild& build);

} // namespace qle::generator
