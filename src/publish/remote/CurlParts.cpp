#include "publish/remote/CurlParts.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace qle::publish {

CurlList MakeCurlList(std::initializer_list<std::string> lines)
{
    CurlList list;
    for (const auto& line : lines) {
        curl_slist* grown = curl_slist_append(list.get(), line.c_str());
        if (!grown)
            return {};
        (void)list.release();
        list.reset(grown);
    }
    return list;
}

Result<LocalUpload> OpenLocalUpload(const std::string& localPath)
{
    LocalUpload upload;
    upload.file.reset(std::fopen(localPath.c_str(), "rbe"));
    struct stat info
    {
    };
    if (!upload.file)
        return Status::IoError(localPath + ": " + std::strerror(errno));
    if (::fstat(::fileno(upload.file.get()), &info) != 0 || !S_ISREG(info.st_mode))
        return Status::IoError(localPath + ": not a file");
    upload.size = static_cast<std::uint64_t>(info.st_size);
    return upload;
}

std::size_t ReadLocalFile(char* buffer, std::size_t size, std::size_t count, void* file)
{
    const std::size_t n = std::fread(buffer, size, count, static_cast<std::FILE*>(file));
    if (n == 0 && std::ferror(static_cast<std::FILE*>(file)))
        return CURL_READFUNC_ABORT;
    return n;
}

} // namespace qle::publish
