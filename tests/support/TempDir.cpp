#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace qle::test {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "qle-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary folder");
    m_path = pattern + "/";
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

bool PathExists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

std::vector<std::string> FilesHolding(const std::string& path, const std::string& bytes)
{
    namespace fs = std::filesystem;
    std::vector<std::string> files;
    const auto check = [&](const fs::path& file) {
        if (ReadFile(file.string()).find(bytes) != std::string::npos)
            files.push_back(file.string());
    };
    if (fs::is_regular_file(path))
        check(path);
    else if (fs::is_directory(path))
        for (const auto& entry : fs::recursive_directory_iterator(path))
            if (entry.is_regular_file())
                check(entry.path());
    return files;
}

std::string PercentDecoded(const std::string& address)
{
    std::string out;
    for (std::size_t i = 0; i < address.size(); ++i) {
        if (address[i] == '%' && i + 2 < address.size()) {
            out += static_cast<char>(std::stoi(address.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += address[i];
        }
    }
    return out;
}

std::string CopyBlankSite(const std::string& path)
{
    std::filesystem::copy_file(ProgramFolder() + "Blank Site.qls", path,
                               std::filesystem::copy_options::overwrite_existing);
    return path;
}

} // namespace qle::test
