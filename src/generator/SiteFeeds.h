// The site-wide files of a modern build: the stylesheet, the forwarding page, the sitemap and the
// Atom feed.
#pragma once

#include "store/Status.h"

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace qle::generator {

class SiteBuild;

// How many of the newest articles the feed lists.
inline constexpr int kFeedEntries = 20;

// The warning of a modern build whose site has no address.
inline constexpr const char* kNoAddressWarning =
    "The sitemap and the feed were not written: the site's address is missing. Enter it as "
    "\"Your Home Page\" on the Publish tab, then build again.";

// One article in the feed, as the database holds it (title and paragraph may hold HTML).
struct FeedEntry
{
    std::string pagePath; // below the web folder, as the build wrote it
    std::string title;
    std::string summary;
};

// A sitemap listing every page: `siteAddress` (ending in '/') + each path, in order.
std::string SitemapText(std::string_view siteAddress, const std::vector<std::string>& pagePaths);

// An Atom feed of the entries, in order, named after the site. `updated` is an RFC 3339 time.
std::string FeedText(std::string_view siteName, std::string_view siteAddress, std::string_view updated,
                     const std::vector<FeedEntry>& entries);

// The forwarding page of a modern site: sends the visitor at once to the homepage's article page
// (`homeId`), with a plain link to it named by its `title` (author HTML; the site's name when
// it reads as nothing), and a canonical link when the site's address (ending in '/') is known.
std::string ForwardingPageText(std::string_view siteName, std::string_view homeId, std::string_view title,
                               std::string_view siteAddress);

// Writes the forwarding page of a modern site: to the homepage the author chose, else to the
// lowest article id, as the build driver then stores it. Writes nothing for a site without articles.
Status WriteModernForwardingPage(SiteBuild& build);

// A time as RFC 3339 in UTC ("2026-01-31T09:05:00Z").
std::string AtomTime(std::time_t time);

// For a modern site: writes the stylesheet, the forwarding page (unless the site has no article)
// and, when the site has an address, sitemap.xml and feed.xml beside it; without an address
// kNoAddressWarning is added to `warnings` instead. The feed's time is the site file's last change,
// so an unchanged site gives the same bytes. Does nothing for a classic site. REQUIRES: every page
// has been written.
Status WriteSiteFiles(SiteBuild& build, std::vector<std::string>& warnings);

} // namespace qle::generator
