// The middle panels of article, category and section pages.
#include "generator/BuildArticles.h"
#include "generator/BuildCategories.h"
#include "generator/BuildHTMLTags.h"
#include "generator/OutputSink.h"
#include "generator/PictureCopier.h"

#include <gtest/gtest.h>

namespace qle::generator {
namespace {

constexpr const char* kStyle = "CELLSPACING=3 BORDER=0";

class PageBuilders : public ::testing::Test
{
protected:
    MemorySink m_sink;
    PictureCopier m_pictures {m_sink};
};

TEST_F(PageBuilders, ArticleBodyIsFourTablesWithThePictureBlockFirst)
{
    ArticleRow row {"7",    "TV", "Sport", "Title", "../articles/art-7.htm", "Para", "one\r\n\r\ntwo", "C:\\p\\h.jpg",
                    "Strap"};
    const std::string picture = TableTag("<TR>" + CellTag("<IMG SRC='../images/h.jpg'>\r\n") + "</TR><tr>" +
                                             CellTag("<I><FONT SIZE=2>Strap</FONT>", "align=center") + "</I></TR>",
                                         "");
    const std::string expected =
        TableTag(CellTag("<FONT SIZE=4>TV -> Sport</FONT><BR>"), kStyle) +
        TableTag(CellTag("<A HREF='../articles/art-7.htm'><FONT SIZE=4>Title</FONT></A>\r\n"), kStyle) +
        TableTag("<TR VALIGN=TOP>" + CellTag(picture) + CellTag(" ") + CellTag("Para</TR><BR>"), kStyle) +
        TableTag(CellTag(" ") + CellTag(" ") + CellTag("one\r<BR>\n\r<BR>\ntwo"), kStyle);
    EXPECT_EQ(ArticleBody(row, m_pictures), expected);
}

TEST_F(PageBuilders, ArticleBodyWithNullFields)
{
    const std::string body = ArticleBody(ArticleRow {}, m_pictures);
    EXPECT_NE(body.find("<FONT SIZE=4> -> </FONT><BR>"), std::string::npos);
    EXPECT_NE(body.find("<TR VALIGN=TOP><TD >\r\n   \r\n  </TD>"), std::string::npos)
        << "no picture: the first cell holds a line of one space (indented by the table)\n"
        << body;
    EXPECT_EQ(body.find("<IMG"), std::string::npos);

    ArticleRow emptyImage;
    emptyImage.image = "";
    const std::string withCaption = ArticleBody(emptyImage, m_pictures);
    EXPECT_NE(withCaption.find("<I><FONT SIZE=2></FONT>"), std::string::npos)
        << "an empty (not null) picture keeps its caption table";
}

TEST_F(PageBuilders, ArticleSummaryShowsThePictureUpToPosition15)
{
    const MiniArticle row {"TV", "Story", "../articles/art-7.htm", "Para", "/p/pic.gif"};
    const std::string fifteenth = ArticleSummary(row, 15, m_pictures);
    const std::string sixteenth = ArticleSummary(row, 16, m_pictures);
    const std::string title =
        TableTag("<TR VALIGN=TOP>" +
                     CellTag("<A HREF='../articles/art-7.htm'><FONT SIZE=4>Story</FONT></A>\r\n<BR><BR>") + "</TR>",
                 "");
    const std::string text =
        CellTag("") + CellTag("Para<BR><font size=-1><a href=../articles/art-7.htm>more...</a></font><BR>") + "</TR>";
    EXPECT_EQ(fifteenth,
              title + TableTag("<TR VALIGN=TOP>" + CellTag(CellTag("<IMG SRC='../images/pic.gif'>\r\n")) + text, ""));
    EXPECT_EQ(sixteenth, title + TableTag("<TR VALIGN=TOP>" + CellTag("") + text, ""));

    MiniArticle spaced = row;
    spaced.link = "../a b.htm";
    EXPECT_NE(ArticleSummary(spaced, 1, m_pictures).find("<a href=../a b.htm>more...</a>"), std::string::npos)
        << "the more... address keeps its blanks";
}

TEST_F(PageBuilders, ArticleListIsHeadedByTheFirstRowsCategory)
{
    EXPECT_EQ(ArticleList({}, m_pictures), TableTag("", kStyle)) << "no rows: no heading, a line of two spaces";
    const std::vector<MiniArticle> rows = {{"Sport", "a", "l1", "p", std::nullopt}, {"SPORT", "b", "l2", "p", "x.gif"}};
    const std::string expected = "<FONT SIZE=4>Sport</FONT>" +
                                 ("<TR VALIGN=TOP>" + CellTag(ArticleSummary(rows[0], 1, m_pictures)) + "</TR>") +
                                 ("<TR VALIGN=TOP>" + CellTag(ArticleSummary(rows[1], 2, m_pictures)) + "</TR>");
    EXPECT_EQ(ArticleList(rows, m_pictures), StyledTableTag(1, expected));
}

} // namespace
} // namespace qle::generator
