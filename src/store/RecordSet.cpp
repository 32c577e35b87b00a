#include "store/RecordSet.h"
#include "store/Database.h"

#include <sqlite3.h>

namespace qle::store {

bool EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

void RecordSet::Finalizer::operator()(sqlite3_stmt* stmt) const
{
    sqlite3_finalize(stmt);
}

RecordSet::RecordSet(std::unique_ptr<sqlite3_stmt, Finalizer> stmt, std::string source)
    : m_stmt(std::move(stmt))
    , m_source(std::move(source))
{
    const int count = sqlite3_column_count(m_stmt.get());
    m_columns.reserve(count);
    for (int i = 0; i < count; ++i)
        m_columns.emplace_back(sqlite3_column_name(m_stmt.get(), i));
}

RecordSet::RecordSet(RecordSet&&) noexcept = default;
RecordSet& RecordSet::operator=(RecordSet&&) noexcept = default;
RecordSet::~RecordSet() = default;

Status RecordSet::step()
{
    const int rc = sqlite3_step(m_stmt.get());
    if (rc == SQLITE_ROW) {
        m_eof = false;
        return Status::OK();
    }
    m_eof = true;
    if (rc == SQLITE_DONE)
        return Status::OK();
    sqlite3* db = sqlite3_db_handle(m_stmt.get());
    const std::string path = sqlite3_db_filename(db, "main");
    return DatabaseFailure(db, path, "Reading \"" + m_source + "\" from " + path);
}

Status RecordSet::next()
{
    const Status s = step();
    if (s.ok() && !m_eof)
        ++m_position;
    return s;
}

int RecordSet::columnIndex(std::string_view name) const
{
    for (std::size_t i = 0; i < m_columns.size(); ++i)
        if (EqualsIgnoreCase(m_columns[i], name))
            return static_cast<int>(i);
    return -1;
}

Status RecordSet::requireFields(std::initializer_list<std::string_view> names) const
{
    for (auto name : names)
        if (columnIndex(name) < 0)
            return Status::DatabaseError("\"" + m_source + "\" has no field " + std::string(name));
    return Status::OK();
}

Value RecordSet::field(std::string_view name) const
{
    return field(columnIndex(name));
}

Value RecordSet::field(int column) const
{
    if (m_eof || column < 0 || column >= static_cast<int>(m_columns.size()) || isNull(column))
        return std::nullopt;
    return std::string(text(column));
}

std::string_view RecordSet::text(int column) const
{
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt.get(), column));
    if (!data)
        return {};
    return {data, static_cast<std::size_t>(sqlite3_column_bytes(m_stmt.get(), column))};
}

bool RecordSet::isNull(int column) const
{
    return sqlite3_column_type(m_stmt.get(), column) == SQLITE_NULL;
}

} // namespace qle::store
