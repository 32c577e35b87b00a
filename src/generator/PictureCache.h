// The pictures made for the web, kept in the base folder so that a rebuild encodes nothing that
// did not change and reads no source that did not change.
//
// An entry is named by the source's SHA-256 and the settings (PictureSettings::key, which holds
// the imaging library's version) and holds the files made of it. The SHA-256 of each source is
// remembered by path, size, time stamp and inode, so a rebuild only looks at each source's
// status. Entries are made in a folder of their own and renamed into place whole, so a stopped
// build never leaves half an entry.
#pragma once

#include "generator/PictureEncoder.h"
#include "store/Status.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace qle::generator {

// What the build makes of one source.
struct CachedPicture
{
    std::string path;
    PictureHeader header;                 // format AsIs: copied as it is, not cached
    std::vector<PictureVariant> variants; // VariantsOf(header, settings)
    std::string sha256;                   // of the source; empty until known
    std::string entry;                    // the entry's folder, ending in '/'; empty until known
};

class PictureCache
{
public:
    // `folder` (ending in '/') holds the cache and is made when missing; an empty folder means a
    // private temporary one, removed with the cache.
    PictureCache(std::string folder, PictureSettings settings);
    ~PictureCache();
    PictureCache(const PictureCache&) = delete;
    PictureCache& operator=(const PictureCache&) = delete;

    const PictureSettings& settings() const { return m_settings; }

    // What is made of the picture at `path`. A source known unchanged whose entry exists is not
    // read at all; otherwise its header is read. Fails (the reason alone, as PictureFile gives
    // it) when it is missing, not a regular file, not a picture, or unreadable.
    Result<const CachedPicture*> lookup(const std::string& path);

    // Puts every given picture's files into the cache: hashes the sources not known unchanged and
    // encodes the entries that are missing, on every core. The pictures that failed, with the
    // error naming the source, are returned by path.
    std::map<std::string, Status> prepare(const std::vector<const CachedPicture*>& pictures);

    // The cached file of `picture`'s variant `index`. REQUIRES: prepare() succeeded for it.
    static std::string fileOf(const CachedPicture& picture, std::size_t index);

    // Remembers the sources' SHA-256 for the next build (one file, replaced whole).
    Status save();

    // The number of entries encoded by this cache so far.
    std::size_t encoded() const { return m_encoded; }

private:
    struct Source; // a source's identity and SHA-256, as remembered
    // Hashes the source when needed and encodes its entry when missing (`encoded` then true).
    Status fill(CachedPicture& picture, bool& encoded);
    void readSources();

    std::string m_folder;
    bool m_temporary = false;
    PictureSettings m_settings;
    std::string m_settingsKey;
    std::map<std::string, std::unique_ptr<CachedPicture>, std::less<>> m_pictures;
    std::map<std::string, std::unique_ptr<Source>, std::less<>> m_sources; // by path
    std::mutex m_sourcesMutex; // prepare() remembers sources from several threads
    std::size_t m_encoded = 0;
};

} // namespace qle::generator
