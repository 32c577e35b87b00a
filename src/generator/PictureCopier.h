// The picture copies of one build: each picture is copied into `images` at most once.
#pragma once

#include "store/Status.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace qle::generator {

class OutputSink;

// The name a picture is copied under in `images`: its file name made portable; empty when the
// path names no file ("", a folder, "." or "..").
std::string PictureCopyName(std::string_view sourcePath);

// Pages register every picture they show; copyAll() then makes the copies. The result equals
// copying on every use: for each copy name, the most recently used source that can be copied
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

    // Registers a use of the picture at `sourcePath` by the page being built.
    void add(std::string_view sourcePath);

    // The pictures added since the last call are shown on the page at `relativePath`, whose title
    // (plain text, may be empty) the author knows it by.
    void shownOn(const std::string& relativePath, const std::string& title = {});

    // The source that copyAll() would try first for a copy name, as registered so far; empty when
    // none is. (The preview shows each picture from there.)
    std::string sourceOf(std::string_view copyName) const;

    // Copies every registered picture and forgets them. A source that cannot be copied is not an
    // error: it adds a warning naming the file, the reason and the pages that show it (by title
    // and file). A failed write stops the copies and is returned.
    Status copyAll(std::vector<std::string>& warnings);

private:
    struct Pages
    {
        std::vector<std::string> first; // the first few pages, as the warning names them
        std::string last;
        std::size_t count = 0;
    };

    OutputSink& m_sink;
    // Copy name -> the distinct sources used under it, least recently used first.
    std::map<std::string, std::vector<std::string>, std::less<>> m_sources;
    std::map<std::string, Pages, std::less<>> m_pages; // source -> the pages that show it
    std::vector<std::string> m_pending;                // sources added for the page being built
};

} // namespace qle::generator
