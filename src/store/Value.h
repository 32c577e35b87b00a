// Field values as the program treats them: text that may be null.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qle::store {

// A field value; std::nullopt is SQL NULL. Numbers arrive as their decimal text.
using Value = std::optional<std::string>;

// Values bound to the ?1, ?2, ... placeholders of a statement, in order.
using Params = std::vector<Value>;

struct Field
{
    std::string name;
    Value value;
};
using Fields = std::vector<Field>;

// The text of a value, with NULL as the empty text.
inline const std::string& TextOf(const Value& value)
{
    static const std::string kEmpty;
    return value ? *value : kEmpty;
}

} // namespace qle::store
