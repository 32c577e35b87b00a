#include "generator/ModernTagWriter.h"

#include "app/Paths.h"
#include "generator/HtmlText.h"
#include "generator/PictureCopier.h"
#include "generator/SiteBuild.h"
#include "generator/StyleSheet.h"

namespace qle::generator {

namespace {

constexpr std::string_view kNl = "\r\n";

// The author's text with its CR LF line breaks shown, as the classic pages show the main text.
std::string BreakLines(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            out += "<br>";
        out += text[i];
    }
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

std::string ModernTagWriter::image(std::string_view path, std::string_view alt, PictureCopier& pictures)
{
    // The name the copy gets, as the classic pages name it.
    const std::string copyName = PictureCopyName(path);
    if (copyName.empty())
        return {};
    pictures.add(path);
    auto it = m_sizes.find(path);
    if (it == m_sizes.end())
        it = m_sizes.emplace(std::string(path), ReadPictureSize(std::string(path))).first;
    std::string tag = "<img src=\"" + PictureHref(copyName) + "\" alt=\"" + EscapeText(alt) + "\"";
    if (const auto& size = it->second)
        tag += " width=\"" + std::to_string(size->width) + "\" height=\"" + std::to_string(size->height) + "\"";
    tag += ">";
    return tag;
}

std::string ModernTagWriter::articleBody(const ArticleRow& row, const PageHead& head, PictureCopier& pictures)
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
    out += "<div class=\"text\">" + BreakLines(TextOf(row.body)) + "</div>";
    out += kNl;
    return out;
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
    if (std::string banner = image(m_look.banner, m_look.siteName, pictures); !banner.empty())
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
}

} // namespace qle::generator
