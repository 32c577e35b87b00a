#include "generator/StoredSiteEditor.h"

#include "store/Database.h"
#include "store/RecordSet.h"

#include <ostream>

namespace qle::generator {

Result<StoredSiteEditor> StoredSiteEditor::open(const std::string& sitePath, std::ostream* progress)
{
    auto db = store::Database::open(sitePath);
    if (!db)
        return db.status();
    auto rs = db->query("select * from [Options]");
    if (!rs)
        return rs.status();
    StoredSiteEditor editor(sitePath, progress);
    if (!rs->eof())
        editor.m_homepage = store::TextOf(rs->field("homepage"));
    return editor;
}

void StoredSiteEditor::setProgressText(const std::string& text)
{
    if (m_progress && !text.empty())
        *m_progress << text << '\n';
}

void StoredSiteEditor::commitEdits(DataSource source)
{
    if (source != DataSource::Options)
        return; // no page is being edited here
    auto db = store::Database::open(m_sitePath);
    if (!db) {
        m_commitStatus = db.status();
        return;
    }
    const store::Value value = m_homepage.empty() ? store::Value() : store::Value(m_homepage);
    if (m_homepageTitle)
        m_commitStatus = db->execute("UPDATE Options SET homepage = ?, homepage_title = ?", {value, *m_homepageTitle});
    else
        m_commitStatus = db->execute("UPDATE Options SET homepage = ?", {value});
}

} // namespace qle::generator
