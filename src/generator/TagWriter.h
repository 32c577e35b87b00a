// The markup of a page style. The page builders decide what every page shows (which fields,
// which pictures, in which order); a tag writer only decides how it is written. Both styles sit
// behind this one interface, so they cannot drift apart in what they show.
#pragma once

#include "app/PageStyle.h"
#include "generator/BuildArticles.h"
#include "generator/BuildCategories.h"
#include "generator/PageFrame.h"
#include "store/Value.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qle::generator {

class PictureCopier;

// What is the same on every page of a site.
struct SiteLook
{
    std::string banner;                                // the banner picture's path; empty: none
    std::array<std::array<std::string, 3>, 3> colours; // [page kind][left, middle, right]
    std::string siteName;                              // the site file's name without extension
    bool hasFeed = false;                              // feed.xml is written beside the pages
};

// What a page says about itself, as the database holds it (author HTML included). The classic
// style shows neither; the modern one makes them plain text for the head.
struct PageHead
{
    std::string title;       // the article's title, the category, or "category - section"
    std::string description; // the first paragraph of the article, or of the first listed one
};

// Not thread-safe; one writer serves one build. Every text returned ends in CR LF unless the
// style's own fixed bytes say otherwise.
class TagWriter
{
public:
    virtual ~TagWriter() = default;

    // The middle of an article page: the picture with its caption when `row.image` is not null,
    // the breadcrumb (category, then section), the title linked to `row.link`, the first paragraph
    // and `mainText`, the main text as appendMainText makes it, placed as it stands. Registers the
    // picture with `pictures`.
    virtual std::string articleBody(const ArticleRow& row, const PageHead& head, std::string_view mainText,
                                    PictureCopier& pictures) = 0;

    // Appends the main text of an article with its line breaks shown. Each character's output
    // depends on the text only through the pair a CR and its LF make, so a text may be given in
    // pieces that never split such a pair.
    virtual void appendMainText(std::string& out, std::string_view text) const = 0;

    // One entry of an article list: the title link, the picture only when `showPicture`, the
    // first paragraph and a "more..." link. `head` is the head of the list's page.
    virtual std::string articleSummary(const MiniArticle& row, bool showPicture, const PageHead& head,
                                       PictureCopier& pictures) = 0;

    // A list of entries made by articleSummary, in order, under a heading naming `category` (none
    // when null). On a section's page `section` is the section's name, else null.
    virtual std::string articleList(const store::Value* category, const store::Value* section,
                                    const std::vector<std::string>& entries) = 0;

    // A navigation list ("Contents" or "Sections"): the heading, then one link per entry.
    virtual std::string panelList(std::string_view heading, const std::vector<PanelEntry>& entries) = 0;

    // Appends the whole page of `kind` around the two navigation lists and the middle. The
    // banner's copy is the caller's to register.
    virtual void page(std::string& out, PageKind kind, const PageHead& head, std::string_view contents,
                      std::string_view middle, std::string_view sections, PictureCopier& pictures) = 0;
};

// The tag writer of a page style, for one build of a site that looks like `look`.
std::unique_ptr<TagWriter> MakeTagWriter(app::PageStyle style, const SiteLook& look);

} // namespace qle::generator
