#include "generator/BuildArticles.h"

#include "generator/SiteBuild.h"
#include "generator/TagWriter.h"
#include "store/Database.h"
#include "store/RecordSet.h"

#include <algorithm>
#include <charconv>
#include <vector>

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

namespace {

// The article's page is made from these and the site; the next build keeps them in its summary.
std::string FieldsHash(const ArticleRow& row)
{
    InputHash fields;
    for (const store::Value* field :
         {&row.artid, &row.category, &row.section, &row.title, &row.link, &row.para, &row.image, &row.imageStrap})
        fields.addValue(*field);
    fields.add(row.body);
    return fields.hex();
}

// Keeps the page of an article that did not change since the last build without reading its row.
Result<bool> KeepArticlePage(SiteBuild& build, long long id, const RowSummary::Article& article)
{
    const std::string path = ArticlePagePath(std::to_string(id));
    auto inputs = build.pageInputs(path, PageKind::Article, article.category);
    if (!inputs)
        return inputs.status();
    inputs->add(article.fields);
    return build.keepPage(path, *inputs, {article.title, {}});
}

// Every article the last build made or kept and every one logged since, in ArtID order as a full
// build goes (the pictures' names depend on it): the changed ones, and those whose page cannot be
// kept, are read one by one. The summary of the articles starts as the last build's and is
// brought up to date here.
Status RebuildArticlePages(SiteBuild& build)
{
    auto& articles = build.rows().articles;
    const auto& changed = build.changedArticles();
    std::vector<long long> ids;
    ids.reserve(articles.size() + changed.size());
    for (const auto& [id, article] : articles)
        ids.push_back(id);
    const auto known = ids.size();
    ids.insert(ids.end(), changed.begin(), changed.end());
    std::inplace_merge(ids.begin(), ids.begin() + static_cast<std::ptrdiff_t>(known), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    for (const long long id : ids) {
        if (!std::binary_search(changed.begin(), changed.end(), id)) {
            auto kept = KeepArticlePage(build, id, articles.at(id));
            if (!kept)
                return kept.status();
            if (*kept)
                continue;
        }
        // Read again, or gone.
        articles.erase(id);
        if (Status s = WriteArticlePages(build, "select * from Article_Pages where artid = ?", {std::to_string(id)});
            !s.ok())
            return s;
    }
    return Status::OK();
}

} // namespace

Status ArticlePage(SiteBuild& build, const ArticleRow& row)
{
    const std::string path = ArticlePagePath(row.artid);
    auto inputs = build.pageInputs(path, PageKind::Article, row.category);
    if (!inputs)
        return inputs.status();
    const std::string fields = FieldsHash(row);
    inputs->add(fields);
    const PageHead head = ArticleHead(row);
    long long id = 0;
    const std::string& artid = store::TextOf(row.artid);
    if (std::from_chars(artid.data(), artid.data() + artid.size(), id).ptr == artid.data() + artid.size() &&
        !artid.empty())
        build.rows().articles[id] = {row.category, row.section, head.title, fields};
    else
        build.rows().position.reset(); // an article the next build could not name
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
    return build.incremental() ? RebuildArticlePages(build) : WriteArticlePages(build, "Article_Pages");
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
