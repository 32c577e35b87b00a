#include "generator/TagWriter.h"

#include "generator/ClassicTagWriter.h"
#include "generator/ModernTagWriter.h"

namespace qle::generator {

std::unique_ptr<TagWriter> MakeTagWriter(app::PageStyle style, const SiteLook& look)
{
    if (style == app::PageStyle::Modern)
        return std::make_unique<ModernTagWriter>(look);
    return std::make_unique<ClassicTagWriter>(look);
}

} // namespace qle::generator
