// The site's page style ("Classic" or "Modern") and the site-wide files a Modern build adds.
#pragma once

#include "store/Status.h"

#include <string>
#include <string_view>

namespace qle::store {
class Database;
}

namespace qle::app {

enum class PageStyle {
    Classic,
    Modern,
};

// The names the `Options` field `Page_Style` holds and the editor offers.
inline constexpr const char* kClassicStyleName = "Classic";
inline constexpr const char* kModernStyleName = "Modern";

// Written beside the forwarding page by a Modern build that knows the site's address.
inline constexpr const char* kSitemapFileName = "sitemap.xml";
inline constexpr const char* kFeedFileName = "feed.xml";

// The forwarding page in the web folder (uploaded as "index.htm"): a Modern build writes it, the
// publisher writes the Classic one when it publishes.
inline constexpr const char* kForwardingPageFileName = "Index.htm";

// "Modern" in any letter case (blanks around it ignored) is Modern; anything else, the empty
// text included, is Classic, so that older and hand-edited site files keep their pages.
PageStyle PageStyleOf(std::string_view text);

// What a build and an upload need to know of the site's style, from its `Options` record.
struct SiteStyle
{
    PageStyle style = PageStyle::Classic;
    std::string homepage; // `Your_Homepage`, blanks around it removed
};

// Reads `Page_Style` and `Your_Homepage`; a site file without either field (or without an
// `Options` row) reads as Classic without an address. The error names the site file.
Result<SiteStyle> ReadSiteStyle(store::Database& db);

} // namespace qle::app
