#include "app/LocalCopy.h"

#include "app/Paths.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace qle::app {

namespace {

namespace fs = std::filesystem;

bool SameBytes(const std::string& a, const std::string& b)
{
    std::error_code ec;
    if (fs::equivalent(a, b, ec))
        return true;
    if (ec || fs::file_size(a, ec) != fs::file_size(b, ec) || ec)
        return false;
    std::ifstream first(a, std::ios::binary);
    std::ifstream second(b, std::ios::binary);
    if (!first || !second)
        return false;
    return std::equal(std::istreambuf_iterator<char>(first), std::istreambuf_iterator<char>(),
                      std::istreambuf_iterator<char>(second));
}

// "rose.jpg", 2 -> "rose-2.jpg"; a name without an extension (or only a leading dot) gets "-2" at the end.
std::string NumberedName(const std::string& name, int number)
{
    const std::size_t dot = name.rfind('.');
    const std::string suffix = "-" + std::to_string(number);
    if (dot == std::string::npos || dot == 0)
        return name + suffix;
    return name.substr(0, dot) + suffix + name.substr(dot);
}

} // namespace

std::string CopyUnderFreeName(const std::string& source, const std::string& folder, const std::string& wanted)
{
    const std::string name = wanted.empty() ? FileNameOfPath(source) : wanted;
    for (int number = 1;; ++number) {
        const std::string candidate = folder + (number == 1 ? name : NumberedName(name, number));
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(candidate, ec))) {
            // copy_options::none never replaces a file that appears meanwhile.
            fs::copy_file(source, candidate, fs::copy_options::none, ec);
            return candidate;
        }
        if (SameBytes(source, candidate))
            return candidate;
    }
}

} // namespace qle::app
