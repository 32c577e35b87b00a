#include "app/Paths.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace qle::app {

namespace {

bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

} // namespace

std::string FileNameOfPath(std::string_view path)
{
    for (std::size_t i = path.size(); i > 0; --i)
        if (IsSeparator(path[i - 1]))
            return std::string(path.substr(i));
    return std::string(path);
}

std::string FolderOfPath(std::string_view path)
{
    for (std::size_t i = path.size(); i > 0; --i)
        if (IsSeparator(path[i - 1]))
            return std::string(path.substr(0, i - 1));
    return {};
}

std::string ReplaceChar(std::string_view text, char find, std::string_view replacement)
{
    std::string result;
    result.reserve(text.size());
    for (char c : text) {
        if (c == find)
            result += replacement;
        else
            result += c;
    }
    return result;
}

std::string JoinPath(std::string_view folder, std::string_view name)
{
    std::string path(folder);
    if (!path.empty() && path.back() != '/')
        path += '/';
    path += name;
    return path;
}

std::string WithTrailingSlash(std::string_view folder)
{
    std::string result(folder);
    if (!result.empty() && result.back() != '/')
        result += '/';
    return result;
}

std::string ExecutableFolder()
{
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return "./";
    return WithTrailingSlash(FolderOfPath(std::string_view(buffer, static_cast<std::size_t>(n))) + "/");
}

std::string ShippedFilesFolder(std::string_view executableFolder)
{
    const std::string beside = WithTrailingSlash(executableFolder);
    const auto holdsShippedFiles = [](const std::string& folder) {
        struct stat info
        {
        };
        return ::stat(AppDatabasePath(folder).c_str(), &info) == 0 && S_ISREG(info.st_mode);
    };
    if (holdsShippedFiles(beside))
        return beside;
    // <prefix>/bin/ -> <prefix>/share/quillon-engine/
    const std::string installed = FolderOfPath(FolderOfPath(beside)) + "/share/quillon-engine/";
    if (holdsShippedFiles(installed))
        return installed;
    return beside;
}

std::string ProgramFolder()
{
    return ShippedFilesFolder(ExecutableFolder());
}

std::string AppDatabasePath(std::string_view programFolder)
{
    return JoinPath(programFolder, "Quillon Engine.mdb");
}

std::string SiteName(std::string_view sitePath)
{
    std::string name = FileNameOfPath(sitePath);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}

bool IsUnportableNameChar(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F)
        return true;
    switch (c) {
    case '"':
    case '*':
    case ':':
    case '<':
    case '>':
    case '?':
    case '|':
    case '/':
    case '\\':
        return true;
    default:
        return false;
    }
}

std::string PortableFileName(std::string_view name)
{
    std::string result(name);
    for (char& c : result)
        if (IsUnportableNameChar(c))
            c = '-';
    return result;
}

std::string PageNamePart(std::string_view name)
{
    std::string result = PortableFileName(name);
    for (char& c : result) {
        if (c == ' ')
            c = '-';
        else if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return result;
}

std::string PageFileName(std::string_view prefix, std::string_view name, bool* shortened)
{
    constexpr std::string_view kExtension = ".htm";
    constexpr std::size_t kHashText = 17; // "-" and 16 hexadecimal digits
    std::string part = PageNamePart(name);
    const std::size_t room = kMaxPageFileNameBytes - prefix.size() - kExtension.size();
    if (shortened)
        *shortened = part.size() > room;
    if (part.size() > room) {
        // Two hashes of 32 bits each, simple enough for the site file's views to compute in SQL.
        std::uint64_t a = 0, b = 0;
        for (char c : part) {
            const auto byte = static_cast<unsigned char>(c);
            a = (a * 16777619 + byte + 1) % 4294967291;
            b = (b * 1000003 + byte + 1) % 4294967279;
        }
        // Back to the start of a character cut in two; up to three bytes continue one.
        std::size_t keep = room - kHashText;
        for (int i = 0; i < 3 && (static_cast<unsigned char>(part[keep]) & 0xC0) == 0x80; ++i)
            --keep;
        char hash[kHashText + 1];
        std::snprintf(hash, sizeof hash, "-%08llx%08llx", static_cast<unsigned long long>(a),
                      static_cast<unsigned long long>(b));
        part = part.substr(0, keep) + hash;
    }
    return std::string(prefix) + part + std::string(kExtension);
}

} // namespace qle::app
