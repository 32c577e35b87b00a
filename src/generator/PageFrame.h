// The frame every generated page shares: banner, a 600 wide table of three panels (categories,
// the page's own content, the sections of its category), footer.
#pragma once

#include "store/Value.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qle::generator {

// Selects the panel colours: `CatPanel`, `SectPanel` or `DetPanel` 0 to 2.
enum class PageKind {
    Category = 0,
    Section = 1,
    Article = 2,
};

// One row of `List_Categories` or `List_Sections`.
struct PanelEntry
{
    store::Value text;
    store::Value link;
};

// PanelList: a navigation list, the heading row then one link row per entry, in order.
std::string PanelList(int level, std::string_view heading, const std::vector<PanelEntry>& entries);

// Everything of a frame but the middle: the banner tag, the three colours of the page kind, and
// the two navigation lists (PanelList("Contents", ...) and PanelList("Sections", ...)).
struct FrameParts
{
    std::string banner;
    std::array<std::string, 3> colours;
    std::string contents;
    std::string sections;
};

// A stored panel colour as the page writes it after "BGCOLOR=". The editor has always offered two
// names that browsers do not know: LightOrange and LightBrown (in any letter case) are written as
// #FFD580 and #C4A484; every other value is written exactly as stored.
std::string PanelColour(std::string_view stored);

// A marker stands in a page for a piece put in later: an opening, CR LF, then one end character,
// so that where it lands also shows how many blanks the blocks around it put after each CR LF.
// Where `marker` stands in `text`: its offset, its length with those blanks, and their number.
// Nothing when the marker's opening is not in the text exactly once.
struct MarkerPlace
{
    std::size_t offset = 0;
    std::size_t length = 0;
    int indent = 0;
};
std::optional<MarkerPlace> FindMarker(std::string_view text, std::string_view marker);

// PageFrame: the text of a whole page around `middle`.
std::string PageFrame(const FrameParts& parts, std::string_view middle);

// PageFrame split once per page kind around its two varying pieces, the middle and the sections
// list, so that a page is framed by a few appends and the indentation of those two pieces alone.
// Gives exactly PageFrame's bytes.
class FrameTemplate
{
public:
    // `parts.sections` is not used: each page brings its own.
    explicit FrameTemplate(const FrameParts& parts);

    // Appends PageFrame(parts with `sections`, middle) to `page`.
    void render(std::string& page, std::string_view middle, std::string_view sections) const;

private:
    struct Hole
    {
        std::size_t offset = 0; // where the piece goes in m_frame
        int indent = 0;         // blanks after each CR LF of the piece
    };

    std::string m_frame; // the frame without the two pieces
    Hole m_middle;
    Hole m_sections;
    bool m_split = false;
    FrameParts m_parts; // kept only when the frame could not be split
};

} // namespace qle::generator
