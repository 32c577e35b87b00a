#include "publish/remote/DavListing.h"

#include <gtest/gtest.h>

namespace qle::publish {
namespace {

std::string Response(const std::string& href, const std::string& props, const char* status = "HTTP/1.1 200 OK")
{
    return "<x:response><x:href>" + href + "</x:href><x:propstat><x:prop>" + props + "</x:prop><x:status>" + status +
           "</x:status></x:propstat></x:response>";
}

TEST(DavListing, MultistatusGivesTheFolderEntriesWhateverThePrefix)
{
    const std::string xml =
        "<?xml version=\"1.0\"?><x:multistatus xmlns:x=\"DAV:\" xmlns:o=\"urn:other\">" +
        Response("/dav/www/site/", "<x:resourcetype><x:collection/></x:resourcetype>") +
        Response("/dav/www/site/art%201.htm", "<x:resourcetype/><x:getcontentlength>120</x:getcontentlength>") +
        Response("http://host:8080/dav/www/site/images/", "<x:resourcetype><x:collection/></x:resourcetype>") +
        // A size the server could not give (404 propstat) is no size.
        "<x:response><x:href>/dav/www/site/.quillon-published</x:href>"
        "<x:propstat><x:prop><x:resourcetype/></x:prop><x:status>HTTP/1.1 200 OK</x:status></x:propstat>"
        "<x:propstat><x:prop><x:getcontentlength/></x:prop><x:status>HTTP/1.1 404 Not Found</x:status></x:propstat>"
        "</x:response>" +
        // Not the folder's own children, or names that lead elsewhere: left out.
        Response("/dav/www/other/x.htm", "<x:resourcetype/>") + Response("/dav/www/site/a%2Fb", "<x:resourcetype/>") +
        Response("/dav/www/site/..", "<x:resourcetype/>") + Response("/dav/www/site/%01x", "<x:resourcetype/>") +
        // An href inside the properties (a lock's owner) does not name the entry.
        Response("/dav/www/site/locked.htm",
                 "<x:resourcetype/><x:lockdiscovery><x:activelock><x:lockroot><x:href>/elsewhere</x:href>"
                 "</x:lockroot></x:activelock></x:lockdiscovery><o:getcontentlength>5</o:getcontentlength>") +
        "</x:multistatus>";
    auto entries = ParseMultistatus(xml, "/dav/www/site/");
    ASSERT_TRUE(entries.ok()) << entries.status().message();
    ASSERT_EQ(entries->size(), 4u);
    EXPECT_EQ((*entries)[0].name, "art 1.htm");
    EXPECT_FALSE((*entries)[0].folder);
    EXPECT_EQ((*entries)[0].size, 120u);
    EXPECT_EQ((*entries)[1].name, "images");
    EXPECT_TRUE((*entries)[1].folder);
    EXPECT_EQ((*entries)[2].name, ".quillon-published");
    EXPECT_FALSE((*entries)[2].size.has_value());
    EXPECT_EQ((*entries)[3].name, "locked.htm");
    EXPECT_FALSE((*entries)[3].size.has_value()) << "a size outside the DAV namespace is not the content length";

    EXPECT_FALSE(ParseMultistatus("<html><body>Login</body></html>", "/").ok());
    EXPECT_FALSE(ParseMultistatus("<x:multistatus xmlns:x=\"DAV:\"><x:response>", "/").ok());
    EXPECT_EQ(PercentDecode("a%20b%zz%4"), "a b%zz%4");
}

} // namespace
} // namespace qle::publish
