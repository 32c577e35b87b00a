// Edge cases of the tag writer and the article list; the fixture build pins the common blocks byte for byte.
#include "generator/BuildCategories.h"
#include "generator/BuildHTMLTags.h"
#include "generator/ClassicTagWriter.h"
#include "generator/OutputSink.h"
#include "generator/PictureCopier.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace qle::generator {
namespace {

TEST(BuildHTMLTags, IndentTextIndentsAfterCrLfPairsOnly)
{
    const struct
    {
        int count;
        std::string text;
        std::string expected;
    } cases[] = {
        {2, "", "  "},
        {1, "a\r\nb", " a\r\n b"},
        {1, "a\nb", " a\nb"},
        {2, "a\r\n", "  a\r\n  "},
        {1, "\r\r\n\n\r", " \r\r\n \n\r"},
        {3, "x\r\n\r\ny", "   x\r\n   \r\n   y"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IndentText(c.count, c.text), c.expected) << c.count << " [" << c.text << "]";
}

TEST(BuildHTMLTags, TextToHTMLBreaksBetweenCrAndLf)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"one\r\ntwo", "one\r<BR>\ntwo"},
        {"one\ntwo\nthree", "one\ntwo\nthree"},
        {"a\r\n\r\nb", "a\r<BR>\n\r<BR>\nb"},
        {"<b>&amp;</b>", "<b>&amp;</b>"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(TextToHTML(text), expected) << "[" << text << "]";
}

TEST(BuildHTMLTags, InlineTagsPassTextThroughUnescaped)
{
    EXPECT_EQ(FontTag("size=4", "A & <b>"), "<FONT size=4>A & <b></FONT>");
    EXPECT_EQ(HeadingTag(1, "x"), "<FONT SIZE=4>x</FONT>");
    EXPECT_EQ(HeadingTag(2, "x"), "<FONT SIZE=3><B>x</B></FONT>");
    EXPECT_EQ(HeadingTag(3, "x"), "<FONT SIZE=2 COLOR=RED><B>x</B></FONT>");
    EXPECT_EQ(HeadingTag(7, "x"), "<FONT SIZE=3>x</FONT>");
    EXPECT_EQ(HeadingTag(0, "x"), "<FONT SIZE=3>x</FONT>");
    EXPECT_EQ(LinkTag(1, "My Page", "../a b/c d.htm"), "<A HREF='../a-b/c-d.htm'><FONT SIZE=4>My Page</FONT></A>\r\n");
    EXPECT_EQ(LinkTag(1, "", ""), "<A HREF=''><FONT SIZE=4></FONT></A>\r\n");
}

TEST(BuildHTMLTags, ImageTagNamesTheCopyAndRegistersIt)
{
    test::TempDir dir;
    test::WriteFile(dir / "horse.jpg", "\xFF\xD8\xFF neigh");
    MemorySink sink;
    PictureCopier pictures(sink);
    const std::pair<std::string, std::string> cases[] = {
        {dir / "horse.jpg", "<IMG SRC='../images/horse.jpg'>\r\n"},
        {"missing.jpg", "<IMG SRC='../images/missing.jpg'>\r\n"},
        {"/pics/Tom's #1?.jpg", "<IMG SRC='../images/Tom%27s %231-.jpg'>\r\n"},
        {"/pics/100%.gif", "<IMG SRC='../images/100%25.gif'>\r\n"},
        // Copied under a name every server and the upload script can hold.
        {"/pics/a\"b*c:d<e>f|g\th.png", "<IMG SRC='../images/a-b-c-d-e-f-g-h.png'>\r\n"},
        {"/pics/", ""},
        {"", ""},
    };
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(ImageTag(path, pictures), expected) << path;
    EXPECT_EQ(BannerTag("", pictures), "");
    std::vector<std::string> warnings;
    ASSERT_TRUE(pictures.copyAll(warnings).ok());
    // Only the picture that exists is copied; each one missing is a warning.
    ASSERT_EQ(sink.files().size(), 1u);
    EXPECT_EQ(sink.files().at("images/horse.jpg"), "\xFF\xD8\xFF neigh");
    EXPECT_EQ(warnings.size(), 4u);
}

TEST(BuildHTMLTags, ArticleListIsHeadedByTheFirstRowsCategory)
{
    MemorySink sink;
    PictureCopier pictures(sink);
    ClassicTagWriter writer({});
    const PageHead head;
    EXPECT_EQ(ArticleList({}, nullptr, head, writer, pictures), TableTag("", "CELLSPACING=3 BORDER=0"))
        << "no rows: no heading";
    const std::vector<MiniArticle> rows = {{"Sport", "a", "l1", "p", std::nullopt}, {"SPORT", "b", "l2", "p", "x.gif"}};
    const std::string expected =
        "<FONT SIZE=4>Sport</FONT>" +
        ("<TR VALIGN=TOP>" + CellTag(ArticleSummary(rows[0], 1, head, writer, pictures)) + "</TR>") +
        ("<TR VALIGN=TOP>" + CellTag(ArticleSummary(rows[1], 2, head, writer, pictures)) + "</TR>");
    EXPECT_EQ(ArticleList(rows, nullptr, head, writer, pictures), StyledTableTag(1, expected));
}

} // namespace
} // namespace qle::generator
