#include "app/PageStyle.h"

#include "app/Paths.h"
#include "store/Database.h"
#include "store/RecordSet.h"

namespace qle::app {

namespace {

std::string_view Trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

} // namespace

PageStyle PageStyleOf(std::string_view text)
{
    return store::EqualsIgnoreCase(Trimmed(text), kModernStyleName) ? PageStyle::Modern : PageStyle::Classic;
}

Result<SiteStyle> ReadSiteStyle(store::Database& db)
{
    auto options = db.query("select * from [Options]");
    if (!options)
        return options.status().withContext(db.path());
    SiteStyle site;
    if (!options->eof()) {
        site.style = PageStyleOf(store::TextOf(options->field("Page_Style")));
        site.homepage = std::string(Trimmed(store::TextOf(options->field("Your_Homepage"))));
    }
    return site;
}

} // namespace qle::app
