#include "generator/PageInputs.h"

#include "app/Version.h"
#include "generator/PictureCopier.h"

#include <ctime>
#include <sys/stat.h>
#include <unistd.h>

namespace qle::generator {

InputHash::InputHash()
{
    XXH3_128bits_reset(&m_state);
}

void InputHash::add(std::string_view bytes)
{
    const std::uint64_t size = bytes.size();
    XXH3_128bits_update(&m_state, &size, sizeof size);
    XXH3_128bits_update(&m_state, bytes.data(), bytes.size());
}

void InputHash::addValue(const store::Value& value)
{
    add(value ? std::string_view("V") : std::string_view("N"));
    add(store::TextOf(value));
}

void InputHash::addNumber(long long number)
{
    XXH3_128bits_update(&m_state, &number, sizeof number);
}

void InputHash::addPicture(const PictureFiles& files)
{
    add(files.copyName);
    addNumber(files.size ? static_cast<long long>(files.size->width) : -1LL);
    addNumber(files.size ? static_cast<long long>(files.size->height) : -1LL);
    addNumber(static_cast<long long>(files.variants.size()));
    for (const PictureVariant& variant : files.variants) {
        addNumber(static_cast<long long>(variant.width));
        addNumber(static_cast<long long>(variant.height));
        add(ExtensionOf(variant.format));
    }
    for (const std::string& name : files.names)
        add(name);
    add(files.problem);
    addNumber(files.servedBytes);
}

std::string InputHash::hex() const
{
    const XXH128_hash_t hash = XXH3_128bits_digest(&m_state);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text(32, '0');
    for (int i = 0; i < 16; ++i) {
        text[15 - i] = kHex[(hash.high64 >> (4 * i)) & 15];
        text[31 - i] = kHex[(hash.low64 >> (4 * i)) & 15];
    }
    return text;
}

const std::string& ProgramIdentity()
{
    static const std::string identity = [] {
        std::string text = app::kVersionText;
        struct stat info
        {
        };
        // Without it no page can be known to be this program's: an identity of this run keeps none.
        if (::stat("/proc/self/exe", &info) != 0)
            return text + " run " + std::to_string(std::time(nullptr)) + " " + std::to_string(::getpid());
        return text + " " + std::to_string(info.st_size) + " " + std::to_string(info.st_mtim.tv_sec) + "." +
               std::to_string(info.st_mtim.tv_nsec) + " " + std::to_string(info.st_ino);
    }();
    return identity;
}

} // namespace qle::generator
