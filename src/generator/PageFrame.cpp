#include "generator/PageFrame.h"

#include "generator/BuildHTMLTags.h"

#include <algorithm>
#include <cctype>

namespace qle::generator {

namespace {

// Stand in for the two pieces while the frame is split.
constexpr std::string_view kMiddleMarker = "\x01QLE-MIDDLE\r\n\x02";
constexpr std::string_view kSectionsMarker = "\x01QLE-SECTIONS\r\n\x02";

} // namespace

std::optional<MarkerPlace> FindMarker(std::string_view text, std::string_view marker)
{
    const std::string_view opening = marker.substr(0, marker.size() - 1);
    const std::size_t offset = text.find(opening);
    if (offset == std::string_view::npos || text.find(opening, offset + 1) != std::string_view::npos)
        return std::nullopt;
    const std::size_t blanks = offset + opening.size();
    const std::size_t end = text.find_first_not_of(' ', blanks);
    if (end == std::string_view::npos || text[end] != marker.back())
        return std::nullopt;
    return MarkerPlace {offset, end + 1 - offset, static_cast<int>(end - blanks)};
}

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
    marked.sections = kSectionsMarker;
    const std::string frame = PageFrame(marked, kMiddleMarker);
    const auto middle = FindMarker(frame, kMiddleMarker);
    const auto sections = FindMarker(frame, kSectionsMarker);
    // Author text holding a marker would make the split ambiguous; such a frame is built whole.
    if (!middle || !sections || sections->offset < middle->offset) {
        m_parts = parts;
        return;
    }
    // The indentation of each piece's first line stays in the frame before it.
    m_frame = frame.substr(0, middle->offset);
    m_middle = {m_frame.size(), middle->indent};
    const std::size_t middleEnd = middle->offset + middle->length;
    m_frame.append(frame, middleEnd, sections->offset - middleEnd);
    m_sections = {m_frame.size(), sections->indent};
    m_frame.append(frame, sections->offset + sections->length);
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
