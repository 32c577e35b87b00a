// The HTML the editor's formatting commands write into the author's text (First Paragraph, Main
// Text): ordinary tags, each on the line it formats, since line breaks in the text become <br>.
// Text is in the editor's form: lines end in LF.
#pragma once

#include <string>
#include <string_view>

namespace qle::generator {

enum class TextFormat {
    Bold,
    Italic,
    Heading,
    BulletedList,
    NumberedList,
};

// The selection formatted, and where the caret goes when nothing was selected (the offset of the
// place between the tags, in characters: the opening tags are ASCII).
struct FormattedText
{
    std::string text;
    std::size_t caret = 0;
};

// Bold, italic and heading wrap the selection (<b>, <i>, <h2>: the page's own title is the only
// <h1>). A list makes each line of the selection an item (empty lines are left out) and writes
// the whole list on one line, so that no line break comes between its items.
FormattedText Formatted(TextFormat format, std::string_view selected);

// A link: the address (as the pages' own links are written, or a web address) around `text`.
std::string LinkHtml(std::string_view address, std::string_view text);

// The address of one of the site's own article pages, as the generator links it.
std::string ArticleLink(std::string_view artId);

// A web address as typed, with "https://" put before it when it names no scheme.
std::string WebAddress(std::string_view typed);

// A picture copied into the site's images folder under `copyName`, described by `alt` (plain text).
std::string PictureHtml(std::string_view copyName, std::string_view alt);

} // namespace qle::generator
