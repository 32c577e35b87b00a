// The tag writer against the worked examples of the page layout.
#include "generator/BuildHTMLTags.h"
#include "generator/OutputSink.h"
#include "generator/PictureCopier.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace qle::generator {
namespace {

// Joins lines, each ended by CR LF.
std::string Lines(std::initializer_list<std::string_view> lines)
{
    std::string text;
    for (auto line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

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
        {1, "a\rb", " a\rb"},
        {2, "a\r\n", "  a\r\n  "},
        {1, "\r\r\n\n\r", " \r\r\n \n\r"},
        {3, "x\r\n\r\ny", "   x\r\n   \r\n   y"},
        {40, "a\r\nb", std::string(40, ' ') + "a\r\n" + std::string(40, ' ') + "b"},
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
        {"one\rtwo", "one\rtwo"},
        {"a\r\n\r\nb", "a\r<BR>\n\r<BR>\nb"},
        {"\r\n", "\r<BR>\n"},
        {"<b>&amp;</b>", "<b>&amp;</b>"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(TextToHTML(text), expected) << "[" << text << "]";
}

TEST(BuildHTMLTags, BlocksMatchTheWorkedExamples)
{
    EXPECT_EQ(TableTag(CellTag("abc"), "X"),
              Lines({"<TABLE X>", " <TBODY>", "  <TD >", "   abc", "  </TD>", "  ", " </TBODY>", "</TABLE>"}));
    EXPECT_EQ(PageFooter(), "<BR><BR>" + Lines({"<TABLE WIDTH=600>", " <TBODY>", "  <TD Align = CENTER>", "   ",
                                                "  </TD>", "  ", " </TBODY>", "</TABLE>"}));
    EXPECT_EQ(TableTag("").substr(0, 9), "<TABLE >\r");
    EXPECT_EQ(CellTag("").substr(0, 6), "<TD >\r");
    EXPECT_EQ(StyledTableTag(1, "c"), TableTag("c", "CELLSPACING=3 BORDER=0"));
    EXPECT_EQ(PageStart(), Lines({"<HTML>", "<HEAD></HEAD>", "<BODY BGCOLOR=LIGHTYELLOW>"}));
    EXPECT_EQ(PageEnd(), Lines({"</BODY>", "</HTML>"}));
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
    test::WriteFile(dir / "horse.jpg", "neigh");
    MemorySink sink;
    PictureCopier pictures(sink);
    const std::pair<std::string, std::string> cases[] = {
        {dir / "horse.jpg", "<IMG SRC='../images/horse.jpg'>\r\n"},
        {"C:\\Pics\\horse.jpg", "<IMG SRC='../images/horse.jpg'>\r\n"},
        {"missing.jpg", "<IMG SRC='../images/missing.jpg'>\r\n"},
        {"/pics/Tom's #1?.jpg", "<IMG SRC='../images/Tom%27s %231%3F.jpg'>\r\n"},
        {"/pics/100%.gif", "<IMG SRC='../images/100%25.gif'>\r\n"},
        {"/pics/", ""},
        {"", ""},
    };
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(ImageTag(path, pictures), expected) << path;
    EXPECT_EQ(BannerTag("", pictures), "");
    pictures.copyAll();
    // Only the picture that exists is copied; the failed copies are ignored.
    ASSERT_EQ(sink.files().size(), 1u);
    EXPECT_EQ(sink.files().at("images/horse.jpg"), "neigh");
}

} // namespace
} // namespace qle::generator
