// A forward-only walk over the rows of a query, positioned on its first row when opened.
#pragma once

#include "store/Status.h"
#include "store/Value.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3_stmt;

namespace qle::store {

class RecordSet
{
public:
    RecordSet(RecordSet&&) noexcept;
    RecordSet& operator=(RecordSet&&) noexcept;
    ~RecordSet();

    bool eof() const { return m_eof; }

    // Moves to the next row. REQUIRES: !eof()
    Status next();

    // 0-based number of the current row.
    int position() const { return m_position; }

    // Column of the given name, compared without regard to ASCII letter case; -1 if none.
    int columnIndex(std::string_view name) const;
    const std::vector<std::string>& columnNames() const { return m_columns; }

    // An error naming the first of the given fields that the record set lacks.
    Status requireFields(std::initializer_list<std::string_view> names) const;

    // The field of the current row by name (any letter case); NULL and unknown names give nullopt.
    // REQUIRES: !eof()
    Value field(std::string_view name) const;
    Value field(int column) const;

    // The field as text without copying; NULL is empty. Valid until the next call of next().
    // REQUIRES: !eof() and 0 <= column < columnNames().size()
    std::string_view text(int column) const;
    bool isNull(int column) const;

private:
    friend class Database;
    struct Finalizer
    {
        void operator()(sqlite3_stmt* stmt) const;
    };

    RecordSet(std::unique_ptr<sqlite3_stmt, Finalizer> stmt, std::string source);
    Status step();

    std::unique_ptr<sqlite3_stmt, Finalizer> m_stmt;
    std::string m_source;
    std::vector<std::string> m_columns;
    bool m_eof = true;
    int m_position = 0;
};

// ASCII letter-case-insensitive equality, as field names are matched.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

} // namespace qle::store
