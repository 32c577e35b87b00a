// Pictures made ready for the web with the imaging library: turned upright, scaled down, private
// data removed, written in the same bytes for the same source and settings.
#pragma once

#include "store/Status.h"

#include <string>
#include <string_view>
#include <vector>

namespace qle::generator {

// How a picture is written into the site.
enum class PictureFormat {
    AsIs, // copied byte for byte (GIF, SVG, BMP, ICO)
    Jpeg,
    Png,
    Webp,
};

// The file name extension of an encoded format ("jpg", "png", "webp"); empty for AsIs.
std::string_view ExtensionOf(PictureFormat format);

// The format a picture whose file starts with `head` is written in: its own format for JPEG, PNG
// and WebP, AsIs for every other picture.
PictureFormat WrittenFormat(std::string_view head);

// What the build does with its pictures: a site's settings.
struct PictureSettings
{
    bool keepMetadata = false; // keep camera data and location (the colour profile is always kept)
    int maxWidth = 1600;       // wider pictures are scaled down to this width
    bool responsive = false;   // also smaller widths and WebP versions (Modern pages)

    // A text that differs whenever the files made from the same source would differ.
    std::string key() const;
};

// The widths smaller copies are made at, when the picture is wider.
inline constexpr int kSmallerWidths[] = {480, 960};

// The default and the bounds of the site's largest picture width.
inline constexpr int kDefaultMaxWidth = 1600;
inline constexpr int kMinMaxWidth = 100;
inline constexpr int kMaxMaxWidth = 10000;

// One file made from a source: its pixel size and format.
struct PictureVariant
{
    int width = 0;
    int height = 0;
    PictureFormat format = PictureFormat::AsIs;

    bool operator==(const PictureVariant&) const = default;
};

// What reading a source's header tells: its size once turned upright, and whether it carries a
// location.
struct PictureHeader
{
    PictureFormat format = PictureFormat::AsIs;
    int width = 0; // after the EXIF orientation is applied
    int height = 0;
    bool hasLocation = false;
};

// Reads the header of the JPEG, PNG or WebP picture at `path` without decoding its pixels. The
// message of a failure is the reason alone ("it cannot be read as a picture: ...").
Result<PictureHeader> ReadPictureHeader(const std::string& path);

// The files made from a source with `header` under `settings`: the copy first (the source's
// format, at most settings.maxWidth wide), then, when responsive, the smaller widths in the
// source's format, then WebP versions of every width (none for a WebP source), widths ascending.
// Never scaled up. Heights keep the aspect ratio, rounded as the encoder rounds them.
std::vector<PictureVariant> VariantsOf(const PictureHeader& header, const PictureSettings& settings);

// Decodes the picture at `path` once and writes each of `variants` (as VariantsOf gives them) to
// the matching path of `targets`: turned upright, scaled down, and with every EXIF, XMP and IPTC
// field, comment and thumbnail removed unless settings.keepMetadata (the colour profile stays).
// Safe to call from several threads at once. The error names the source.
Status EncodePicture(const std::string& path, const PictureSettings& settings,
                     const std::vector<PictureVariant>& variants, const std::vector<std::string>& targets);

// The imaging library's version, part of every cache key: another version may write other bytes.
std::string ImagingLibraryVersion();

} // namespace qle::generator
