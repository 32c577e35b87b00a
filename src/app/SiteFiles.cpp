#include "app/SiteFiles.h"

#include "app/Paths.h"
#include "store/Database.h"

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

Status CreateSiteFile(const std::string& programFolder, const std::string& path, std::optional<PageStyle> style)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::exists(fs::symlink_status(path, ec)))
        return Status::InvalidArgument("The file " + path + " already exists");
    const std::string blank = BlankSitePath(programFolder);
    // copy_options::none refuses to replace a file that appears meanwhile.
    if (!fs::copy_file(blank, path, fs::copy_options::none, ec))
        return Status::IoError("Cannot copy " + blank + " to " + path + ": " + ec.message());
    if (!style)
        return Status::OK();
    Status set = [&] {
        auto db = store::Database::open(path);
        if (!db)
            return db.status();
        auto current = ReadSiteStyle(*db);
        if (!current || current->style == *style) // a plain copy stays a plain copy
            return current.status();
        const char* name = *style == PageStyle::Modern ? kModernStyleName : kClassicStyleName;
        return db->execute("UPDATE Options SET Page_Style = ?", {std::string(name)});
    }();
    if (!set.ok())
        fs::remove(path, ec);
    return set;
}

} // namespace qle::app
