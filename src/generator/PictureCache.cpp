#include "generator/PictureCache.h"

#include "app/Sha256.h"
#include "app/TextFiles.h"
#include "generator/PictureFile.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <sys/stat.h>
#include <thread>

namespace qle::generator {

namespace {

constexpr const char* kSourcesFile = "sources.txt";
constexpr const char* kInfoFile = "info";

// What identifies an unchanged file without reading it.
struct Identity
{
    long long size = 0;
    long long mtimeNs = 0;
    unsigned long long device = 0;
    unsigned long long inode = 0;

    bool operator==(const Identity&) const = default;
};

Identity IdentityOf(const struct stat& info)
{
    return {static_cast<long long>(info.st_size),
            static_cast<long long>(info.st_mtim.tv_sec) * 1'000'000'000LL + info.st_mtim.tv_nsec,
            static_cast<unsigned long long>(info.st_dev), static_cast<unsigned long long>(info.st_ino)};
}

std::string FormatName(PictureFormat format)
{
    const std::string_view extension = ExtensionOf(format);
    return extension.empty() ? "as-is" : std::string(extension);
}

PictureFormat FormatNamed(const std::string& name)
{
    for (PictureFormat format : {PictureFormat::Jpeg, PictureFormat::Png, PictureFormat::Webp})
        if (ExtensionOf(format) == name)
            return format;
    return PictureFormat::AsIs;
}

// An entry's info file: the source's header, which is all a rebuild needs of the source.
std::string InfoText(const PictureHeader& header)
{
    return FormatName(header.format) + " " + std::to_string(header.width) + " " + std::to_string(header.height) + " " +
           (header.hasLocation ? "1" : "0") + "\n";
}

bool ReadInfo(const std::string& entry, PictureHeader& header)
{
    std::ifstream in(entry + kInfoFile);
    std::string format;
    int location = 0;
    if (!(in >> format >> header.width >> header.height >> location))
        return false;
    header.format = FormatNamed(format);
    header.hasLocation = location != 0;
    return header.format != PictureFormat::AsIs && header.width > 0 && header.height > 0;
}

std::string VariantFileName(const PictureVariant& variant)
{
    return std::to_string(variant.width) + "w." + std::string(ExtensionOf(variant.format));
}

} // namespace

struct PictureCache::Source
{
    Identity identity;
    std::string sha256;
};

PictureCache::PictureCache(std::string folder, PictureSettings settings)
    : m_folder(std::move(folder))
    , m_settings(settings)
    , m_settingsKey(settings.key())
{
    if (m_folder.empty()) {
        std::error_code ec;
        std::string pattern = (std::filesystem::temp_directory_path(ec) / "quillon-pictures-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            m_folder = pattern + "/";
        m_temporary = true;
    }
    readSources();
}

PictureCache::~PictureCache()
{
    if (m_temporary && !m_folder.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(m_folder, ec);
    }
}

void PictureCache::readSources()
{
    std::ifstream in(m_folder + kSourcesFile);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        auto source = std::make_unique<Source>();
        Identity& id = source->identity;
        std::string path;
        if (!(fields >> source->sha256 >> id.size >> id.mtimeNs >> id.device >> id.inode) || fields.get() != ' ' ||
            !std::getline(fields, path) || source->sha256.size() != 64)
            continue;
        m_sources[path] = std::move(source);
    }
}

Status PictureCache::save()
{
    if (m_temporary)
        return Status::OK();
    std::string text;
    for (const auto& [path, source] : m_sources) {
        struct stat info
        {
        };
        if (::stat(path.c_str(), &info) != 0)
            continue; // a source that is gone is forgotten
        const Identity& id = source->identity;
        text += source->sha256 + " " + std::to_string(id.size) + " " + std::to_string(id.mtimeNs) + " " +
                std::to_string(id.device) + " " + std::to_string(id.inode) + " " + path + "\n";
    }
    return app::WriteTextFile(m_folder + kSourcesFile, text);
}

Result<const CachedPicture*> PictureCache::lookup(const std::string& path)
{
    if (auto it = m_pictures.find(path); it != m_pictures.end())
        return it->second.get();
    struct stat info
    {
    };
    if (::stat(path.c_str(), &info) != 0)
        return Status::NotFound(errno == ENOENT ? "it does not exist"
                                                : std::string("it cannot be read: ") + std::strerror(errno));
    if (!S_ISREG(info.st_mode))
        return Status::InvalidArgument("it is not a regular file");

    auto picture = std::make_unique<CachedPicture>();
    picture->path = path;
    if (auto known = m_sources.find(path); known != m_sources.end() && known->second->identity == IdentityOf(info)) {
        const std::string entry = m_folder + app::Sha256Hex(known->second->sha256 + "\n" + m_settingsKey) + "/";
        if (ReadInfo(entry, picture->header)) {
            picture->sha256 = known->second->sha256;
            picture->entry = entry;
        }
    }
    if (picture->entry.empty()) {
        auto file = PictureFile::open(path);
        if (!file)
            return file.status();
        char head[16] = {};
        const long n = file->read(head, sizeof head);
        if (WrittenFormat(std::string_view(head, n > 0 ? static_cast<std::size_t>(n) : 0)) != PictureFormat::AsIs) {
            auto header = ReadPictureHeader(path);
            if (!header)
                return header.status();
            picture->header = header.value();
        }
    }
    picture->variants = VariantsOf(picture->header, m_settings);
    auto [it, inserted] = m_pictures.emplace(path, std::move(picture));
    return it->second.get();
}

Status PictureCache::fill(CachedPicture& picture, bool& encoded)
{
    const std::string context = "The picture " + picture.path + " cannot be copied";
    if (picture.sha256.empty()) {
        struct stat before
        {
        };
        if (::stat(picture.path.c_str(), &before) != 0)
            return Status::NotFound(std::string("it cannot be read: ") + std::strerror(errno)).withContext(context);
        auto sha = app::Sha256OfFile(picture.path);
        if (!sha)
            return sha.status().withContext(context);
        picture.sha256 = std::move(sha->hex);
        picture.entry = m_folder + app::Sha256Hex(picture.sha256 + "\n" + m_settingsKey) + "/";
        // Remembered only when the file did not change while it was read (and when its path,
        // one line of the list, holds no line break).
        struct stat after
        {
        };
        if (picture.path.find('\n') == std::string::npos && ::stat(picture.path.c_str(), &after) == 0 &&
            IdentityOf(before) == IdentityOf(after)) {
            std::lock_guard lock(m_sourcesMutex);
            auto source = std::make_unique<Source>();
            source->identity = IdentityOf(after);
            source->sha256 = picture.sha256;
            m_sources[picture.path] = std::move(source);
        }
    }
    PictureHeader cached;
    if (ReadInfo(picture.entry, cached))
        return Status::OK();

    // Made aside and renamed into place whole. The cache is made with its first entry; one that
    // cannot be made shows as the failure to make the folder aside.
    std::error_code ec;
    std::filesystem::create_directories(m_folder, ec);
    std::string aside = picture.entry;
    aside.pop_back();
    aside += ".new-XXXXXX";
    if (!::mkdtemp(aside.data()))
        return Status::IoError("Cannot make a folder in " + m_folder + ": " + std::strerror(errno));
    std::vector<std::string> targets;
    for (const auto& variant : picture.variants)
        targets.push_back(aside + "/" + VariantFileName(variant));
    Status status = EncodePicture(picture.path, m_settings, picture.variants, targets);
    encoded = status.ok();
    if (status.ok()) {
        for (const auto& target : targets)
            ::chmod(target.c_str(), 0444); // the web folder links these very files
        status = app::WriteTextFile(aside + "/" + kInfoFile, InfoText(picture.header));
    }
    if (status.ok()) {
        std::string entry = picture.entry;
        entry.pop_back();
        if (::rename(aside.c_str(), entry.c_str()) != 0 && errno != EEXIST && errno != ENOTEMPTY)
            status = Status::IoError("Cannot write " + entry + ": " + std::strerror(errno));
    }
    std::filesystem::remove_all(aside, ec); // left only when the entry was made by another build
    return status;
}

std::map<std::string, Status> PictureCache::prepare(const std::vector<const CachedPicture*>& pictures)
{
    std::vector<CachedPicture*> work;
    for (const CachedPicture* picture : pictures) {
        if (picture->header.format == PictureFormat::AsIs)
            continue;
        auto it = m_pictures.find(picture->path);
        if (it != m_pictures.end() && it->second.get() == picture)
            work.push_back(it->second.get());
    }
    std::map<std::string, Status> failed;
    std::mutex failedMutex;
    std::atomic<std::size_t> next = 0;
    std::atomic<std::size_t> encoded = 0;
    auto worker = [&] {
        for (std::size_t i; (i = next++) < work.size();) {
            bool made = false;
            Status status = fill(*work[i], made);
            if (!status.ok()) {
                std::lock_guard lock(failedMutex);
                failed.emplace(work[i]->path, status);
            }
            if (made)
                ++encoded;
        }
    };
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::thread> threads;
    for (unsigned i = 1; i < cores && i < work.size(); ++i)
        threads.emplace_back(worker);
    worker();
    for (auto& thread : threads)
        thread.join();
    m_encoded += encoded;
    return failed;
}

std::string PictureCache::fileOf(const CachedPicture& picture, std::size_t index)
{
    return picture.entry + VariantFileName(picture.variants[index]);
}

} // namespace qle::generator
