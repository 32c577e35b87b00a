#include "app/RegistryValue.h"

namespace qle::app {

std::string DecodeRegistryValue(std::uint32_t type, std::string_view bytes)
{
    std::string_view kept = bytes;
    if (!kept.empty() && kept.back() == '\0')
        kept.remove_suffix(1);

    if (type == kRegSz)
        return std::string(kept);
    if (type == kRegDword) {
        // The dropped byte can only be the zero high byte, so the number is unchanged. Bytes past
        // the fourth cannot belong to a 32-bit number and are not read.
        std::uint32_t number = 0;
        for (std::size_t i = 0; i < kept.size() && i < 4; ++i)
            number |= static_cast<std::uint32_t>(static_cast<unsigned char>(kept[i])) << (8 * i);
        return std::to_string(number);
    }
    return {};
}

} // namespace qle::app
