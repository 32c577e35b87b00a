// Small pieces the libcurl transports share: the owner of libcurl's lists of lines, a local file
// opened for sending with the callback that reads it. Used only by remote/*.cpp.
#pragma once

#include "store/Status.h"

#include <curl/curl.h>

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>

namespace qle::publish {

struct CurlListFree
{
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlList = std::unique_ptr<curl_slist, CurlListFree>;

// libcurl's list of `lines`; null when libcurl has no memory for it.
CurlList MakeCurlList(std::initializer_list<std::string> lines);

struct FileClose
{
    void operator()(std::FILE* file) const { std::fclose(file); }
};

struct LocalUpload
{
    std::unique_ptr<std::FILE, FileClose> file;
    std::uint64_t size = 0;
};

// A local file opened for sending; refused when it cannot be read or is not a plain file.
Result<LocalUpload> OpenLocalUpload(const std::string& localPath);

// libcurl's read callback over a std::FILE*; the transfer is aborted on a read error.
std::size_t ReadLocalFile(char* buffer, std::size_t size, std::size_t count, void* file);

} // namespace qle::publish
