// The picture copies of one build: each picture is copied into `images` at most once.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace qle::generator {

class OutputSink;

// Pages register every picture they show; copyAll() then makes the copies. The result equals
// copying on every use: for each file name, the most recently used source that can be copied
// wins, and a source that cannot be copied leaves the earlier copy in place.
class PictureCopier
{
public:
    explicit PictureCopier(OutputSink& sink)
        : m_sink(sink)
    {
    }
    PictureCopier(const PictureCopier&) = delete;
    PictureCopier& operator=(const PictureCopier&) = delete;

    // Registers a use of the picture at `sourcePath`, to be copied as images/<its file name>.
    void add(std::string_view sourcePath);

    // Copies every registered picture and forgets them. Failed copies are skipped: a page still
    // shows its tag when its picture is missing.
    void copyAll();

private:
    OutputSink& m_sink;
    // File name -> the distinct sources used under it, least recently used first.
    std::map<std::string, std::vector<std::string>, std::less<>> m_sources;
};

} // namespace qle::generator
