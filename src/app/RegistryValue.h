// Turning the raw bytes of a registry value into text, apart from the Windows-only registry access.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qle::app {

// Value types that carry text.
inline constexpr std::uint32_t kRegSz = 1;    // a string of single-byte characters
inline constexpr std::uint32_t kRegDword = 4; // a 32-bit number, little-endian

// The text of a value as the registry returned it: `bytes` holds exactly the returned size.
// One trailing zero character is dropped (a string may be stored with or without it); a string
// keeps the rest; a number gives its decimal text; any other type gives empty text.
std::string DecodeRegistryValue(std::uint32_t type, std::string_view bytes);

} // namespace qle::app
