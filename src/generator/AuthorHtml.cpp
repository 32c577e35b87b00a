#include "generator/AuthorHtml.h"

#include "generator/BuildArticles.h"
#include "generator/HtmlText.h"

#include <vector>

namespace qle::generator {

namespace {

FormattedText Wrapped(std::string_view open, std::string_view selected, std::string_view close)
{
    return {std::string(open) + std::string(selected) + std::string(close), open.size()};
}

FormattedText List(std::string_view tag, std::string_view selected)
{
    std::vector<std::string_view> items;
    for (std::size_t start = 0; start <= selected.size();) {
        std::size_t end = selected.find('\n', start);
        if (end == std::string_view::npos)
            end = selected.size();
        std::string_view line = selected.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.find_first_not_of(" \t") != std::string_view::npos)
            items.push_back(line);
        start = end + 1;
    }
    const std::string open = "<" + std::string(tag) + "><li>";
    if (items.empty())
        return {open + "</li></" + std::string(tag) + ">", open.size()};
    std::string text = "<" + std::string(tag) + ">";
    for (std::string_view item : items)
        text += "<li>" + std::string(item) + "</li>";
    text += "</" + std::string(tag) + ">";
    return {text, open.size()};
}

} // namespace

FormattedText Formatted(TextFormat format, std::string_view selected)
{
    switch (format) {
    case TextFormat::Bold:
        return Wrapped("<b>", selected, "</b>");
    case TextFormat::Italic:
        return Wrapped("<i>", selected, "</i>");
    case TextFormat::Heading:
        return Wrapped("<h2>", selected, "</h2>");
    case TextFormat::BulletedList:
        return List("ul", selected);
    case TextFormat::NumberedList:
        break;
    }
    return List("ol", selected);
}

std::string LinkHtml(std::string_view address, std::string_view text)
{
    return "<a href=\"" + EscapeText(address) + "\">" + std::string(text) + "</a>";
}

std::string ArticleLink(std::string_view artId)
{
    return "../" + ArticlePagePath(std::string(artId));
}

std::string WebAddress(std::string_view typed)
{
    const auto first = typed.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    typed = typed.substr(first, typed.find_last_not_of(" \t") - first + 1);
    const auto colon = typed.find(':');
    const bool hasScheme = colon != std::string_view::npos && colon > 0 &&
                           typed.find_first_of("/.?#") > colon; // "mailto:", "https://", not "a.b/c:d"
    return hasScheme ? std::string(typed) : "https://" + std::string(typed);
}

std::string PictureHtml(std::string_view copyName, std::string_view alt)
{
    return "<img src=\"" + PictureHref(copyName) + "\" alt=\"" + EscapeText(alt) + "\">";
}

} // namespace qle::generator
