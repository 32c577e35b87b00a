// The split page frame must give the same bytes as the whole one; the fixture build pins the whole frame.
#include "generator/BuildHTMLTags.h"
#include "generator/PageFrame.h"

#include <gtest/gtest.h>

namespace qle::generator {
namespace {

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
    FrameParts parts;
    parts.contents = PanelList(1, "Contents", {{"TV", "../categories/cat-tv.htm"}, {"Home Garden", "x y.htm"}});
    // Author text that looks like the split marker is still framed exactly.
    for (const char* colour : {"Blue", "\x01QLE-MIDDLE\r\n\x02"}) {
        parts.colours = {colour, "White", "Blue"};
        for (const auto& banner : {std::string(), std::string("<IMG SRC='../images/banner.gif'>\r\n")}) {
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
}

TEST(PageFrame, OnlyTheTwoUnknownColourNamesAreMapped)
{
    const std::pair<const char*, const char*> rows[] = {
        {"LightOrange", "#FFD580"},
        {"lightorange", "#FFD580"},
        {"LIGHTBROWN", "#C4A484"},
        {"LightBrown", "#C4A484"},
        {"LightBlue", "LightBlue"},
        {"Orange", "Orange"},
        {"", ""},
        {" LightOrange", " LightOrange"},
        {"LightOrange2", "LightOrange2"},
        {"#ffd580", "#ffd580"},
        {"lightbrow", "lightbrow"},
    };
    for (const auto& [stored, written] : rows)
        EXPECT_EQ(PanelColour(stored), written) << stored;
}

} // namespace
} // namespace qle::generator
