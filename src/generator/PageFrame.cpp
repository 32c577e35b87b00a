#include "generator/PageFrame.h"

#include "generator/BuildHTMLTags.h"

#include <algorithm>
#include <cctype>

namespace qle::generator {

namespace {

// Stand in for the two pieces while the frame is split; their CR LF shows how deep each lies.
constexpr std::string_view kMiddleMarker = "\x01QLE-MIDDLE\r\n";
constexpr std::string_view kSectionsMarker = "\x01QLE-SECTIONS\r\n";
constexpr char kMarkerEnd = '\x02';

// Finds the one marker in `frame`: its offset and the indentation after its CR LF.
bool FindMarker(const std::string& frame, std::string_view marker, std::size_t& offset, int& indent)
{
    offset = frame.find(marker);
    if (offset == std::string::npos || frame.find(marker, offset + 1) != std::string::npos)
        return false;
    const std::size_t blanks = offset + marker.size();
    const std::size_t end = frame.find_first_not_of(' ', blanks);
    if (end == std::string::npos || frame[end] != kMarkerEnd)
        return false;
    indent = static_cast<int>(end - blanks);
    return true;
}

} // namespace

std::string PanelColour(std::string_view stored)
{
    const auto is = [stored](std::string_view name) {
        return stored.size() == name.size() &&
               std::equal(stored.begin(), stored.end(), name.begin(), [](char a, char b) {
                   return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
               });
    };
    if (is("lightorange"))
        return "#FFD580";
    if (is("lightbrown"))
        return "#C4A484";
    return std::string(stored);
}

std::string PanelList(int level, std::string_view heading, const std::vector<PanelEntry>& entries)
{
    std::string rows = "<TR VALIGN=TOP>" + CellTag(FontTag("size=4", heading)) + "</TR>";
    for (const auto& entry : entries) {
        rows += "<TR VALIGN=TOP>";
        rows += CellTag(LinkTag(level, store::TextOf(entry.text), store::TextOf(entry.link)));
        rows += "</TR>";
    }
    return TableTag(rows, "CELLSPACING=3 BORDER=0");
}

std::string PageFrame(const FrameParts& parts, std::string_view middle)
{
    std::string row = "<TR VALIGN=TOP>";
    row += CellTag(parts.contents, "BGCOLOR=" + parts.colours[0]);
    row += CellTag(middle, "BGCOLOR=" + parts.colours[1]);
    row += CellTag(parts.sections, "BGCOLOR=" + parts.colours[2]);
    row += "</TR>";
    std::string page(PageStart());
    page += parts.banner;
    page += TableTag(row, "BORDER=2 WIDTH=600");
    page += PageFooter();
    page += PageEnd();
    return page;
}

FrameTemplate::FrameTemplate(const FrameParts& parts)
{
    FrameParts marked = parts;
    marked.sections = std::string(kSectionsMarker) + kMarkerEnd;
    const std::string frame = PageFrame(marked, std::string(kMiddleMarker) + kMarkerEnd);
    std::size_t middleAt = 0, sectionsAt = 0;
    int middleIndent = 0, sectionsIndent = 0;
    // Author text holding a marker would make the split ambiguous; such a frame is built whole.
    if (!FindMarker(frame, kMiddleMarker, middleAt, middleIndent) ||
        !FindMarker(frame, kSectionsMarker, sectionsAt, sectionsIndent) || sectionsAt < middleAt) {
        m_parts = parts;
        return;
    }
    const std::size_t middleEnd = middleAt + kMiddleMarker.size() + static_cast<std::size_t>(middleIndent) + 1;
    const std::size_t sectionsEnd = sectionsAt + kSectionsMarker.size() + static_cast<std::size_t>(sectionsIndent) + 1;
    // The indentation of each piece's first line stays in the frame before it.
    m_frame = frame.substr(0, middleAt);
    m_middle = {m_frame.size(), middleIndent};
    m_frame.append(frame, middleEnd, sectionsAt - middleEnd);
    m_sections = {m_frame.size(), sectionsIndent};
    m_frame.append(frame, sectionsEnd);
    m_split = true;
}

void FrameTemplate::render(std::string& page, std::string_view middle, std::string_view sections) const
{
    if (!m_split) {
        FrameParts parts = m_parts;
        parts.sections = sections;
        page += PageFrame(parts, middle);
        return;
    }
    page.reserve(page.size() + m_frame.size() + middle.size() + sections.size() +
                 (middle.size() + sections.size()) / 8);
    const std::string_view frame = m_frame;
    page += frame.substr(0, m_middle.offset);
    AppendIndentedLines(page, m_middle.indent, middle);
    page += frame.substr(m_middle.offset, m_sections.offset - m_middle.offset);
    AppendIndentedLines(page, m_sections.indent, sections);
    page += frame.substr(m_sections.offset);
}

} // namespace qle::generator
