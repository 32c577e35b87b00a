// The pixel size of a picture, read from its file header, so that pages can reserve its space.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qle::generator {

struct PictureSize
{
    int width = 0;
    int height = 0;

    bool operator==(const PictureSize&) const = default;
};

// The size written in the header bytes of a GIF, PNG, JPEG, BMP or WebP picture. Nothing when
// the bytes are none of these, are cut short, or give a width or height that is not positive.
// For JPEG the bytes must reach the frame header, which follows any embedded metadata.
std::optional<PictureSize> PictureSizeOf(std::string_view bytes);

// PictureSizeOf the start of the file at `path`; nothing when it cannot be read or is not a
// regular file holding a picture (see PictureFile).
std::optional<PictureSize> ReadPictureSize(const std::string& path);

} // namespace qle::generator
