// The part of picture making that needs the imaging library, built as a module of its own that the
// program loads when it first converts a picture: the library and the hundred libraries it loads
// would otherwise cost every start of the program, also of a build that converts none.
#include "generator/ImagingModule.h"

#include <vips/vips.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace qle::generator {

namespace {

constexpr int kJpegQuality = 80;
constexpr int kWebpQuality = 75;

void InitImaging()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (VIPS_INIT("quillon") != 0)
            return;
        // A picture the library can read only in part still makes a picture; its complaints would
        // only clutter the program's output (a picture it cannot read at all is a warning of ours).
        g_log_set_handler(
            "VIPS", static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE | G_LOG_LEVEL_INFO),
            [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
        // Pictures are encoded one per thread, so each picture's pipeline needs no threads of its
        // own; and nothing is worth keeping between pictures.
        vips_concurrency_set(1);
        vips_cache_set_max(0);
    });
}

struct ObjectUnref
{
    void operator()(void* object) const
    {
        if (object)
            g_object_unref(object);
    }
};
using ImagePtr = std::unique_ptr<VipsImage, ObjectUnref>;
using SourcePtr = std::unique_ptr<VipsSource, ObjectUnref>;

// The library's own message for the last failure on this thread.
std::string ImagingError()
{
    char* text = vips_error_buffer_copy();
    std::string message = text ? text : "";
    g_free(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    if (const auto nl = message.rfind('\n'); nl != std::string::npos)
        message.erase(0, nl + 1); // the last line is the cause; earlier ones repeat it
    return message.empty() ? "unknown error" : message;
}

Status Unreadable()
{
    return Status::InvalidArgument("it cannot be read as a picture: " + ImagingError());
}

// A picture file opened as PictureFile opens it (regular files only, never waiting on a pipe),
// as a stream for the imaging library.
struct OpenSource
{
    int fd = -1;
    SourcePtr source;
    ~OpenSource()
    {
        source.reset();
        if (fd >= 0)
            ::close(fd);
    }
};

Status Open(const std::string& path, OpenSource& open)
{
    InitImaging();
    open.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (open.fd < 0)
        return Status::NotFound(errno == ENOENT ? "it does not exist"
                                                : std::string("it cannot be read: ") + std::strerror(errno));
    struct stat info
    {
    };
    if (::fstat(open.fd, &info) != 0 || !S_ISREG(info.st_mode))
        return Status::InvalidArgument("it is not a regular file");
    open.source.reset(vips_source_new_from_descriptor(open.fd));
    if (!open.source)
        return Unreadable();
    return Status::OK();
}

bool IsPrivateField(const char* name)
{
    return g_str_has_prefix(name, "exif-") || std::strcmp(name, "xmp-data") == 0 ||
           std::strcmp(name, "iptc-data") == 0 || std::strstr(name, "comment") != nullptr ||
           std::strcmp(name, "jpeg-thumbnail-data") == 0;
}

bool CarriesLocation(VipsImage* image)
{
    bool found = false;
    gchar** fields = vips_image_get_fields(image);
    for (int i = 0; fields[i] && !found; ++i)
        found = g_str_has_prefix(fields[i], "exif-ifd3-"); // the GPS directory
    g_strfreev(fields);
    const void* xmp = nullptr;
    std::size_t length = 0;
    if (!found && vips_image_get_typeof(image, "xmp-data") &&
        vips_image_get_blob(image, "xmp-data", &xmp, &length) == 0) {
        const std::string_view text(static_cast<const char*>(xmp), length);
        found =
            text.find("GPSLatitude") != std::string_view::npos || text.find("GPSLongitude") != std::string_view::npos;
    }
    return found;
}

// A copy of `image` without its private fields. The savers rebuild an EXIF block from the
// exif-ifd* fields, so removing "exif-data" alone would keep the location; and the fields belong
// to the copy, since a lazily loaded image would get its own back.
ImagePtr WithoutPrivateData(VipsImage* image)
{
    VipsImage* copy = nullptr;
    if (vips_copy(image, &copy, nullptr) != 0)
        return nullptr;
    std::vector<std::string> names;
    gchar** fields = vips_image_get_fields(copy);
    for (int i = 0; fields[i]; ++i)
        if (IsPrivateField(fields[i]))
            names.emplace_back(fields[i]);
    g_strfreev(fields);
    for (const auto& name : names)
        vips_image_remove(copy, name.c_str());
    return ImagePtr(copy);
}

int Save(VipsImage* image, PictureFormat format, const std::string& target)
{
    switch (format) {
    case PictureFormat::Jpeg:
        return vips_jpegsave(image, target.c_str(), "Q", kJpegQuality, nullptr);
    case PictureFormat::Png:
        return vips_pngsave(image, target.c_str(), nullptr);
    case PictureFormat::Webp:
        return vips_webpsave(image, target.c_str(), "Q", kWebpQuality, nullptr);
    case PictureFormat::AsIs:
        break;
    }
    vips_error("quillon", "%s", "no encoder for this format");
    return -1;
}

} // namespace

Result<PictureHeader> ReadHeader(const std::string& path, PictureFormat format)
{
    OpenSource open;
    if (Status s = Open(path, open); !s.ok())
        return s;
    PictureHeader header;
    header.format = format;
    ImagePtr image(vips_image_new_from_source(open.source.get(), "", "access", VIPS_ACCESS_SEQUENTIAL, nullptr));
    if (!image)
        return Unreadable();
    const bool turned = vips_image_get_orientation_swap(image.get());
    header.width = turned ? image->Ysize : image->Xsize;
    header.height = turned ? image->Xsize : image->Ysize;
    if (vips_image_get_typeof(image.get(), VIPS_META_PAGE_HEIGHT) && vips_image_get_n_pages(image.get()) > 1)
        header.height = vips_image_get_page_height(image.get());
    header.hasLocation = CarriesLocation(image.get());
    return header;
}

Status Encode(const std::string& path, const PictureSettings& settings, const std::vector<PictureVariant>& variants,
              const std::vector<std::string>& targets)
{
    const auto fail = [&](const Status& reason) {
        return reason.withContext("The picture " + path + " cannot be copied");
    };
    if (variants.empty() || variants.size() != targets.size())
        return fail(Status::InvalidArgument("nothing to make of it"));
    OpenSource open;
    if (Status s = Open(path, open); !s.ok())
        return fail(s);
    const int width = variants.front().width;

    // Every page of an animated WebP, so that it stays animated.
    ImagePtr probe(vips_image_new_from_source(open.source.get(), "", "access", VIPS_ACCESS_SEQUENTIAL, nullptr));
    if (!probe)
        return fail(Unreadable());
    const char* options = vips_image_get_n_pages(probe.get()) > 1 ? "n=-1" : "";
    probe.reset();

    // Decoded once, turned upright and scaled down on load where the format allows; the smaller
    // widths are made from this copy in memory.
    VipsImage* loaded = nullptr;
    if (vips_thumbnail_source(open.source.get(), &loaded, width, "height", VIPS_MAX_COORD, "size", VIPS_SIZE_DOWN,
                              "option_string", options, nullptr) != 0)
        return fail(Unreadable());
    ImagePtr thumbnail(loaded);
    ImagePtr decoded(vips_image_copy_memory(thumbnail.get()));
    thumbnail.reset();
    if (!decoded)
        return fail(Unreadable());

    for (std::size_t i = 0; i < variants.size(); ++i) {
        ImagePtr scaled;
        if (variants[i].width < decoded->Xsize) {
            VipsImage* out = nullptr;
            if (vips_thumbnail_image(decoded.get(), &out, variants[i].width, "height", VIPS_MAX_COORD, nullptr) != 0)
                return fail(Unreadable());
            scaled.reset(out);
        } else {
            g_object_ref(decoded.get());
            scaled.reset(decoded.get());
        }
        if (!settings.keepMetadata) {
            scaled = WithoutPrivateData(scaled.get());
            if (!scaled)
                return fail(Unreadable());
        }
        if (Save(scaled.get(), variants[i].format, targets[i]) != 0)
            return Status::IoError("Cannot write " + targets[i] + ": " + ImagingError());
    }
    return Status::OK();
}

} // namespace qle::generator

extern "C" __attribute__((visibility("default"))) const qle::generator::ImagingModule* qle_imaging_module()
{
    static const qle::generator::ImagingModule module = {qle::generator::kImagingModuleVersion,
                                                         &qle::generator::ReadHeader, &qle::generator::Encode};
    return &module;
}
