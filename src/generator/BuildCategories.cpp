#include "generator/BuildCategories.h"

#include "generator/SiteBuild.h"
#include "generator/TagWriter.h"
#include "store/Database.h"
#include "store/RecordSet.h"

#include <optional>

namespace qle::generator {

PageHead ListHead(std::string title, const std::vector<MiniArticle>& rows)
{
    PageHead head;
    head.title = std::move(title);
    if (!rows.empty())
        head.description = store::TextOf(rows.front().para);
    return head;
}

std::string ArticleSummary(const MiniArticle& row, int position, const PageHead& head, TagWriter& writer,
                           PictureCopier& pictures)
{
    return writer.articleSummary(row, row.image && position <= kPicturesPerList, head, pictures);
}

std::string ArticleList(const std::vector<MiniArticle>& rows, const store::Value* section, const PageHead& head,
                        TagWriter& writer, PictureCopier& pictures)
{
    std::vector<std::string> entries;
    entries.reserve(rows.size());
    int position = 1;
    for (const auto& row : rows)
        entries.push_back(ArticleSummary(row, position++, head, writer, pictures));
    if (rows.empty())
        return writer.articleList(nullptr, nullptr, entries);
    return writer.articleList(&rows.front().category, section, entries);
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

void AddRows(InputHash& inputs, const std::vector<MiniArticle>& rows)
{
    inputs.addNumber(static_cast<long long>(rows.size()));
    for (const MiniArticle& row : rows)
        for (const store::Value* field : {&row.category, &row.title, &row.link, &row.para, &row.image})
            inputs.addValue(*field);
}

Status ListPage(SiteBuild& build, PageKind kind, const std::string& path, const store::Value& category,
                const store::Value* section)
{
    std::optional<std::vector<MiniArticle>> rows;
    const auto read = [&]() -> Status {
        // A null category or section selects nothing, as the empty name does.
        auto found = section ? ReadMiniArticles(build, "select * from Mini_Articles where Category=? and section=?",
                                                {store::TextOf(category), store::TextOf(*section)})
                             : ReadMiniArticles(build, "select  * from Mini_Articles where Category=?",
                                                {store::TextOf(category)});
        if (!found)
            return found.status();
        rows = std::move(*found);
        return Status::OK();
    };
    // The rows are read only when an article they may hold changed since the last build.
    std::string listed;
    if (const std::string* unchanged = build.unchangedList(category, section)) {
        listed = *unchanged;
    } else {
        if (Status s = read(); !s.ok())
            return s;
        InputHash hash;
        hash.addValue(category);
        if (section)
            hash.addValue(*section);
        AddRows(hash, *rows);
        listed = hash.hex();
    }
    build.rows().lists[ListKey(category, section)] = listed;
    auto inputs = build.pageInputs(path, kind, category);
    if (!inputs)
        return inputs.status();
    inputs->add(listed);
    const std::string title =
        section ? store::TextOf(category) + " - " + store::TextOf(*section) : store::TextOf(category);
    if (build.keepPage(path, *inputs, {title, {}}))
        return Status::OK();
    if (!rows)
        if (Status s = read(); !s.ok())
            return s;
    const PageHead head = ListHead(title, *rows);
    build.addTextPictures(*rows);
    const std::string list = ArticleList(*rows, section, head, build.writer(), build.pictures());
    return build.writePage(path, kind, category, head, list, &*inputs);
}

Status CategoryPage(SiteBuild& build, const store::Value& category)
{
    return ListPage(build, PageKind::Category, build.listPagePath("categories", "cat-", "category", category), category,
                    nullptr);
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
