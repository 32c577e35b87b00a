#include "generator/PictureCopier.h"

#include "app/Paths.h"
#include "generator/OutputSink.h"

#include <algorithm>

namespace qle::generator {

void PictureCopier::add(std::string_view sourcePath)
{
    const std::string fileName = app::FileNameOfPath(sourcePath);
    // "." and ".." would name the images folder or the web folder itself.
    if (fileName.empty() || fileName == "." || fileName == "..")
        return;
    auto& sources = m_sources[fileName];
    if (!sources.empty() && sources.back() == sourcePath)
        return; // the common case: the same picture again
    auto it = std::find(sources.begin(), sources.end(), sourcePath);
    if (it != sources.end())
        sources.erase(it);
    sources.emplace_back(sourcePath);
}

void PictureCopier::copyAll()
{
    for (const auto& [fileName, sources] : m_sources) {
        for (auto it = sources.rbegin(); it != sources.rend(); ++it) {
            if (m_sink.copyFile(*it, "images/" + fileName).ok())
                break;
        }
    }
    m_sources.clear();
}

} // namespace qle::generator
