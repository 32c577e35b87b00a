#include "generator/SiteFeeds.h"

#include "app/PageStyle.h"
#include "generator/BuildArticles.h"
#include "generator/HomePage.h"
#include "generator/HtmlText.h"
#include "generator/OutputSink.h"
#include "generator/SiteBuild.h"
#include "generator/StyleSheet.h"
#include "store/Database.h"
#include "store/RecordSet.h"

#include <sys/stat.h>

namespace qle::generator {

namespace {

constexpr std::string_view kXmlStart = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";

Result<std::vector<FeedEntry>> NewestArticles(store::Database& db)
{
    auto rs = db.query("select artid, title, para from Article_Pages order by artid desc limit " +
                       std::to_string(kFeedEntries));
    if (!rs)
        return rs.status().withContext(db.path());
    std::vector<FeedEntry> entries;
    while (!rs->eof()) {
        entries.push_back({ArticlePagePath(rs->field(0)), store::TextOf(rs->field(1)), store::TextOf(rs->field(2))});
        if (Status s = rs->next(); !s.ok())
            return s;
    }
    return entries;
}

std::time_t LastChange(const std::string& path)
{
    struct stat info
    {
    };
    return ::stat(path.c_str(), &info) == 0 ? info.st_mtime : 0;
}

} // namespace

std::string SitemapText(std::string_view siteAddress, const std::vector<std::string>& pagePaths)
{
    std::string text(kXmlStart);
    text += "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\r\n";
    const std::string base = EscapeText(siteAddress);
    for (const auto& path : pagePaths)
        text += "<url><loc>" + base + UrlPathOf(path) + "</loc></url>\r\n";
    text += "</urlset>\r\n";
    return text;
}

std::string FeedText(std::string_view siteName, std::string_view siteAddress, std::string_view updated,
                     const std::vector<FeedEntry>& entries)
{
    const std::string base = EscapeText(siteAddress);
    const std::string name = EscapeText(siteName);
    std::string text(kXmlStart);
    text += "<feed xmlns=\"http://www.w3.org/2005/Atom\">\r\n";
    text += "<title>" + name + "</title>\r\n";
    text += "<link href=\"" + base + "\"/>\r\n";
    text += "<link rel=\"self\" href=\"" + base + app::kFeedFileName + "\"/>\r\n";
    text += "<id>" + base + app::kFeedFileName + "</id>\r\n";
    text += "<updated>" + std::string(updated) + "</updated>\r\n";
    text += "<author><name>" + name + "</name></author>\r\n";
    for (const auto& entry : entries) {
        const std::string address = base + UrlPathOf(entry.pagePath);
        text += "<entry>\r\n";
        text += "<title>" + EscapeText(PlainText(entry.title)) + "</title>\r\n";
        text += "<link href=\"" + address + "\"/>\r\n";
        text += "<id>" + address + "</id>\r\n";
        text += "<updated>" + std::string(updated) + "</updated>\r\n";
        text += "<summary>" + EscapeText(PlainText(entry.summary)) + "</summary>\r\n";
        text += "</entry>\r\n";
    }
    text += "</feed>\r\n";
    return text;
}

std::string ForwardingPageText(std::string_view siteName, std::string_view homeId, std::string_view title,
                               std::string_view siteAddress)
{
    const std::string page = ArticlePagePath(std::string(homeId));
    const std::string href = HrefOf(page);
    std::string name = PlainText(title);
    if (name.empty())
        name = std::string(siteName);
    std::string text = "<!DOCTYPE html>\r\n<html lang=\"en\">\r\n<head>\r\n<meta charset=\"utf-8\">\r\n"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\r\n";
    text += "<title>" + EscapeText(siteName) + "</title>\r\n";
    text += "<meta http-equiv=\"refresh\" content=\"0; url=" + href + "\">\r\n";
    if (!siteAddress.empty())
        text += "<link rel=\"canonical\" href=\"" + EscapeText(siteAddress) + UrlPathOf(page) + "\">\r\n";
    text += "<link rel=\"icon\" href=\"data:,\">\r\n</head>\r\n<body>\r\n";
    text += "<p><a href=\"" + href + "\">" + EscapeText(name) + "</a></p>\r\n";
    text += "</body>\r\n</html>\r\n";
    return text;
}

std::string AtomTime(std::time_t time)
{
    std::tm utc {};
    ::gmtime_r(&time, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

Status WriteModernForwardingPage(SiteBuild& build)
{
    auto options = build.db().query("select homepage from Options");
    if (!options)
        return options.status();
    auto home = FindHomeArticle(build.db(), options->eof() ? std::string() : store::TextOf(options->field(0)));
    if (!home)
        return home.status();
    if (home->id.empty())
        return Status::OK(); // no article to forward to
    const std::string address = build.look().hasFeed ? SiteAddress(build.style().homepage) : std::string();
    return build.sink().writeFile(app::kForwardingPageFileName,
                                  ForwardingPageText(build.look().siteName, home->id, home->title, address));
}

Status WriteSiteFiles(SiteBuild& build, std::vector<std::string>& warnings)
{
    if (build.style().style != app::PageStyle::Modern)
        return Status::OK();
    if (Status s = build.sink().writeFile(kStyleSheetPath, StyleSheetText(build.look().colours)); !s.ok())
        return s;
    if (Status s = WriteModernForwardingPage(build); !s.ok())
        return s;
    if (!build.look().hasFeed) {
        warnings.push_back(kNoAddressWarning);
        return Status::OK();
    }
    const std::string address = SiteAddress(build.style().homepage);
    if (Status s = build.sink().writeFile(app::kSitemapFileName, SitemapText(address, build.pagePaths())); !s.ok())
        return s;
    auto entries = NewestArticles(build.db());
    if (!entries)
        return entries.status();
    const std::string updated = AtomTime(LastChange(build.db().path()));
    return build.sink().writeFile(app::kFeedFileName, FeedText(build.look().siteName, address, updated, *entries));
}

} // namespace qle::generator
