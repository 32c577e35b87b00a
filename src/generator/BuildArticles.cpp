#include "generator/BuildArticles.h"

#include "generator/BuildHTMLTags.h"
#include "generator/SiteBuild.h"
#include "store/Database.h"
#include "store/RecordSet.h"

namespace qle::generator {

namespace {

constexpr std::string_view kListStyle = "CELLSPACING=3 BORDER=0";

} // namespace

std::string ArticleBody(const ArticleRow& row, PictureCopier& pictures)
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
    result += TableTag(CellTag(" ") + CellTag(" ") + CellTag(TextToHTML(TextOf(row.body))), kListStyle);
    return result;
}

std::string ArticlePagePath(const store::Value& artid)
{
    return "articles/art-" + PageName(artid) + ".htm";
}

Status ArticlePage(SiteBuild& build, const ArticleRow& row)
{
    const std::string body = ArticleBody(row, build.pictures());
    return build.writePage(ArticlePagePath(row.artid), PageKind::Article, row.category, body);
}

Status BuildArticles(SiteBuild& build)
{
    auto rs = build.db().query("Article_Pages");
    if (!rs)
        return rs.status();
    if (Status s = rs->requireFields(
            {"artid", "Category", "Section", "title", "link", "para", "body", "image", "image_strap"});
        !s.ok())
        return s.withContext(build.db().path());
    const int artid = rs->columnIndex("artid"), category = rs->columnIndex("Category"),
              section = rs->columnIndex("Section"), title = rs->columnIndex("title"), link = rs->columnIndex("link"),
              para = rs->columnIndex("para"), body = rs->columnIndex("body"), image = rs->columnIndex("image"),
              strap = rs->columnIndex("image_strap");
    ArticleRow row;
    while (!rs->eof()) {
        row.artid = rs->field(artid);
        row.category = rs->field(category);
        row.section = rs->field(section);
        row.title = rs->field(title);
        row.link = rs->field(link);
        row.para = rs->field(para);
        row.body = rs->field(body);
        row.image = rs->field(image);
        row.imageStrap = rs->field(strap);
        if (Status s = ArticlePage(build, row); !s.ok())
            return s;
        if (Status s = rs->next(); !s.ok())
            return s;
    }
    return Status::OK();
}

} // namespace qle::generator
