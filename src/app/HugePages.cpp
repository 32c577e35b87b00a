#include "app/HugePages.h"

#include <cstdlib>
#include <string>
#include <string_view>

namespace qle::app {

bool AskForHugePageHeap()
{
    constexpr const char* kVariable = "GLIBC_TUNABLES";
    constexpr std::string_view kTunable = "glibc.malloc.hugetlb";
    const char* current = std::getenv(kVariable);
    std::string value = current ? current : "";
    if (value.find(kTunable) != std::string::npos)
        return false;
    value += value.empty() ? "" : ":";
    value += kTunable;
    value += "=1";
    return ::setenv(kVariable, value.c_str(), 1) == 0;
}

} // namespace qle::app
