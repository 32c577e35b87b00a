#include "generator/BuildSections.h"

#include "generator/BuildCategories.h"
#include "generator/SiteBuild.h"
#include "generator/TagWriter.h"
#include "store/Database.h"
#include "store/RecordSet.h"

namespace qle::generator {

Status SectionPage(SiteBuild& build, const store::Value& category, const store::Value& section)
{
    auto rows = ReadMiniArticles(build, "select * from Mini_Articles where Category=? and section=?",
                                 {store::TextOf(category), store::TextOf(section)});
    if (!rows)
        return rows.status();
    const std::string path = build.listPagePath("sections", "sect-", "section", section);
    auto inputs = build.pageInputs(path, PageKind::Section, category);
    if (!inputs)
        return inputs.status();
    inputs->addValue(category);
    inputs->addValue(section);
    AddRows(*inputs, *rows);
    const PageHead head = ListHead(store::TextOf(category) + " - " + store::TextOf(section), *rows);
    if (build.keepPage(path, *inputs, head))
        return Status::OK();
    build.addTextPictures(*rows);
    const std::string list = ArticleList(*rows, &section, head, build.writer(), build.pictures());
    return build.writePage(path, PageKind::Section, category, head, list, &*inputs);
}

Status BuildSections(SiteBuild& build)
{
    auto rs = build.db().query("Section_Pages");
    if (!rs)
        return rs.status();
    if (Status s = rs->requireFields({"Category", "Section"}); !s.ok())
        return s.withContext(build.db().path());
    const int category = rs->columnIndex("Category");
    const int section = rs->columnIndex("Section");
    while (!rs->eof()) {
        if (Status s = SectionPage(build, rs->field(category), rs->field(section)); !s.ok())
            return s;
        if (Status s = rs->next(); !s.ok())
            return s;
    }
    return Status::OK();
}

} // namespace qle::generator
