#include "generator/BuiltFiles.h"

#include "app/Paths.h"
#include "app/TextFiles.h"

#include <algorithm>
#include <charconv>
#include <fcntl.h>
#include <fstream>
#include <openssl/evp.h>
#include <sys/stat.h>

namespace qle::generator {

namespace {

// The first line names the format; a list of another format is not used.
constexpr std::string_view kHeader = "quillon-built-files 2";
// A line naming a picture that pages show; pages name it by its place among these lines.
constexpr char kPictureLine = '@';

std::int64_t Nanoseconds(const struct timespec& time)
{
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

template <typename Number>
bool ReadNumber(std::string_view& text, Number& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data() + text.size() || *end != ' ')
        return false;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()) + 1);
    return true;
}

std::string_view ReadWord(std::string_view& text)
{
    const std::size_t blank = text.find(' ');
    if (blank == std::string_view::npos)
        return {};
    const std::string_view word = text.substr(0, blank);
    text.remove_prefix(blank + 1);
    return word;
}

bool IsHex(std::string_view text, std::size_t size)
{
    return text.size() == size && text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

// "SIZE SHA256 MTIME_NS INODE SOURCE_SIZE SOURCE_MTIME_NS INPUTS PICTURES PATH"; INPUTS and PICTURES
// "-" for anything but a page, PICTURES the places of the picture lines, comma separated; the path
// last, as it stands.
bool ParseLine(std::string_view line, const std::vector<std::string>& pictures, std::string& path, BuiltFile& file)
{
    if (!ReadNumber(line, file.size) || line.size() < 65 || line[64] != ' ')
        return false;
    file.sha256 = std::string(line.substr(0, 64));
    line.remove_prefix(65);
    if (!ReadNumber(line, file.mtimeNs) || !ReadNumber(line, file.inode) || !ReadNumber(line, file.sourceSize) ||
        !ReadNumber(line, file.sourceMtimeNs))
        return false;
    const std::string_view inputs = ReadWord(line);
    std::string_view shown = ReadWord(line);
    if (inputs != "-") {
        if (!IsHex(inputs, 32))
            return false;
        file.inputs = std::string(inputs);
    }
    if (shown != "-") {
        for (;;) {
            std::size_t place = 0;
            const auto [end, error] = std::from_chars(shown.data(), shown.data() + shown.size(), place);
            if (error != std::errc() || place >= pictures.size())
                return false;
            file.pictures.push_back(pictures[place]);
            shown.remove_prefix(static_cast<std::size_t>(end - shown.data()));
            if (shown.empty())
                break;
            if (shown.front() != ',')
                return false;
            shown.remove_prefix(1);
        }
    }
    if (line.empty())
        return false;
    path = std::string(line);
    return true;
}

} // namespace

BuiltFiles BuiltFiles::parse(std::string_view text)
{
    BuiltFiles list;
    std::size_t end = text.find('\n');
    if (end == std::string_view::npos || text.substr(0, end) != kHeader)
        return list;
    std::vector<std::string> pictures;
    for (std::size_t start = end + 1; start < text.size(); start = end + 1) {
        end = text.find('\n', start);
        if (end == std::string_view::npos)
            break; // a cut last line is not trusted
        const std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.front() == kPictureLine) {
            pictures.emplace_back(line.substr(1));
            continue;
        }
        std::string path;
        BuiltFile file;
        if (ParseLine(line, pictures, path, file))
            list.m_files.insert_or_assign(std::move(path), std::move(file));
    }
    return list;
}

std::string BuiltFiles::text() const
{
    std::string text(kHeader);
    text += '\n';
    std::map<std::string_view, std::size_t> places;
    for (const auto& [path, file] : m_files) {
        for (const std::string& picture : file.pictures) {
            if (picture.find('\n') == std::string::npos && places.emplace(picture, places.size()).second) {
                text += kPictureLine;
                text += picture;
                text += '\n';
            }
        }
    }
    for (const auto& [path, file] : m_files) {
        if (path.find('\n') != std::string::npos)
            continue; // cannot be listed; such a file is simply written every time
        std::string shown;
        bool listable = true;
        for (const std::string& picture : file.pictures) {
            const auto place = places.find(picture);
            listable = listable && place != places.end();
            if (listable)
                shown += (shown.empty() ? "" : ",") + std::to_string(place->second);
        }
        text += std::to_string(file.size) + ' ' + file.sha256 + ' ' + std::to_string(file.mtimeNs) + ' ' +
                std::to_string(file.inode) + ' ' + std::to_string(file.sourceSize) + ' ' +
                std::to_string(file.sourceMtimeNs) + ' ';
        // A page whose pictures cannot all be listed is listed without its inputs: it is made again.
        text += file.inputs.empty() || !listable ? std::string("-") : file.inputs;
        text += ' ';
        text += shown.empty() || file.inputs.empty() || !listable ? std::string("-") : shown;
        text += ' ' + path + '\n';
    }
    return text;
}

BuiltFiles BuiltFiles::load(const std::string& baseFolder)
{
    const auto text = app::ReadWholeFile(app::JoinPath(baseFolder, kBuiltFilesFileName));
    return text ? parse(*text) : BuiltFiles();
}

Status BuiltFiles::save(const std::string& baseFolder) const
{
    return app::WriteOwnerOnlyFileDurably(app::JoinPath(baseFolder, kBuiltFilesFileName), text());
}

const BuiltFile* BuiltFiles::find(const std::string& path) const
{
    const auto it = m_files.find(path);
    return it == m_files.end() ? nullptr : &it->second;
}

bool IsStillAsBuilt(const std::string& path, const BuiltFile& file)
{
    return IsStillAsBuilt(AT_FDCWD, path.c_str(), file);
}

bool IsStillAsBuilt(int folderFd, const char* name, const BuiltFile& file)
{
    struct stat info
    {
    };
    return ::fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode) &&
           static_cast<std::uint64_t>(info.st_size) == file.size && Nanoseconds(info.st_mtim) == file.mtimeNs &&
           static_cast<std::uint64_t>(info.st_ino) == file.inode;
}

BuiltFile BuiltFileOf(const struct stat& info, std::string sha256)
{
    BuiltFile file;
    file.size = static_cast<std::uint64_t>(info.st_size);
    file.sha256 = std::move(sha256);
    file.mtimeNs = Nanoseconds(info.st_mtim);
    file.inode = static_cast<std::uint64_t>(info.st_ino);
    return file;
}

std::string Sha256Hex(std::string_view bytes)
{
    Sha256Digest digest;
    digest.add(bytes);
    return digest.hex();
}

Sha256Digest::Sha256Digest()
    : m_context(EVP_MD_CTX_new())
{
    EVP_DigestInit_ex(m_context, EVP_sha256(), nullptr);
}

Sha256Digest::~Sha256Digest()
{
    EVP_MD_CTX_free(m_context);
}

void Sha256Digest::add(std::string_view bytes)
{
    EVP_DigestUpdate(m_context, bytes.data(), bytes.size());
}

std::string Sha256Digest::hex()
{
    unsigned char hash[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_DigestFinal_ex(m_context, hash, &size);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * size);
    for (unsigned int i = 0; i < size; ++i) {
        hex += kHex[hash[i] >> 4];
        hex += kHex[hash[i] & 15];
    }
    return hex;
}

Result<std::string> Sha256OfFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return Status::IoError("Cannot read " + path);
    Sha256Digest digest;
    char buffer[64 * 1024];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
        digest.add(std::string_view(buffer, static_cast<std::size_t>(in.gcount())));
    if (in.bad())
        return Status::IoError("Cannot read " + path);
    return digest.hex();
}

} // namespace qle::generator
