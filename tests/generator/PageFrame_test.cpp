// The page frame, its navigation lists, and the split frame that must give the same bytes.
#include "generator/BuildHTMLTags.h"
#include "generator/PageFrame.h"

#include <gtest/gtest.h>

namespace qle::generator {
namespace {

FrameParts Parts()
{
    FrameParts parts;
    parts.banner = "<IMG SRC='../images/banner.gif'>\r\n";
    parts.colours = {"Blue", "White", "Blue"};
    parts.contents = PanelList(1, "Contents", {{"TV", "../categories/cat-tv.htm"}, {"Home Garden", "x y.htm"}});
    parts.sections = PanelList(1, "Sections", {{"Sport", "../sections/sect-sport.htm"}});
    return parts;
}

TEST(PageFrame, PanelListHasItsHeadingRowThenOneLinkRowPerEntry)
{
    EXPECT_EQ(
        PanelList(1, "Sections", {}),
        TableTag("<TR VALIGN=TOP>" + CellTag("<FONT size=4>Sections</FONT>") + "</TR>", "CELLSPACING=3 BORDER=0"));
    const std::string list =
        PanelList(1, "Contents", {{"Home Garden", "../categories/cat-home garden.htm"}, {std::nullopt, std::nullopt}});
    EXPECT_NE(list.find("<A HREF='../categories/cat-home-garden.htm'><FONT SIZE=4>Home Garden</FONT></A>"),
              std::string::npos)
        << list;
    EXPECT_NE(list.find("<A HREF=''><FONT SIZE=4></FONT></A>"), std::string::npos) << "null fields give empty pieces";
}

TEST(PageFrame, PanelsAreColouredInOrderInsideTheBorderedTable)
{
    FrameParts parts = Parts();
    const std::string page = PageFrame(parts, "MIDDLE");
    const std::string expectedStart = std::string(PageStart()) + parts.banner + "<TABLE BORDER=2 WIDTH=600>\r\n" +
                                      " <TBODY>\r\n  <TR VALIGN=TOP><TD BGCOLOR=Blue>\r\n";
    EXPECT_EQ(page.substr(0, expectedStart.size()), expectedStart);
    const auto white = page.find("<TD BGCOLOR=White>\r\n   MIDDLE\r\n  </TD>\r\n  <TD BGCOLOR=Blue>");
    EXPECT_NE(white, std::string::npos) << page;
    const std::string end = PageFooter() + std::string(PageEnd());
    EXPECT_EQ(page.substr(page.size() - end.size()), end);

    parts.colours = {"", "", ""};
    EXPECT_NE(PageFrame(parts, "m").find("<TD BGCOLOR=>"), std::string::npos);
}

TEST(PageFrame, SplitFrameGivesTheSameBytes)
{
    const std::string middles[] = {
        "",
        "plain",
        "a\r\nb\r\n",
        "\r\nstarts with a line break",
        "ends with CR\r",
        "\nlone LF\nand lone CR\r",
        TableTag(CellTag("nested\r\ntext")),
        std::string(100000, 'x') + "\r\n" + std::string(100, 'y'),
    };
    const std::string sections[] = {
        PanelList(1, "Sections", {}),
        PanelList(1, "Sections", {{"Sport", "s.htm"}, {"News", "n.htm"}}),
        "odd\r",
    };
    FrameParts parts = Parts();
    for (const auto& banner : {std::string(), parts.banner}) {
        parts.banner = banner;
        const FrameTemplate frame(parts);
        for (const auto& sectionList : sections) {
            FrameParts whole = parts;
            whole.sections = sectionList;
            for (const auto& middle : middles) {
                std::string page = "kept:";
                frame.render(page, middle, sectionList);
                EXPECT_EQ(page, "kept:" + PageFrame(whole, middle)) << "[" << middle.substr(0, 40) << "]";
            }
        }
    }
}

TEST(PageFrame, AuthorTextThatLooksLikeTheSplitMarkerIsStillFramedExactly)
{
    FrameParts parts = Parts();
    parts.colours[0] = "\x01QLE-MIDDLE\r\n\x02";
    const FrameTemplate frame(parts);
    std::string page;
    frame.render(page, "m\r\nn", parts.sections);
    EXPECT_EQ(page, PageFrame(parts, "m\r\nn"));
}

} // namespace
} // namespace qle::generator
