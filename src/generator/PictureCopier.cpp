#include "generator/PictureCopier.h"

#include "app/Paths.h"
#include "generator/OutputSink.h"

#include <algorithm>

namespace qle::generator {

namespace {

constexpr std::size_t kPagesNamed = 3;

std::string PageList(const std::vector<std::string>& first, std::size_t count)
{
    std::string list;
    for (std::size_t i = 0; i < first.size(); ++i)
        list += (i == 0 ? "" : ", ") + first[i];
    if (count > first.size())
        list += " and " + std::to_string(count - first.size()) + " other pages";
    return list;
}

} // namespace

std::string PictureCopyName(std::string_view sourcePath)
{
    const std::string fileName = app::FileNameOfPath(sourcePath);
    // "." and ".." would name the images folder or the web folder itself.
    if (fileName.empty() || fileName == "." || fileName == "..")
        return {};
    return app::PortableFileName(fileName);
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

void PictureCopier::shownOn(const std::string& relativePath, const std::string& title)
{
    for (const auto& source : m_pending) {
        Pages& pages = m_pages[source];
        if (pages.count > 0 && pages.last == relativePath)
            continue; // the same picture twice on one page
        pages.last = relativePath;
        if (pages.first.size() < kPagesNamed)
            pages.first.push_back(title.empty() ? relativePath : "\"" + title + "\" (" + relativePath + ")");
        ++pages.count;
    }
    m_pending.clear();
}

std::string PictureCopier::sourceOf(std::string_view copyName) const
{
    const auto it = m_sources.find(copyName);
    return it == m_sources.end() || it->second.empty() ? std::string() : it->second.back();
}

Status PictureCopier::copyAll(std::vector<std::string>& warnings)
{
    Status status;
    for (const auto& [copyName, sources] : m_sources) {
        for (auto it = sources.rbegin(); it != sources.rend() && status.ok(); ++it) {
            Status copied = m_sink.copyFile(*it, "images/" + copyName);
            if (copied.ok())
                break;
            if (copied.code() == Status::Code::IoError) {
                status = copied;
                break;
            }
            std::string warning = copied.message();
            if (auto pages = m_pages.find(*it); pages != m_pages.end())
                warning += "; it is shown on " + PageList(pages->second.first, pages->second.count);
            warnings.push_back(std::move(warning));
        }
        if (!status.ok())
            break;
    }
    m_sources.clear();
    m_pages.clear();
    m_pending.clear();
    return status;
}

} // namespace qle::generator
