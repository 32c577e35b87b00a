#include "app/SiteFiles.h"

#include "app/Paths.h"

#include <filesystem>

namespace qle::app {

std::string SiteFileName(const std::string& name)
{
    std::string result = name;
    if (result.size() < 4)
        result += ".QLS";
    std::string tail = result.substr(result.size() - 4);
    for (char& c : tail)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    if (tail != ".qls")
        result += ".QLS";
    return result;
}

std::string BlankSitePath(const std::string& programFolder)
{
    return JoinPath(programFolder, "Blank Site.qls");
}

Status CreateSiteFile(const std::string& programFolder, const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::exists(fs::symlink_status(path, ec)))
        return Status::InvalidArgument("The file " + path + " already exists");
    const std::string blank = BlankSitePath(programFolder);
    // copy_options::none refuses to replace a file that appears meanwhile.
    if (!fs::copy_file(blank, path, fs::copy_options::none, ec))
        return Status::IoError("Cannot copy " + blank + " to " + path + ": " + ec.message());
    return Status::OK();
}

} // namespace qle::app
