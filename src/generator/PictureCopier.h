// The picture copies of one build: each picture is copied into `images` at most once.
#pragma once

#include "generator/PictureEncoder.h"
#include "generator/PictureSize.h"
#include "store/Status.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qle::generator {

class OutputSink;
class PictureCache;
struct CachedPicture;

// The name a picture is copied under in `images`: its file name made portable; empty when the
// path names no file ("", a folder, "." or "..").
std::string PictureCopyName(std::string_view sourcePath);

// PictureCopyName of a bare file name. The text ".qle-" (in any letter case) is reserved for
// derived pictures and written "-qle-", so no author's picture can take a derived name.
std::string PortablePictureName(std::string_view fileName);

// The name of a picture derived from the copy `copyName` (a smaller width or another format):
// copyName + ".qle-" + width + "w." + extension, e.g. "rose.jpg.qle-480w.webp". Different copies
// and different widths or extensions give different names.
std::string DerivedPictureName(std::string_view copyName, int width, std::string_view extension);

// True when `name` is a derived picture's name: it holds ".qle-" in some letter case.
bool IsDerivedPictureName(std::string_view name);

// What a page shows of a picture: the files in `images` and the copy's size.
struct PictureFiles
{
    std::string copyName;                 // empty when the path names no file
    std::optional<PictureSize> size;      // of the copy, when known
    std::vector<PictureVariant> variants; // the files made of it, the copy first; none when copied as it is
    std::vector<std::string> names;       // the file name of each variant, in `images`
    std::string problem;                  // why the picture cannot be used; empty when it can
    long long servedBytes = -1;           // the copy's size in bytes, when known before it is made
};

// The file names of `variants` made of the copy `copyName`: the copy itself, then derived names.
std::vector<std::string> VariantNames(const std::string& copyName, const std::vector<PictureVariant>& variants);

// Pages register every picture they show; copyAll() then makes the copies. The result equals
// copying on every use: for each copy name, the most recently used source that can be copied
// wins, and a source that cannot be copied leaves the earlier copy in place.
//
// With a cache, JPEG, PNG and WebP pictures are made ready for the web (PictureEncoder) and linked
// into the site from the cache; other pictures are copied as they are.
class PictureCopier
{
public:
    // `cache`, when given, must outlive the copier.
    explicit PictureCopier(OutputSink& sink, PictureCache* cache = nullptr);
    ~PictureCopier();
    PictureCopier(const PictureCopier&) = delete;
    PictureCopier& operator=(const PictureCopier&) = delete;

    void setCache(PictureCache* cache) { m_cache = cache; }

    // What the pages show of the picture at `sourcePath` (read once per build).
    const PictureFiles& files(std::string_view sourcePath);

    // The pictures registered since the last copyAll(): each copy name with its sources.
    const std::map<std::string, std::vector<std::string>, std::less<>>& registered() const { return m_sources; }

    // Registers a use of the picture at `sourcePath` by the page being built.
    void add(std::string_view sourcePath);

    // The sources added since the last shownOn(), in order, repeats included.
    const std::vector<std::string>& pending() const { return m_pending; }

    // The pictures added since the last call are shown on the page at `relativePath`, whose title
    // (as the page's HTML has it, may be empty) the author knows it by.
    void shownOn(const std::string& relativePath, std::string_view titleHtml = {});

    // The source that copyAll() would try first for a copy name, as registered so far; empty when
    // none is. (The preview shows each picture from there.)
    std::string sourceOf(std::string_view copyName) const;

    // The file whose bytes copyAll() would put at "images/<name>" (a copy or a derived picture)
    // for the pictures registered so far, made for the web now if it is not yet; empty when no
    // registered picture has that name or it cannot be made. (The preview serves pictures from
    // there.)
    std::string servedFile(std::string_view name);

    // Copies every registered picture and forgets them. A source that cannot be copied is not an
    // error: it adds a warning naming the file, the reason and the pages that show it (by title
    // and file); so does a picture that carried a location. A failed write stops the copies and is
    // returned.
    Status copyAll(std::vector<std::string>& warnings);

private:
    struct Pages
    {
        std::vector<std::string> first; // the first few pages, as the warning names them
        std::string last;
        std::size_t count = 0;
    };

    std::string pagesOf(const std::string& source) const;
    // Writes the files of the encoded pictures chosen for their copy names.
    Status linkEncoded(const std::vector<std::pair<std::string, const CachedPicture*>>& chosen,
                       std::vector<std::string>& warnings);

    OutputSink& m_sink;
    PictureCache* m_cache = nullptr;
    std::map<std::string, PictureFiles, std::less<>> m_files; // by source path
    // Copy name -> the distinct sources used under it, least recently used first.
    std::map<std::string, std::vector<std::string>, std::less<>> m_sources;
    std::map<std::string, Pages, std::less<>> m_pages; // source -> the pages that show it
    std::vector<std::string> m_pending;                // sources added for the page being built
};

} // namespace qle::generator
