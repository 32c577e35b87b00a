#include "generator/BuildCategories.h"

#include "generator/BuildHTMLTags.h"
#include "generator/PageFrame.h"
#include "generator/SiteBuild.h"
#include "store/Database.h"
#include "store/RecordSet.h"

namespace qle::generator {

std::string ArticleSummary(const MiniArticle& row, int position, PictureCopier& pictures)
{
    using store::TextOf;
    std::string picture;
    if (row.image && position <= kPicturesPerList)
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

std::string ArticleList(const std::vector<MiniArticle>& rows, PictureCopier& pictures)
{
    std::string items;
    if (!rows.empty())
        items = HeadingTag(1, store::TextOf(rows.front().category));
    int position = 1;
    for (const auto& row : rows) {
        items += "<TR VALIGN=TOP>";
        items += CellTag(ArticleSummary(row, position, pictures));
        items += "</TR>";
        ++position;
    }
    return StyledTableTag(1, items);
}

Result<std::vector<MiniArticle>> ReadMiniArticles(SiteBuild& build, const std::string& statement,
                                                  const store::Params& params)
{
    auto rs = build.db().query(statement, params);
    if (!rs)
        return rs.status();
    if (Status s = rs->requireFields({"Category", "title", "link", "para", "image"}); !s.ok())
        return s.withContext(build.db().path());
    const int category = rs->columnIndex("Category"), title = rs->columnIndex("title"), link = rs->columnIndex("link"),
              para = rs->columnIndex("para"), image = rs->columnIndex("image");
    std::vector<MiniArticle> rows;
    while (!rs->eof()) {
        rows.push_back({rs->field(category), rs->field(title), rs->field(link), rs->field(para), rs->field(image)});
        if (Status s = rs->next(); !s.ok())
            return s;
    }
    return rows;
}

Status CategoryPage(SiteBuild& build, const store::Value& category)
{
    // A null category selects nothing, as the empty name does.
    auto rows = ReadMiniArticles(build, "select  * from Mini_Articles where Category=?", {store::TextOf(category)});
    if (!rows)
        return rows.status();
    const std::string list = ArticleList(*rows, build.pictures());
    return build.writePage("categories/cat-" + PageName(category) + ".htm", PageKind::Category, category, list);
}

Status BuildCategories(SiteBuild& build)
{
    auto rs = build.db().query("Category_Pages");
    if (!rs)
        return rs.status();
    if (Status s = rs->requireFields({"Category"}); !s.ok())
        return s.withContext(build.db().path());
    const int category = rs->columnIndex("Category");
    while (!rs->eof()) {
        if (Status s = CategoryPage(build, rs->field(category)); !s.ok())
            return s;
        if (Status s = rs->next(); !s.ok())
            return s;
    }
    return Status::OK();
}

} // namespace qle::generator
