// What the editor's formatting commands write, and the pictures a build finds in it again.
#include "generator/AuthorHtml.h"
#include "generator/HtmlText.h"

#include <gtest/gtest.h>

namespace qle::generator {
namespace {

TEST(AuthorHtml, CommandsWrapTheSelectionAndListsStayOnOneLine)
{
    const struct
    {
        TextFormat format;
        const char* selected;
        const char* text;
        std::size_t caret;
    } cases[] = {
        {TextFormat::Bold, "roses", "<b>roses</b>", 3},
        {TextFormat::Italic, "", "<i></i>", 3},
        {TextFormat::Heading, "Spring", "<h2>Spring</h2>", 4},
        {TextFormat::BulletedList, "one\ntwo\r\n\n  \nthree", "<ul><li>one</li><li>two</li><li>three</li></ul>", 8},
        {TextFormat::NumberedList, "first", "<ol><li>first</li></ol>", 8},
        {TextFormat::NumberedList, "", "<ol><li></li></ol>", 8},
    };
    for (const auto& c : cases) {
        const FormattedText result = Formatted(c.format, c.selected);
        EXPECT_EQ(result.text, c.text) << c.selected;
        EXPECT_EQ(result.caret, c.caret) << c.selected;
    }
}

TEST(AuthorHtml, LinksAndPicturesReachWhatTheBuildWrites)
{
    EXPECT_EQ(LinkHtml(ArticleLink("12"), "our <b>roses</b>"),
              "<a href=\"../articles/art-12.htm\">our <b>roses</b></a>");
    EXPECT_EQ(LinkHtml(WebAddress(" example.org/a?b=1&c=\"2\" "), "x"),
              "<a href=\"https://example.org/a?b=1&amp;c=&quot;2&quot;\">x</a>");
    const std::pair<const char*, const char*> addresses[] = {
        {"http://x.org", "http://x.org"},
        {"mailto:jo@x.org", "mailto:jo@x.org"},
        {"x.org:8080/a", "https://x.org:8080/a"},
        {"www.x.org", "https://www.x.org"},
        {"   ", ""},
    };
    for (const auto& [typed, address] : addresses)
        EXPECT_EQ(WebAddress(typed), address) << typed;

    const std::string picture = PictureHtml("Tom's rose #1.jpg", "A \"red\" rose & more");
    EXPECT_EQ(picture, "<img src=\"../images/Tom%27s%20rose%20%231.jpg\" alt=\"A &quot;red&quot; rose &amp; more\">");
    EXPECT_EQ(ImagesFolderPictures("text " + picture + " more"), std::vector<std::string> {"Tom's rose #1.jpg"});
}

TEST(AuthorHtml, TheBuildFindsThePicturesTheTextShowsFromTheImagesFolder)
{
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"<img src=\"../images/a.gif\">", {"a.gif"}},
        {"<IMG ALT='x' SRC='../images/b%20c.png'/>", {"b c.png"}},
        {"<img src=../images/d.jpg alt=y>", {"d.jpg"}},
        {"<img\r\nsrc = \"../images/e.gif?v=2#top\">", {"e.gif"}},
        {"<img src=\"http://x.org/images/f.gif\"><img src=\"images/g.gif\"><img alt=\"../images/h.gif\">", {}},
        {"<img src=\"../images/../secret\"><img src=\"../images/a%2Fb\"><img src=\"../images/\">", {}},
        {"<imgx src=\"../images/i.gif\"><p src=\"../images/j.gif\">", {}},
        {"two <img src=\"../images/1.gif\"> and <img src=\"../images/2.gif\"", {"1.gif", "2.gif"}},
    };
    for (const auto& [html, names] : cases)
        EXPECT_EQ(ImagesFolderPictures(html), names) << html;
}

} // namespace
} // namespace qle::generator
