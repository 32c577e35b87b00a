#include "generator/PictureSize.h"

#include "generator/PictureFile.h"

#include <cstdint>

namespace qle::generator {

namespace {

// Enough for a JPEG whose frame header follows a large block of camera metadata.
constexpr std::size_t kHeaderBytes = 256 * 1024;

std::uint32_t Byte(std::string_view b, std::size_t i)
{
    return static_cast<unsigned char>(b[i]);
}

std::uint32_t Le16(std::string_view b, std::size_t i)
{
    return Byte(b, i) | Byte(b, i + 1) << 8;
}

std::uint32_t Be16(std::string_view b, std::size_t i)
{
    return Byte(b, i) << 8 | Byte(b, i + 1);
}

std::uint32_t Le24(std::string_view b, std::size_t i)
{
    return Le16(b, i) | Byte(b, i + 2) << 16;
}

std::uint32_t Le32(std::string_view b, std::size_t i)
{
    return Le16(b, i) | Le16(b, i + 2) << 16;
}

std::uint32_t Be32(std::string_view b, std::size_t i)
{
    return Be16(b, i) << 16 | Be16(b, i + 2);
}

std::optional<PictureSize> Positive(std::int64_t width, std::int64_t height)
{
    if (width <= 0 || height <= 0 || width > 1'000'000 || height > 1'000'000)
        return std::nullopt;
    return PictureSize {static_cast<int>(width), static_cast<int>(height)};
}

std::optional<PictureSize> JpegSize(std::string_view b)
{
    std::size_t i = 2;
    while (i + 4 <= b.size()) {
        if (Byte(b, i) != 0xFF)
            return std::nullopt;
        const std::uint32_t marker = Byte(b, i + 1);
        if (marker == 0xFF) { // fill byte
            ++i;
            continue;
        }
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) { // no length
            i += 2;
            continue;
        }
        const std::uint32_t length = Be16(b, i + 2);
        if (length < 2)
            return std::nullopt;
        // Start-of-frame markers, leaving out DHT (C4), JPG (C8) and DAC (CC).
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (i + 9 > b.size())
                return std::nullopt;
            return Positive(Be16(b, i + 7), Be16(b, i + 5));
        }
        if (marker == 0xDA || marker == 0xD9) // image data before any frame header
            return std::nullopt;
        i += 2 + length;
    }
    return std::nullopt;
}

std::optional<PictureSize> WebpSize(std::string_view b)
{
    const std::string_view chunk = b.substr(12, 4);
    if (chunk == "VP8 " && b.size() >= 30)
        return Positive(Le16(b, 26) & 0x3FFF, Le16(b, 28) & 0x3FFF);
    if (chunk == "VP8L" && b.size() >= 25) {
        const std::uint32_t bits = Le32(b, 21);
        return Positive((bits & 0x3FFF) + 1, ((bits >> 14) & 0x3FFF) + 1);
    }
    if (chunk == "VP8X" && b.size() >= 30)
        return Positive(Le24(b, 24) + 1, Le24(b, 27) + 1);
    return std::nullopt;
}

} // namespace

std::optional<PictureSize> PictureSizeOf(std::string_view b)
{
    if (b.size() >= 10 && (b.substr(0, 6) == "GIF87a" || b.substr(0, 6) == "GIF89a"))
        return Positive(Le16(b, 6), Le16(b, 8));
    if (b.size() >= 24 && b.substr(0, 8) == "\x89PNG\r\n\x1a\n" && b.substr(12, 4) == "IHDR")
        return Positive(Be32(b, 16), Be32(b, 20));
    if (b.size() >= 4 && Byte(b, 0) == 0xFF && Byte(b, 1) == 0xD8)
        return JpegSize(b);
    if (b.size() >= 26 && b.substr(0, 2) == "BM") {
        if (Le32(b, 14) == 12) // the old OS/2 header keeps 16-bit sizes
            return Positive(Le16(b, 18), Le16(b, 20));
        // A negative height marks a picture stored top row first.
        const auto height = static_cast<std::int32_t>(Le32(b, 22));
        return Positive(static_cast<std::int32_t>(Le32(b, 18)),
                        height < 0 ? -static_cast<std::int64_t>(height) : height);
    }
    if (b.size() >= 16 && b.substr(0, 4) == "RIFF" && b.substr(8, 4) == "WEBP")
        return WebpSize(b);
    return std::nullopt;
}

std::optional<PictureSize> ReadPictureSize(const std::string& path)
{
    // Opened as the copy opens it: only a regular file that is a picture, never waiting on a pipe.
    auto file = PictureFile::open(path);
    if (!file)
        return std::nullopt;
    std::string bytes(kHeaderBytes, '\0');
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const long n = file->read(bytes.data() + filled, bytes.size() - filled);
        if (n <= 0)
            break;
        filled += static_cast<std::size_t>(n);
    }
    bytes.resize(filled);
    return PictureSizeOf(bytes);
}

} // namespace qle::generator
