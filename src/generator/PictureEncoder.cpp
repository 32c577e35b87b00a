#include "generator/PictureEncoder.h"

#include "generator/ImagingModule.h"

#include <vips/version.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qle::generator {

namespace {

constexpr int kJpegQuality = 80;
constexpr int kWebpQuality = 75;

// The height the resampler gives an image of `width` x `height` scaled to `toWidth`.
int ScaledHeight(int width, int height, int toWidth)
{
    if (toWidth >= width)
        return height;
    return std::max(1, static_cast<int>(std::floor(static_cast<double>(height) * toWidth / width + 0.5)));
}

} // namespace

std::string_view ExtensionOf(PictureFormat format)
{
    switch (format) {
    case PictureFormat::Jpeg:
        return "jpg";
    case PictureFormat::Png:
        return "png";
    case PictureFormat::Webp:
        return "webp";
    case PictureFormat::AsIs:
        break;
    }
    return {};
}

PictureFormat WrittenFormat(std::string_view head)
{
    if (head.substr(0, 3) == "\xFF\xD8\xFF")
        return PictureFormat::Jpeg;
    if (head.substr(0, 8) == "\x89PNG\r\n\x1A\n")
        return PictureFormat::Png;
    if (head.size() >= 12 && head.substr(0, 4) == "RIFF" && head.substr(8, 4) == "WEBP")
        return PictureFormat::Webp;
    return PictureFormat::AsIs;
}

std::string PictureSettings::key() const
{
    return "pictures 1; metadata " + std::string(keepMetadata ? "kept" : "removed") + "; width " +
           std::to_string(maxWidth) + "; " + (responsive ? "responsive" : "single") + "; jpeg " +
           std::to_string(kJpegQuality) + "; webp " + std::to_string(kWebpQuality) + "; " + ImagingLibraryVersion();
}

Result<PictureHeader> ReadPictureHeader(const std::string& path)
{
    // Regular files only, never waiting on a pipe; what is not a picture never loads the library.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return Status::NotFound(errno == ENOENT ? "it does not exist"
                                                : std::string("it cannot be read: ") + std::strerror(errno));
    struct stat info
    {
    };
    char head[16] = {};
    ssize_t n = -1;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
        n = ::pread(fd, head, sizeof head, 0);
    ::close(fd);
    if (!S_ISREG(info.st_mode))
        return Status::InvalidArgument("it is not a regular file");
    const PictureFormat format = WrittenFormat(std::string_view(head, n > 0 ? static_cast<std::size_t>(n) : 0));
    if (format == PictureFormat::AsIs)
        return Status::InvalidArgument("it is not a JPEG, PNG or WebP picture");
    auto module = LoadImagingModule();
    if (!module)
        return module.status();
    return module.value()->readHeader(path, format);
}

std::vector<PictureVariant> VariantsOf(const PictureHeader& header, const PictureSettings& settings)
{
    std::vector<PictureVariant> variants;
    if (header.format == PictureFormat::AsIs || header.width <= 0 || header.height <= 0)
        return variants;
    const int width = std::min(header.width, settings.maxWidth);
    const int height = ScaledHeight(header.width, header.height, width);
    variants.push_back({width, height, header.format});
    if (!settings.responsive)
        return variants;
    std::vector<int> widths;
    for (int smaller : kSmallerWidths)
        if (smaller < width)
            widths.push_back(smaller);
    for (int w : widths)
        variants.push_back({w, ScaledHeight(width, height, w), header.format});
    if (header.format != PictureFormat::Webp) {
        widths.push_back(width);
        for (int w : widths)
            variants.push_back({w, ScaledHeight(width, height, w), PictureFormat::Webp});
    }
    return variants;
}

Status EncodePicture(const std::string& path, const PictureSettings& settings,
                     const std::vector<PictureVariant>& variants, const std::vector<std::string>& targets)
{
    auto module = LoadImagingModule();
    if (!module)
        return module.status().withContext("The picture " + path + " cannot be copied");
    return module.value()->encode(path, settings, variants, targets);
}

std::string ImagingLibraryVersion()
{
    // The version the module is built with (from the same package as the library it loads): asking
    // the library would load it, which would cost every build, also one that converts no picture.
    return "libvips " VIPS_VERSION;
}

} // namespace qle::generator
