#include "generator/BuildSections.h"

#include "generator/BuildCategories.h"
#include "generator/SiteBuild.h"
#include "generator/TagWriter.h"
#include "store/Database.h"
#include "store/RecordSet.h"

namespace qle::generator {

Status SectionPage(SiteBuild& build, const store::Value& category, const store::Value& section)
{
    return ListPage(build, PageKind::Section, build.listPagePath("sections", "sect-", "section", section), category,
                    &section);
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
