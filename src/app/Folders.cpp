#include "app/Folders.h"

#include "app/Paths.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qle::app {

namespace {

constexpr const char* kMarkerFile = "temp.fle";

bool CreateMarker(const std::string& folder)
{
    const std::string marker = JoinPath(folder, kMarkerFile);
    // An empty marker that is already there is left untouched: a new time stamp on every build
    // would make tools that compare times send it again each time.
    const int fd = ::open(marker.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        return false;
    struct stat info
    {
    };
    const bool emptied = ::fstat(fd, &info) == 0 && (info.st_size == 0 || ::ftruncate(fd, 0) == 0);
    ::close(fd);
    return emptied;
}

} // namespace

std::string DefaultBaseFolder()
{
    const char* home = std::getenv("HOME");
    std::string folder = home && *home ? home : "";
    if (folder.empty()) {
        if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
            folder = pw->pw_dir;
    }
    return JoinPath(folder.empty() ? "/tmp" : folder, "QuillonEngine/");
}

std::string BaseFolder(AppOptions& options)
{
    std::string folder = options.LocalBaseDir;
    if (folder.empty())
        folder = DefaultBaseFolder();
    // The upload's batch file changes into the base folder before it names files in it: a relative
    // folder would then name them twice over. The current folder itself is never changed.
    if (folder.front() != '/') {
        char current[PATH_MAX];
        if (::getcwd(current, sizeof current))
            folder = JoinPath(current, folder);
    }
    folder = WithTrailingSlash(folder);
    options.LocalBaseDir = folder;
    return folder;
}

std::string WebFolder(const std::string& baseFolder)
{
    return WithTrailingSlash(baseFolder) + "TempInternetFiles/";
}

std::string LocalImagesFolder(const std::string& baseFolder)
{
    return WithTrailingSlash(baseFolder) + "LocalImages/";
}

Status EnsureFolder(const std::string& folder)
{
    if (CreateMarker(folder))
        return Status::OK();
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    if (::mkdir(path.c_str(), 0755) == 0)
        return Status::OK();
    const int error = errno;
    struct stat info
    {
    };
    if (error == EEXIST && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return Status::OK(); // exists, but we may not write a marker there
    return Status::IoError("Cannot make the folder " + folder + ": " + std::strerror(error));
}

bool FolderIsWritable(const std::string& folder)
{
    return CreateMarker(folder);
}

void ClearFolder(const std::string& folder)
{
    if (!FolderIsWritable(folder))
        return;
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return;
    DIR* dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return;
    }
    // Names are resolved relative to the opened folder, so nothing outside it can be reached.
    while (const dirent* entry = ::readdir(dir)) {
        struct stat info
        {
        };
        if (::fstatat(dirFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        // A link is removed itself; what it points to is never reached.
        if (S_ISREG(info.st_mode) || S_ISLNK(info.st_mode))
            ::unlinkat(dirFd, entry->d_name, 0);
    }
    ::closedir(dir);
}

bool FileExists(const std::string& folder, const std::string& pattern)
{
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return false;
    bool found = false;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        if (::fnmatch(pattern.c_str(), entry->d_name, FNM_PERIOD) == 0) {
            struct stat info
            {
            };
            const std::string path = JoinPath(folder, entry->d_name);
            if (::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode)) {
                found = true;
                break;
            }
        }
    }
    ::closedir(dir);
    return found;
}

} // namespace qle::app
