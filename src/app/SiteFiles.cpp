#include "app/SiteFiles.h"

#include "app/Paths.h"
#include "app/TextFiles.h"
#include "store/Database.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

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
    std::ifstream in(blank, std::ios::binary);
    if (!in)
        return Status::IoError("Cannot copy " + blank + " to " + path + ": the template cannot be read");
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Readable by its owner only: the site will hold the FTP password. O_EXCL refuses to replace a
    // file that appears meanwhile.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return Status::IoError("Cannot copy " + blank + " to " + path + ": " + std::strerror(errno));
    int error = WriteAll(fd, bytes);
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0) {
        ::unlink(path.c_str());
        return Status::IoError("Cannot copy " + blank + " to " + path + ": " + std::strerror(error));
    }
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
