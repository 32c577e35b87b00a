#include "generator/BuildArticles.h"

#include "generator/SiteBuild.h"
#include "generator/TagWriter.h"
#include "store/Database.h"
#include "store/RecordSet.h"

namespace qle::generator {

PageHead ArticleHead(const ArticleRow& row)
{
    return {store::TextOf(row.title), store::TextOf(row.para)};
}

std::string ArticleBody(const ArticleRow& row, TagWriter& writer, PictureCopier& pictures)
{
    std::string mainText;
    writer.appendMainText(mainText, row.body);
    return writer.articleBody(row, ArticleHead(row), mainText, pictures);
}

std::string ArticlePagePath(const store::Value& artid)
{
    return "articles/art-" + PageName(artid) + ".htm";
}

Status ArticlePage(SiteBuild& build, const ArticleRow& row)
{
    const std::string path = ArticlePagePath(row.artid);
    auto inputs = build.pageInputs(path, PageKind::Article, row.category);
    if (!inputs)
        return inputs.status();
    for (const store::Value* field :
         {&row.artid, &row.category, &row.section, &row.title, &row.link, &row.para, &row.image, &row.imageStrap})
        inputs->addValue(*field);
    inputs->add(row.body);
    const PageHead head = ArticleHead(row);
    if (build.keepPage(path, *inputs, head))
        return Status::OK();
    // The middle holds a marker where the main text goes; the text is put there as it is written.
    const std::string middle = build.writer().articleBody(row, head, kMainTextMarker, build.pictures());
    build.addTextPictures(store::TextOf(row.para));
    build.addTextPictures(row.body);
    bool placed = false;
    if (Status s =
            build.writePageAroundText(path, PageKind::Article, row.category, head, middle, row.body, placed, &*inputs);
        !s.ok() || placed)
        return s;
    // The author's own text holds the marker: the page is made whole instead.
    return build.writePage(path, PageKind::Article, row.category, head,
                           ArticleBody(row, build.writer(), build.pictures()), &*inputs);
}

Status BuildArticles(SiteBuild& build)
{
    return WriteArticlePages(build, "Article_Pages");
}

Status WriteArticlePages(SiteBuild& build, const std::string& source, const store::Params& params)
{
    auto rs = build.db().query(source, params);
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
        row.body = rs->text(body);
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
