#include "generator/ClassicTagWriter.h"

#include "generator/BuildHTMLTags.h"

namespace qle::generator {

namespace {

constexpr std::string_view kListStyle = "CELLSPACING=3 BORDER=0";

} // namespace

ClassicTagWriter::ClassicTagWriter(SiteLook look)
    : m_look(std::move(look))
{
}

std::string ClassicTagWriter::articleBody(const ArticleRow& row, const PageHead& /*head*/, std::string_view mainText,
                                          PictureCopier& pictures)
{
    using store::TextOf;
    std::string picture;
    if (row.image) {
        // The odd "<tr>" and the "</I>" after the caption cell are what pages have always held.
        std::string content = "<TR>" + CellTag(ImageTag(*row.image, pictures)) + "</TR><tr>";
        content += CellTag("<I>" + FontTag("SIZE=2", TextOf(row.imageStrap)), "align=center");
        content += "</I></TR>";
        picture = TableTag(content, "");
    }
    const std::string breadcrumb = HeadingTag(1, TextOf(row.category) + " -> " + TextOf(row.section));
    const std::string titleLink = LinkTag(1, TextOf(row.title), TextOf(row.link));

    std::string result = TableTag(CellTag(breadcrumb + "<BR>"), kListStyle);
    result += TableTag(CellTag(titleLink), kListStyle);
    // The row is closed inside the third cell; there is no other "</TR>".
    result += TableTag("<TR VALIGN=TOP>" + CellTag(picture) + CellTag(" ") + CellTag(TextOf(row.para) + "</TR><BR>"),
                       kListStyle);
    result += TableTag(CellTag(" ") + CellTag(" ") + CellTag(mainText), kListStyle);
    return result;
}

void ClassicTagWriter::appendMainText(std::string& out, std::string_view text) const
{
    AppendTextToHTML(out, text);
}

std::string ClassicTagWriter::articleSummary(const MiniArticle& row, bool showPicture, const PageHead& /*head*/,
                                             PictureCopier& pictures)
{
    using store::TextOf;
    std::string picture;
    if (showPicture && row.image)
        picture = CellTag(ImageTag(*row.image, pictures));
    const std::string& link = TextOf(row.link);

    std::string titleRow = "<TR VALIGN=TOP>" + CellTag(LinkTag(1, TextOf(row.title), link) + "<BR><BR>") + "</TR>";
    // The "more..." address is the link as stored, unquoted, blanks kept.
    std::string text = TextOf(row.para);
    text += "<BR><font size=-1><a href=";
    text += link;
    text += ">more...</a></font><BR>";
    std::string textRow = "<TR VALIGN=TOP>" + CellTag(picture) + CellTag("") + CellTag(text) + "</TR>";
    return TableTag(titleRow, "") + TableTag(textRow, "");
}

std::string ClassicTagWriter::articleList(const store::Value* category, const store::Value* /*section*/,
                                          const std::vector<std::string>& entries)
{
    std::string items;
    if (category)
        items = HeadingTag(1, store::TextOf(*category));
    for (const auto& entry : entries) {
        items += "<TR VALIGN=TOP>";
        items += CellTag(entry);
        items += "</TR>";
    }
    return StyledTableTag(1, items);
}

std::string ClassicTagWriter::panelList(std::string_view heading, const std::vector<PanelEntry>& entries)
{
    return PanelList(1, heading, entries);
}

void ClassicTagWriter::page(std::string& out, PageKind kind, const PageHead& /*head*/, std::string_view contents,
                            std::string_view middle, std::string_view sections, PictureCopier& pictures)
{
    if (m_frameKind != kind) {
        FrameParts parts;
        parts.banner = BannerTag(m_look.banner, pictures);
        parts.colours = m_look.colours[static_cast<int>(kind)];
        parts.contents = contents;
        m_frame = std::make_unique<FrameTemplate>(parts);
        m_frameKind = kind;
    }
    m_frame->render(out, middle, sections);
}

} // namespace qle::generator
