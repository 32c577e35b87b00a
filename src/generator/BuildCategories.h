// Category pages, one per row of `Category_Pages` (categories/cat-<name>.htm), and the article
// list that category and section pages share.
#pragma once

#include "store/Status.h"
#include "store/Value.h"

#include <string>
#include <vector>

namespace qle::generator {

class InputHash;
enum class PageKind;
class PictureCopier;
class SiteBuild;
class TagWriter;
struct PageHead;

// The fields of a `Mini_Articles` row that a list entry shows.
struct MiniArticle
{
    store::Value category;
    store::Value title;
    store::Value link;
    store::Value para;
    store::Value image;
};

// Entries after this many show no picture.
inline constexpr int kPicturesPerList = 15;

// What a list page says about itself: `title`, and the first paragraph of its first entry.
PageHead ListHead(std::string title, const std::vector<MiniArticle>& rows);

// ArticleSummary: one list entry in the markup of `writer`: the title link, then the picture
// (only for positions 1 to 15 and a non-null `image`), the first paragraph and a "more..." link.
// `position` counts from 1; `head` is the list page's.
std::string ArticleSummary(const MiniArticle& row, int position, const PageHead& head, TagWriter& writer,
                           PictureCopier& pictures);

// ArticleList: the entries in order, headed by the first entry's category (and on a section's
// page by `section`, null on a category's page); no rows give an empty list without a heading.
std::string ArticleList(const std::vector<MiniArticle>& rows, const store::Value* section, const PageHead& head,
                        TagWriter& writer, PictureCopier& pictures);

// Reads the rows that a select statement over `Mini_Articles` returns.
Result<std::vector<MiniArticle>> ReadMiniArticles(SiteBuild& build, const std::string& statement,
                                                  const store::Params& params);

// Adds the rows a list page shows to what the page is made from.
void AddRows(InputHash& inputs, const std::vector<MiniArticle>& rows);

// Writes the list page of `kind` at `path`: the articles of `category`, or, with `section`, of
// that section of it. The rows are not read when no article they may hold changed since the last
// build and the page is kept (SiteBuild::unchangedList).
Status ListPage(SiteBuild& build, PageKind kind, const std::string& path, const store::Value& category,
                const store::Value* section);

// CategoryPage: writes PageFrame(category kind, the category, the list of its articles).
Status CategoryPage(SiteBuild& build, const store::Value& category);

// BuildCategories: walks `Category_Pages` and writes every page. Stops at the first error.
Status BuildCategories(SiteBuild& build);

} // namespace qle::generator
