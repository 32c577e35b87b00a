// Pictures the build may copy into the web folder: regular files whose content is a picture.
// Anything else a page names (a private key, a password file, a device) stays where it is.
#pragma once

#include "store/Status.h"

#include <string>
#include <string_view>

namespace qle::generator {

// True when the first bytes of a file are those of a GIF, JPEG, PNG, BMP, WebP, ICO or SVG picture.
bool LooksLikePicture(std::string_view head);

// An open picture, ready to be read from its start.
class PictureFile
{
public:
    // Opens the file at `path` (links are followed: the author may link to their own pictures).
    // Fails with NotFound when it is missing or unreadable and InvalidArgument when it is not a
    // regular file or not a picture; the message is the reason alone ("its content is not a picture").
    static Result<PictureFile> open(const std::string& path);

    PictureFile(PictureFile&& other) noexcept;
    PictureFile& operator=(PictureFile&& other) noexcept;
    PictureFile(const PictureFile&) = delete;
    PictureFile& operator=(const PictureFile&) = delete;
    ~PictureFile();

    // True when `path` names this very file (not following a final link).
    bool isSameFileAs(const std::string& path) const;

    // Reads up to `size` bytes; 0 at the end; -1 with errno set on a read error.
    long read(char* buffer, std::size_t size);

private:
    explicit PictureFile(int fd)
        : m_fd(fd)
    {
    }
    int m_fd = -1;
};

} // namespace qle::generator
