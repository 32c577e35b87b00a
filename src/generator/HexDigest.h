// A digest's hex digits held in place, for records of many entries.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace qle::generator {

// Lower-case hex digits of a digest, held without the heap: a list of a large site holds a few
// hundred thousand of them. Empty, or exactly `Digits` digits.
template <std::size_t Digits>
class HexDigest
{
public:
    HexDigest() = default;
    HexDigest(std::string_view hex) { assign(hex); }
    HexDigest(const std::string& hex) { assign(hex); }
    HexDigest(const char* hex) { assign(hex); }

    bool empty() const { return m_size == 0; }
    std::string_view view() const { return {m_hex.data(), m_size}; }
    operator std::string_view() const { return view(); }
    std::string str() const { return std::string(view()); }

    bool operator==(const HexDigest&) const = default;
    friend bool operator==(const HexDigest& digest, std::string_view hex) { return digest.view() == hex; }
    friend bool operator==(const HexDigest& digest, const std::string& hex) { return digest.view() == hex; }
    friend bool operator==(const HexDigest& digest, const char* hex) { return digest.view() == hex; }

private:
    void assign(std::string_view hex)
    {
        m_size = hex.size() == Digits ? Digits : 0;
        std::copy_n(hex.data(), m_size, m_hex.data());
    }

    std::array<char, Digits> m_hex {};
    std::uint8_t m_size = 0;
};

} // namespace qle::generator
