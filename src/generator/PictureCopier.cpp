#include "generator/PictureCopier.h"

#include "app/Paths.h"
#include "generator/HtmlText.h"
#include "generator/OutputSink.h"
#include "generator/PictureCache.h"
#include "generator/PictureFile.h"
#include "store/RecordSet.h"

#include <algorithm>
#include <sys/stat.h>

namespace qle::generator {

namespace {

constexpr std::size_t kPagesNamed = 3;
constexpr std::size_t kPicturesNamed = 10;

std::string PageList(const std::vector<std::string>& first, std::size_t count)
{
    std::string list;
    for (std::size_t i = 0; i < first.size(); ++i)
        list += (i == 0 ? "" : ", ") + first[i];
    if (count > first.size())
        list += " and " + std::to_string(count - first.size()) + " other pages";
    return list;
}

// One warning for all the pictures that carried a location: a phone's photos all do.
std::string LocationWarning(const std::vector<std::string>& located, bool kept, const std::string& pagesOfFirst)
{
    if (located.size() == 1)
        return "The picture " + located.front() +
               (kept ? " carries a location (GPS position), which is published with it because the site keeps "
                       "picture metadata"
                     : " carried a location (GPS position); its copy on the site has none") +
               pagesOfFirst;
    std::string list;
    for (std::size_t i = 0; i < located.size() && i < kPicturesNamed; ++i)
        list += (i == 0 ? "" : ", ") + located[i];
    if (located.size() > kPicturesNamed)
        list += " and " + std::to_string(located.size() - kPicturesNamed) + " others";
    return std::to_string(located.size()) + " pictures " +
           (kept ? "carry a location (GPS position), which is published with them because the site keeps picture "
                   "metadata: "
                 : "carried a location (GPS position); their copies on the site have none: ") +
           list;
}

} // namespace

std::string PictureCopyName(std::string_view sourcePath)
{
    const std::string fileName = app::FileNameOfPath(sourcePath);
    // "." and ".." would name the images folder or the web folder itself.
    if (fileName.empty() || fileName == "." || fileName == "..")
        return {};
    return PortablePictureName(fileName);
}

namespace {

constexpr std::string_view kDerivedMark = ".qle-";

// Where the derived mark starts in `name`, in any ASCII letter case; npos when it holds none.
std::size_t FindDerivedMark(std::string_view name, std::size_t from = 0)
{
    for (std::size_t i = from; i + kDerivedMark.size() <= name.size(); ++i)
        if (store::EqualsIgnoreCase(name.substr(i, kDerivedMark.size()), kDerivedMark))
            return i;
    return std::string_view::npos;
}

} // namespace

std::string PortablePictureName(std::string_view fileName)
{
    std::string name = app::PortableFileName(fileName);
    for (std::size_t at = FindDerivedMark(name); at != std::string::npos; at = FindDerivedMark(name, at + 1))
        name[at] = '-';
    return name;
}

std::string DerivedPictureName(std::string_view copyName, int width, std::string_view extension)
{
    std::string name(copyName);
    name += kDerivedMark;
    name += std::to_string(width);
    name += "w.";
    name += extension;
    return name;
}

bool IsDerivedPictureName(std::string_view name)
{
    return FindDerivedMark(name) != std::string_view::npos;
}

std::vector<std::string> VariantNames(const std::string& copyName, const std::vector<PictureVariant>& variants)
{
    std::vector<std::string> names;
    for (std::size_t i = 0; i < variants.size(); ++i)
        names.push_back(i == 0 ? copyName
                               : DerivedPictureName(copyName, variants[i].width, ExtensionOf(variants[i].format)));
    return names;
}

PictureCopier::PictureCopier(OutputSink& sink, PictureCache* cache)
    : m_sink(sink)
    , m_cache(cache)
{
}

PictureCopier::~PictureCopier() = default;

const PictureFiles& PictureCopier::files(std::string_view sourcePath)
{
    if (auto it = m_files.find(sourcePath); it != m_files.end())
        return it->second;
    PictureFiles files;
    files.copyName = PictureCopyName(sourcePath);
    const std::string path(sourcePath);
    if (!files.copyName.empty()) {
        auto cached = m_cache ? m_cache->lookup(path) : Result<const CachedPicture*>(nullptr);
        struct stat info
        {
        };
        if (cached && cached.value() && !cached.value()->variants.empty()) {
            const CachedPicture& picture = *cached.value();
            files.variants = picture.variants;
            files.size = PictureSize {files.variants.front().width, files.variants.front().height};
            files.names = VariantNames(files.copyName, files.variants);
            if (!picture.entry.empty() && ::stat(PictureCache::fileOf(picture, 0).c_str(), &info) == 0)
                files.servedBytes = info.st_size;
        } else if (cached) {
            if (auto file = PictureFile::open(path); !file)
                files.problem = file.status().message();
            files.size = ReadPictureSize(path);
            if (::stat(path.c_str(), &info) == 0)
                files.servedBytes = info.st_size;
        } else {
            files.problem = cached.status().message();
        }
    }
    return m_files.emplace(path, std::move(files)).first->second;
}

std::string PictureCopier::pagesOf(const std::string& source) const
{
    if (auto pages = m_pages.find(source); pages != m_pages.end())
        return "; it is shown on " + PageList(pages->second.first, pages->second.count);
    return {};
}

void PictureCopier::add(std::string_view sourcePath)
{
    const std::string copyName = PictureCopyName(sourcePath);
    if (copyName.empty())
        return;
    m_pending.emplace_back(sourcePath);
    auto& sources = m_sources[copyName];
    if (!sources.empty() && sources.back() == sourcePath)
        return; // the common case: the same picture again
    auto it = std::find(sources.begin(), sources.end(), sourcePath);
    if (it != sources.end())
        sources.erase(it);
    sources.emplace_back(sourcePath);
}

void PictureCopier::shownOn(const std::string& relativePath, std::string_view titleHtml)
{
    for (const auto& source : m_pending) {
        Pages& pages = m_pages[source];
        if (pages.count > 0 && pages.last == relativePath)
            continue; // the same picture twice on one page
        pages.last = relativePath;
        if (pages.first.size() < kPagesNamed) {
            const std::string title = PlainText(titleHtml);
            pages.first.push_back(title.empty() ? relativePath : "\"" + title + "\" (" + relativePath + ")");
        }
        ++pages.count;
    }
    m_pending.clear();
}

std::string PictureCopier::sourceOf(std::string_view copyName) const
{
    const auto it = m_sources.find(copyName);
    return it == m_sources.end() || it->second.empty() ? std::string() : it->second.back();
}

std::string PictureCopier::servedFile(std::string_view name)
{
    for (const auto& [source, files] : m_files) {
        const auto named = std::find(files.names.begin(), files.names.end(), name);
        if (named == files.names.end() || !m_cache || sourceOf(files.copyName) != source)
            continue;
        auto picture = m_cache->lookup(source);
        if (!picture || !picture.value() || !m_cache->prepare({picture.value()}).empty())
            return {};
        return PictureCache::fileOf(*picture.value(), static_cast<std::size_t>(named - files.names.begin()));
    }
    // A picture copied as it is.
    const std::string source = sourceOf(name);
    if (const auto it = m_files.find(source); it != m_files.end() && !it->second.variants.empty())
        return {};
    return source;
}

Status PictureCopier::copyAll(std::vector<std::string>& warnings)
{
    Status status;
    std::vector<std::pair<std::string, const CachedPicture*>> encoded; // copy name, its picture
    for (const auto& [copyName, sources] : m_sources) {
        for (auto it = sources.rbegin(); it != sources.rend() && status.ok(); ++it) {
            if (m_cache) {
                auto picture = m_cache->lookup(*it);
                if (!picture) {
                    warnings.push_back("The picture " + *it + " cannot be copied: " + picture.status().message() +
                                       pagesOf(*it));
                    continue;
                }
                if (!picture.value()->variants.empty()) {
                    encoded.emplace_back(copyName, picture.value());
                    break;
                }
            }
            Status copied = m_sink.copyFile(*it, "images/" + copyName);
            if (copied.ok())
                break;
            if (copied.code() == Status::Code::IoError) {
                status = copied;
                break;
            }
            warnings.push_back(copied.message() + pagesOf(*it));
        }
        if (!status.ok())
            break;
    }
    if (status.ok() && !encoded.empty())
        status = linkEncoded(encoded, warnings);
    m_sources.clear();
    m_pages.clear();
    m_pending.clear();
    return status;
}

Status PictureCopier::linkEncoded(const std::vector<std::pair<std::string, const CachedPicture*>>& chosen,
                                  std::vector<std::string>& warnings)
{
    std::vector<const CachedPicture*> pictures;
    for (const auto& [copyName, picture] : chosen)
        pictures.push_back(picture);
    const auto failed = m_cache->prepare(pictures);
    std::vector<std::string> located; // pictures that carried a location
    for (const auto& [copyName, picture] : chosen) {
        if (auto failure = failed.find(picture->path); failure != failed.end()) {
            warnings.push_back(failure->second.message() + pagesOf(picture->path));
            continue;
        }
        const std::vector<std::string> names = VariantNames(copyName, picture->variants);
        for (std::size_t i = 0; i < names.size(); ++i)
            if (Status s = m_sink.linkFile(PictureCache::fileOf(*picture, i), "images/" + names[i]); !s.ok())
                return s;
        if (picture->header.hasLocation)
            located.push_back(picture->path);
    }
    if (!located.empty())
        warnings.push_back(LocationWarning(located, m_cache->settings().keepMetadata, pagesOf(located.front())));
    // Without the list the next build reads every source again, but builds it all the same.
    if (Status s = m_cache->save(); !s.ok())
        warnings.push_back("The list of known pictures cannot be saved: " + s.message());
    return Status::OK();
}

} // namespace qle::generator
