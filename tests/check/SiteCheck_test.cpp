// The check before publishing, on sites seeded with each kind of fault: every one found, nothing
// else reported.
#include "check/HtmlScan.h"
#include "check/SiteAddress.h"
#include "check/SiteCheck.h"
#include "generator/SiteBuildFixture.h"

namespace qle::check {
namespace {

using generator::test_support::Article;
using generator::test_support::SiteBuildTest;
namespace fs = std::filesystem;

std::vector<std::string> Texts(const std::vector<Finding>& findings)
{
    std::vector<std::string> texts;
    for (const auto& finding : findings)
        texts.push_back(finding.text());
    return texts;
}

class SiteCheck : public SiteBuildTest
{
protected:
    std::vector<Finding> check(const std::string& site, CheckOptions options = {})
    {
        auto findings = CheckSite(site, m_dir / "base/TempInternetFiles/", options);
        EXPECT_TRUE(findings.ok()) << findings.status().message();
        return findings.ok() ? findings.value() : std::vector<Finding> {};
    }
};

TEST_F(SiteCheck, FindsEveryBrokenLinkAnchorPictureAndOpenElementAndNothingElse)
{
    const std::string site = newSite("seeded.qls");
    const std::string gif = picture("ok.gif", "GIF89a ok");
    // 1: everything in order, in every way a link can reach the site.
    add(site, {"Garden",
               "Roses",
               "Good",
               "See <a href=\"../articles/art-2.htm\">two</a>, <a href='art-2.htm#section-b'>its part B</a>, "
               "<a href=\"../categories/cat-garden.htm?x=1\">the garden</a>, <a href=\"../\">home</a>, "
               "<a href=\"/Index.htm\">start</a>, <a href=\"#top\">top</a>, <a href=\"#\">here</a>,",
               "<img src=\"../images/ok.gif\"> <a href=\"../sections/sect-roses.htm#\">roses</a>\r\n"
               "<a href=\"mailto:me@example.invalid\">mail</a> <a href=\"https://example.invalid/\">out</a> "
               "<A HREF=\"..\\articles\\art-1.htm\">back</A> <a href=\"art-%31.htm\">escaped</a>\r\n"
               "<p>a paragraph <ul><li>an item</ul> <b>bold</b> <table><tr><td>cell</table>",
               gif,
               {}});
    // 2: the target of the anchors.
    add(site, {"Garden", "Roses", "Target", "<span id=\"lead\">Lead</span>", "<h2 id=\"section-b\">B</h2>", gif, {}});
    // 3: each kind of broken address.
    add(site, {"Garden",
               "Tulips",
               "Broken",
               "A <a href=\"../articles/art-99.htm\">gone page</a>.",
               "<img src=\"../images/nope.png\">\r\n<a href=\"art-2.htm#missing\">x</a> <a href=\"#nowhere\">y</a> "
               "<a href=\"art-2.htm#lead\">lead</a>\r\n<a href=\"my page.htm\">blank</a> <div>never closed",
               {},
               {}});
    // 4: a link left open swallows the rest of the page.
    add(site, {"Garden", "Tulips", "Open link", "<a href=\"../articles/art-1.htm\">and on", "", {}, {}});
    // 5: a picture that is not there; 6 and 7: one title twice.
    add(site, {"Garden", "Tulips", "No picture", "p", "b", m_dir / "pics/missing.jpg", {}});
    add(site, {"Kitchen", "Pans", "Twin", "p", "b", {}, {}});
    add(site, {"Kitchen", "Pots", "Twin", "p", "b", {}, {}});
    // A banner far too big for a visitor to download as it is.
    sql(site, "UPDATE Options SET Banner = ?", {picture("big.gif", "GIF89a" + std::string(1200 * 1024, 'x'))});

    const auto findings = check(site);
    EXPECT_EQ(
        Texts(findings),
        (std::vector<std::string> {
            "warning: (Banner): the picture " + m_dir / "pics/big.gif" +
                " is 1200 KB on the site, more than 1024 KB for every visitor to download",
            "error: Broken (First Paragraph, line 1, column 12): the link ../articles/art-99.htm names no file "
            "of the site (articles/art-99.htm)",
            "error: Broken (Main Text, line 1, column 11): the picture address ../images/nope.png names no file "
            "of the site (images/nope.png)",
            "error: Broken (Main Text, line 2, column 10): the link art-2.htm#missing names no anchor \"missing\" "
            "on articles/art-2.htm",
            "error: Broken (Main Text, line 2, column 44): the link #nowhere names no anchor \"nowhere\" on "
            "articles/art-3.htm",
            "error: Broken (Main Text, line 3, column 10): the link my page.htm names no file of the site "
            "(articles/my page.htm)",
            "error: Broken (Main Text, line 3, column 33): <div> is never closed, so it runs on over the rest "
            "of the page",
            "error: Open link (First Paragraph, line 1, column 1): <a> is never closed, so it runs on over the "
            "rest of the page",
            "error: No picture (Picture): the picture " + m_dir / "pics/missing.jpg" +
                " cannot be used: it does not exist",
            "warning: Twin (Title): the title is used by 2 pages",
            "warning: Twin (Title): the title is used by 2 pages",
        }));
    EXPECT_TRUE(HasErrors(findings));
    EXPECT_EQ(findings[1].artId, "3") << "a finding names the page to go to";
    EXPECT_EQ(findings[0].artId, "") << "the banner is the site's";
}

TEST_F(SiteCheck, ModernPagesAreCheckedInTheirOwnMarkupAndWarnOfAnEmptyFirstParagraph)
{
    const std::string site = newSite("modern.qls");
    sql(site, "UPDATE Options SET Page_Style = 'Modern', Your_Homepage = 'example.invalid'");
    add(site,
        {"C", "S", "Plain", "", "<a href=\"../sitemap.xml\">map</a> <a href=\"../images/style.css\">css</a>", {}, {}});
    add(site, {"C", "S", "Fine", "<b>lead</b>", "<a href=\"../feed.xml\">feed</a> <i>open", {}, {}});
    EXPECT_EQ(Texts(check(site)),
              (std::vector<std::string> {
                  "warning: Plain (First Paragraph): the First Paragraph is empty, so the page's description is its "
                  "title",
                  "error: Fine (Main Text, line 1, column 32): <i> is never closed, so it runs on over the rest of the "
                  "page",
              }));
}

TEST_F(SiteCheck, FilesTheAuthorKeepsInTheWebFolderAreThere)
{
    const std::string site = newSite("kept.qls");
    add(site,
        {"C", "S", "T", "<a href=\"../docs/price list.pdf\">prices</a> <a href=\"../docs/\">docs</a>", "", {}, {}});
    EXPECT_EQ(check(site).size(), 2u);
    fs::create_directories(m_dir / "base/TempInternetFiles/docs");
    test::WriteFile(m_dir / "base/TempInternetFiles/docs/price list.pdf", "%PDF");
    EXPECT_TRUE(check(site).empty());
}

TEST(HtmlScan, OpenElementsAreThoseWhoseEndTagTheTextNeverGives)
{
    const struct
    {
        const char* html;
        const char* context;
        std::vector<std::string> open; // tag@line:column
    } cases[] = {
        {"plain text", "td", {}},
        {"<b>bold</b> <i>it</i><br><img src=x>", "td", {}},
        {"<p>one<p>two<ul><li>a<li>b</ul><dl><dt>t<dd>d</dl>", "div", {}},
        {"<table><tr><td>a<td>b</table>", "td", {}},
        {"<div>x", "div", {"div@1:1"}},
        {"a\r\n  <span>b", "td", {"span@2:3"}},
        {"<b>x <i>y</b> z", "div", {"i@1:6"}}, // misnested: the italic goes on after the bold ends
        {"<table><tr><td>a", "td", {"table@1:1"}},
        {"<a href=x>link<div>more", "div", {"a@1:1", "div@1:15"}},
        {"<custom-el>x", "div", {"custom-el@1:1"}},
        {"</div>stray end", "div", {}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> open;
        for (const auto& element : ScanText(c.html, c.context).open)
            open.push_back(element.tag + "@" + std::to_string(element.place.line) + ":" +
                           std::to_string(element.place.column));
        EXPECT_EQ(open, c.open) << c.html;
    }
    const TextScan scan = ScanText("<a href=\"a&amp;b.htm\">x</a>\r\n<IMG SRC=p.gif><iframe src=f.htm></iframe>", "td");
    ASSERT_EQ(scan.addresses.size(), 3u);
    EXPECT_EQ(scan.addresses[0].value, "a&b.htm") << "references are decoded";
    EXPECT_FALSE(scan.addresses[0].picture);
    EXPECT_TRUE(scan.addresses[1].picture);
    EXPECT_EQ(scan.addresses[1].place.line, 2u);
    EXPECT_EQ(AnchorsOf("<p id=a>x</p><a name=b></a><div name=c></div>"), (std::set<std::string> {"a", "b"}));
}

TEST(SiteAddress, ResolvesAsABrowserDoes)
{
    using Kind = ResolvedAddress::Kind;
    const struct
    {
        const char* address;
        Kind kind;
        const char* path; // or the url for external ones
        const char* fragment;
    } cases[] = {
        {"../articles/art-2.htm", Kind::Site, "articles/art-2.htm", ""},
        {"art-2.htm#part", Kind::Site, "articles/art-2.htm", "part"},
        {"  ../images/a%20b.gif  ", Kind::Site, "images/a b.gif", ""},
        {"..\\images\\x.gif", Kind::Site, "images/x.gif", ""},
        {"./../a/./b/../c.htm?q=1#f%20g", Kind::Site, "a/c.htm", "f g"},
        {"/Index.htm", Kind::Site, "Index.htm", ""},
        {"../", Kind::Site, "", ""},
        {"../images/", Kind::Site, "images/", ""},
        {"", Kind::Site, "articles/art-1.htm", ""},
        {"#x", Kind::Site, "articles/art-1.htm", "x"},
        {"../../outside.htm", Kind::Other, "", ""},
        {"HTTPS://example.invalid/a", Kind::External, "HTTPS://example.invalid/a", ""},
        {"//example.invalid/a", Kind::External, "https://example.invalid/a", ""},
        {"mailto:a@b", Kind::Other, "", ""},
        {"javascript:void(0)", Kind::Other, "", ""},
        {"java\nscript:x", Kind::Other, "", ""},
    };
    for (const auto& c : cases) {
        const ResolvedAddress resolved = ResolveAddress("articles/art-1.htm", c.address);
        EXPECT_EQ(resolved.kind, c.kind) << c.address;
        EXPECT_EQ(c.kind == Kind::External ? resolved.url : resolved.path, c.path) << c.address;
        EXPECT_EQ(resolved.fragment, c.fragment) << c.address;
    }
}

} // namespace
} // namespace qle::check
