#include "generator/ModernTagWriter.h"

#include "app/Paths.h"
#include "generator/HtmlText.h"
#include "generator/PictureCopier.h"
#include "generator/SiteBuild.h"
#include "generator/StyleSheet.h"

#include <algorithm>
#include <vector>

namespace qle::generator {

namespace {

constexpr std::string_view kNl = "\r\n";

// How wide pictures are shown (see the stylesheet): the middle column is three fifths of a page
// at most 75rem wide, and the whole width on a phone; the banner spans the page.
constexpr std::string_view kContentSizes = "(max-width: 700px) 100vw, (max-width: 1200px) 60vw, 720px";
constexpr std::string_view kBannerSizes = "(max-width: 1200px) 100vw, 1200px";

// Appends the author's text with its CR LF line breaks shown, as the classic pages show the main text.
void AppendBreakLines(std::string& out, std::string_view text)
{
    std::size_t start = 0;
    for (std::size_t cr = text.find('\r'); cr != std::string_view::npos; cr = text.find('\r', cr + 1)) {
        if (cr + 1 < text.size() && text[cr + 1] == '\n') {
            out.append(text.data() + start, cr - start);
            out += "<br>";
            start = cr;
        }
    }
    out.append(text.data() + start, text.size() - start);
}

std::string BreakLines(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    AppendBreakLines(out, text);
    return out;
}

// A separator between the steps of a breadcrumb that screen readers do not announce.
constexpr std::string_view kCrumbSeparator = "<span class=\"separator\" aria-hidden=\"true\">\xE2\x80\xBA</span> ";

// The path to an article: its category, then its section, each linked to its page. Steps whose
// page does not exist (a null name) or that would read as nothing are left out.
std::string Breadcrumb(const ArticleRow& row)
{
    std::vector<std::string> steps;
    const auto step = [&steps](const store::Value& name, const std::string& link) {
        if (name && !PlainText(*name).empty())
            steps.push_back("<a href=\"" + HrefOf(link) + "\">" + *name + "</a>");
    };
    if (row.category) {
        step(row.category, CategoryLink(row.category));
        step(row.section, SectionLink(row.section));
    }
    if (steps.empty())
        return {};
    std::string out = "<nav class=\"breadcrumb\" aria-label=\"Breadcrumb\">\r\n<ol>\r\n";
    for (std::size_t i = 0; i < steps.size(); ++i) {
        out += "<li>";
        if (i > 0)
            out += kCrumbSeparator;
        out += steps[i] + "</li>\r\n";
    }
    out += "</ol>\r\n</nav>\r\n";
    return out;
}

// A srcset attribute's value: each file with its width, narrowest first.
std::string SrcSet(std::vector<std::pair<int, std::string>> files)
{
    std::sort(files.begin(), files.end());
    std::string list;
    for (const auto& [width, href] : files)
        list += (list.empty() ? "" : ", ") + href + " " + std::to_string(width) + "w";
    return list;
}

std::string_view KindClass(PageKind kind)
{
    switch (kind) {
    case PageKind::Category:
        return "category";
    case PageKind::Section:
        return "section";
    case PageKind::Article:
        break;
    }
    return "article";
}

} // namespace

ModernTagWriter::ModernTagWriter(SiteLook look)
    : m_look(std::move(look))
    , m_bannerShown(!PictureCopyName(m_look.banner).empty())
{
}

std::string ModernTagWriter::altText(std::initializer_list<std::string_view> candidates) const
{
    for (std::string_view candidate : candidates) {
        std::string plain = PlainText(candidate);
        if (!plain.empty())
            return plain;
    }
    return m_look.siteName;
}

std::string ModernTagWriter::image(std::string_view path, std::string_view alt, PictureCopier& pictures, bool banner)
{
    const PictureFiles& files = pictures.files(path);
    if (files.copyName.empty())
        return {};
    pictures.add(path);
    // The first picture of a page is shown at once; the others load as they come into view. The
    // banner, when there is one, comes first, though it is written last.
    const bool lazy = !banner && (m_bannerShown || m_pagePictures > 0);
    if (!banner)
        ++m_pagePictures;
    const std::string_view sizes = banner ? kBannerSizes : kContentSizes;

    // The files of the copy's own format and its WebP versions, each as a srcset list.
    std::vector<std::pair<int, std::string>> own, webpFiles;
    for (std::size_t i = 0; i < files.variants.size(); ++i) {
        const bool webpVersion = files.variants[i].format != files.variants.front().format;
        (webpVersion ? webpFiles : own).emplace_back(files.variants[i].width, PictureHref(files.names[i]));
    }
    const std::string ownFormat = SrcSet(own), webp = SrcSet(webpFiles);

    std::string tag;
    if (!webp.empty())
        tag += "<picture><source type=\"image/webp\" srcset=\"" + webp + "\" sizes=\"" + std::string(sizes) + "\">";
    tag += "<img src=\"" + PictureHref(files.copyName) + "\"";
    if (own.size() > 1)
        tag += " srcset=\"" + ownFormat + "\" sizes=\"" + std::string(sizes) + "\"";
    tag += " alt=\"" + EscapeText(alt) + "\"";
    if (const auto& size = files.size)
        tag += " width=\"" + std::to_string(size->width) + "\" height=\"" + std::to_string(size->height) + "\"";
    if (lazy)
        tag += " loading=\"lazy\"";
    tag += ">";
    if (!webp.empty())
        tag += "</picture>";
    return tag;
}

std::string ModernTagWriter::articleBody(const ArticleRow& row, const PageHead& head, std::string_view mainText,
                                         PictureCopier& pictures)
{
    using store::TextOf;
    std::string out = Breadcrumb(row);
    out += "<h1><a href=\"" + HrefOf(TextOf(row.link)) + "\">" + TextOf(row.title) + "</a></h1>";
    out += kNl;
    if (row.image) {
        const std::string& caption = TextOf(row.imageStrap);
        const std::string img = image(*row.image, altText({caption, head.title}), pictures);
        if (!img.empty()) {
            out += "<figure>";
            out += kNl;
            out += img;
            out += kNl;
            if (!caption.empty()) {
                out += "<figcaption>" + caption + "</figcaption>";
                out += kNl;
            }
            out += "</figure>";
            out += kNl;
        }
    }
    out += "<div class=\"lead\">" + BreakLines(TextOf(row.para)) + "</div>";
    out += kNl;
    out += "<div class=\"text\">";
    out += mainText;
    out += "</div>";
    out += kNl;
    return out;
}

void ModernTagWriter::appendMainText(std::string& out, std::string_view text) const
{
    AppendBreakLines(out, text);
}

std::string ModernTagWriter::articleSummary(const MiniArticle& row, bool showPicture, const PageHead& head,
                                            PictureCopier& pictures)
{
    using store::TextOf;
    const std::string href = HrefOf(TextOf(row.link));
    const std::string& title = TextOf(row.title);
    std::string out = "<article class=\"summary\">";
    out += kNl;
    out += "<h2><a href=\"" + href + "\">" + title + "</a></h2>";
    out += kNl;
    if (showPicture && row.image) {
        if (std::string img = image(*row.image, altText({title, head.title}), pictures); !img.empty()) {
            out += img;
            out += kNl;
        }
    }
    out += "<div class=\"para\">" + BreakLines(TextOf(row.para)) + "</div>";
    out += kNl;
    // The hidden words name the article, so that each "more..." link says where it leads.
    out += "<p class=\"more\"><a href=\"" + href + "\">more...";
    if (const std::string plain = PlainText(title); !plain.empty())
        out += "<span class=\"visually-hidden\"> (" + EscapeText(plain) + ")</span>";
    out += "</a></p>";
    out += kNl;
    out += "</article>";
    out += kNl;
    return out;
}

std::string ModernTagWriter::articleList(const store::Value* category, const store::Value* section,
                                         const std::vector<std::string>& entries)
{
    std::string out;
    if (category) {
        // A section's page is headed by what it lists: the section of its category.
        out += "<h1>" + store::TextOf(*category);
        if (section)
            out += " - " + store::TextOf(*section);
        out += "</h1>";
        out += kNl;
    }
    for (const auto& entry : entries)
        out += entry;
    return out;
}

std::string ModernTagWriter::panelList(std::string_view heading, const std::vector<PanelEntry>& entries)
{
    std::string out = "<h2>" + std::string(heading) + "</h2>";
    out += kNl;
    out += "<ul>";
    out += kNl;
    for (const auto& entry : entries) {
        out += "<li><a href=\"" + HrefOf(store::TextOf(entry.link)) + "\">" + store::TextOf(entry.text) + "</a></li>";
        out += kNl;
    }
    out += "</ul>";
    out += kNl;
    return out;
}

void ModernTagWriter::page(std::string& out, PageKind kind, const PageHead& head, std::string_view contents,
                           std::string_view middle, std::string_view sections, PictureCopier& pictures)
{
    const std::string site = EscapeText(m_look.siteName);
    const std::string title = PlainText(head.title);
    const std::string fullTitle = title.empty() ? site : EscapeText(title) + " - " + site;
    std::string description = EscapeText(PlainText(head.description));
    if (description.empty())
        description = fullTitle;

    out.reserve(out.size() + contents.size() + middle.size() + sections.size() + 1024);
    out += "<!DOCTYPE html>\r\n<html lang=\"en\">\r\n<head>\r\n<meta charset=\"utf-8\">\r\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\r\n";
    out += "<title>" + fullTitle + "</title>\r\n";
    out += "<meta name=\"description\" content=\"" + description + "\">\r\n";
    // An empty icon: without one every visit asks the server for a missing /favicon.ico.
    out += "<link rel=\"icon\" href=\"data:,\">\r\n";
    out += "<link rel=\"stylesheet\" href=\"../";
    out += kStyleSheetPath;
    out += "\">\r\n";
    if (m_look.hasFeed) {
        out += "<link rel=\"alternate\" type=\"application/atom+xml\" title=\"" + site + "\" href=\"../";
        out += app::kFeedFileName;
        out += "\">\r\n";
    }
    out += "</head>\r\n<body class=\"";
    out += KindClass(kind);
    out += "\">\r\n<header>\r\n";
    if (std::string banner = image(m_look.banner, m_look.siteName, pictures, true); !banner.empty())
        out += banner;
    else
        out += "<p class=\"site-name\">" + site + "</p>";
    out += "\r\n</header>\r\n<nav aria-label=\"Contents\">\r\n";
    out += contents;
    out += "</nav>\r\n<main>\r\n";
    out += middle;
    out += "</main>\r\n<aside aria-label=\"Sections\">\r\n";
    out += sections;
    out += "</aside>\r\n<footer>\r\n";
    if (m_look.hasFeed) {
        out += "<p><a href=\"../";
        out += app::kFeedFileName;
        out += "\">Feed of the newest pages</a></p>\r\n";
    }
    out += "</footer>\r\n</body>\r\n</html>\r\n";
    m_pagePictures = 0;
}

} // namespace qle::generator
