// The pieces of the modern style: plain text and escapes, addresses, colours, picture sizes and
// the feed's escaping.
#include "generator/HtmlText.h"
#include "generator/PictureSize.h"
#include "generator/SiteFeeds.h"
#include "generator/StyleSheet.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace qle::generator {
namespace {

TEST(HtmlText, PlainTextIsWhatTheReaderSees)
{
    const std::pair<const char*, const char*> cases[] = {
        {"<b>Tom</b>'s &amp; roses", "Tom's & roses"},
        {"one<br>two", "one two"},
        {"a < b and c<3", "a < b and c<3"},
        {"  spaced \r\n\r\n  out  ", "spaced out"},
        {"<!-- a <b>note</b> -->shown", "shown"},
        {"&#233;t&#xE9; &lt;i&gt; &quot;q&quot; &apos;a&#39; x&nbsp;y", "\xC3\xA9t\xC3\xA9 <i> \"q\" 'a' x y"},
        {"&unknown; & &#xZZ; &#;", "&unknown; & &#xZZ; &#;"},
        {"&#0; &#x110000;", "\xEF\xBF\xBD \xEF\xBF\xBD"},
        {"<p class=\"x\">para</p><p>next</p>", "para next"},
        {"cut <b unterminated", "cut"},
        {"", ""},
    };
    for (const auto& [html, plain] : cases)
        EXPECT_EQ(PlainText(html), plain) << html;
    EXPECT_EQ(EscapeText("a&b<c>\"d'"), "a&amp;b&lt;c&gt;&quot;d'");
}

TEST(HtmlText, AddressesReachTheSameFilesAsTheClassicPages)
{
    const std::pair<const char*, const char*> hrefs[] = {
        {"../a b/c d.htm", "../a-b/c-d.htm"}, // blanks as "-", as the classic title links have them
        {"../sections/sect-roses-&-<b>.htm", "../sections/sect-roses-&amp;-%3Cb%3E.htm"},
        {"../categories/cat-100%25-%23%3F.htm", "../categories/cat-100%25-%23%3F.htm"}, // escapes kept
        {"../x/\"q\"`{|}^\\.htm", "../x/%22q%22%60%7B%7C%7D%5E%5C.htm"},
        {"../x/\xC3\xBC.htm", "../x/\xC3\xBC.htm"},
        {"", ""},
    };
    for (const auto& [address, href] : hrefs)
        EXPECT_EQ(HrefOf(address), href) << address;

    EXPECT_EQ(PictureHref("Tom's #1? 100%.gif"), "../images/Tom%27s%20%231%3F%20100%25.gif");
    EXPECT_EQ(PictureHref("r\xC3\xB6se.gif"), "../images/r\xC3\xB6se.gif");

    const std::pair<const char*, const char*> paths[] = {
        {"sections/sect-roses-&-<b>.htm", "sections/sect-roses-%26-%3Cb%3E.htm"},
        {"categories/cat-o'brien's-#1?-100%.htm", "categories/cat-o%27brien%27s-%231%3F-100%25.htm"},
        {"articles/art-7.htm", "articles/art-7.htm"},
        {"sections/sect-\xC3\xBC.htm", "sections/sect-%C3%BC.htm"},
    };
    for (const auto& [path, url] : paths)
        EXPECT_EQ(UrlPathOf(path), url) << path;

    const std::pair<const char*, const char*> sites[] = {
        {"", ""},
        {"example.org", "https://example.org/"},
        {"http://example.org/club", "http://example.org/club/"},
        {"https://example.org/", "https://example.org/"},
    };
    for (const auto& [homepage, address] : sites)
        EXPECT_EQ(SiteAddress(homepage), address) << homepage;
}

TEST(StyleSheet, ColoursAreTheEditorsNamesAndNothingElseGetsIn)
{
    const std::pair<const char*, const char*> cases[] = {
        {"LightOrange", "#FFD580"},
        {"lightorange", "#FFD580"},
        {"LIGHTBROWN", "#C4A484"},
        {" lightBrown ", "#C4A484"},
        {"Blue", "Blue"},
        {" White\t", "White"},
        {"#FFEEDD", "#FFEEDD"},
        {"#abc", "#abc"},
        {"#abcd", ""},
        {"#GGGGGG", ""},
        {"", ""},
        {"   ", ""},
        {"Light Blue", ""},
        {"red; } body { display: none", ""},
        {"url(x)", ""},
    };
    for (const auto& [setting, css] : cases)
        EXPECT_EQ(CssColour(setting), css) << "[" << setting << "]";

    const std::pair<const char*, const char*> text[] = {
        {"Blue", "#fff"},      {"black", "#fff"},  {"Brown", "#fff"},     {"Green", "#fff"},
        {"LightBlue", "#000"}, {"Red", "#000"},    {"#FFD580", "#000"},   {"#c4a484", "#000"},
        {"#123", "#fff"},      {"Yellow", "#000"}, {"rebeccapurple", ""},
    };
    for (const auto& [colour, readable] : text)
        EXPECT_EQ(TextColourOn(colour), readable) << colour;

    std::array<std::array<std::string, 3>, 3> colours = {{{"LightOrange", "", "x; } * {"}, {}, {"", "", "Blue"}}};
    const std::string css = StyleSheetText(colours);
    EXPECT_NE(css.find("body.category > nav { background: #FFD580; color: #000; }"), std::string::npos);
    EXPECT_NE(css.find("body.article > aside { background: Blue; color: #fff; }"), std::string::npos);
    EXPECT_EQ(css.find("body.category > main"), std::string::npos) << "an empty setting gives no rule";
    EXPECT_EQ(css.find("x; } * {"), std::string::npos);
    EXPECT_NE(css.find("@media (max-width: 700px)"), std::string::npos);
}

std::string Le16(int v)
{
    return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF)};
}
std::string Le32(std::int64_t v)
{
    return Le16(static_cast<int>(v & 0xFFFF)) + Le16(static_cast<int>(v >> 16 & 0xFFFF));
}
std::string Be16(int v)
{
    return {static_cast<char>(v >> 8 & 0xFF), static_cast<char>(v & 0xFF)};
}
std::string Be32(int v)
{
    return Be16(v >> 16) + Be16(v & 0xFFFF);
}

TEST(PictureSize, HeadersOfEveryKindOfPicture)
{
    const std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + Be32(13) + "IHDR" + Be32(800) + Be32(600) + "xxxxx";
    const std::string jfif = std::string("\xFF\xD8", 2) + "\xFF\xE0" + Be16(16) + std::string(14, 'j');
    const std::string exif = std::string("\xFF\xE1", 2) + Be16(2000) + std::string(1998, 'e');
    const std::string huffman = std::string("\xFF\xC4", 2) + Be16(5) + "hhh";
    const std::string frame =
        std::string("\xFF\xC2", 2) + Be16(17) + "\x08" + Be16(480) + Be16(640) + std::string(10, 'f');
    const std::string scan = std::string("\xFF\xDA", 2) + Be16(8) + std::string(6, 's');
    const std::string bmp = "BM" + std::string(12, '\0') + Le32(40) + Le32(120) + Le32(60) + "pp";
    const std::string topDown = "BM" + std::string(12, '\0') + Le32(40) + Le32(120) + Le32(-60) + "pp";
    const std::string os2 = "BM" + std::string(12, '\0') + Le32(12) + Le16(33) + Le16(44) + "pppppp";
    const std::string riff = "RIFF" + Le32(100) + "WEBP";
    const std::string vp8x =
        riff + "VP8X" + Le32(10) + Le32(0) + Le32(399).substr(0, 3) + Le32(299).substr(0, 3) + "zz";
    const std::string vp8l = riff + "VP8L" + Le32(10) + "\x2f" + Le32((99) | (49 << 14)) + "zzzz";
    const std::string vp8 = riff + "VP8 " + Le32(10) + "abc" + "\x9d\x01\x2a" + Le16(321) + Le16(123) + "zz";

    const std::pair<std::string, std::optional<PictureSize>> cases[] = {
        {"GIF89a" + Le16(600) + Le16(80) + "rest", PictureSize {600, 80}},
        {"GIF87a" + Le16(1) + Le16(2), PictureSize {1, 2}},
        {"GIF89a" + Le16(0) + Le16(80), std::nullopt},
        {"GIF89a\x01", std::nullopt},
        {png, PictureSize {800, 600}},
        {png.substr(0, 20), std::nullopt},
        {jfif + exif + huffman + frame, PictureSize {640, 480}},
        {jfif + scan + frame, std::nullopt},
        {jfif + exif.substr(0, 100), std::nullopt},
        {bmp, PictureSize {120, 60}},
        {topDown, PictureSize {120, 60}},
        {os2, PictureSize {33, 44}},
        {vp8x, PictureSize {400, 300}},
        {vp8l, PictureSize {100, 50}},
        {vp8, PictureSize {321, 123}},
        {"plain text, not a picture", std::nullopt},
        {"", std::nullopt},
    };
    int row = 0;
    for (const auto& [bytes, size] : cases) {
        const auto read = PictureSizeOf(bytes);
        EXPECT_EQ(read.has_value(), size.has_value()) << "row " << row;
        if (read && size) {
            EXPECT_EQ(*read, *size) << "row " << row << ": " << read->width << "x" << read->height;
        }
        ++row;
    }

    test::TempDir dir;
    test::WriteFile(dir / "big.jpg", jfif + std::string("\xFF\xE1", 2) + Be16(60000) + std::string(59998, 'e') + frame);
    EXPECT_EQ(ReadPictureSize(dir / "big.jpg"), (PictureSize {640, 480}));
    EXPECT_EQ(ReadPictureSize(dir / "missing.gif"), std::nullopt);
    EXPECT_EQ(ReadPictureSize(dir.path()), std::nullopt) << "a folder";
}

TEST(SiteFeeds, TitlesAndSummariesArePlainEscapedText)
{
    const std::string feed = FeedText("Tom & Jerry's", "https://example.org/a&b/", "2026-01-31T09:05:00Z",
                                      {{"sections/x.htm", "<i>Roses</i> & \"tulips\"", "a &lt; b &nbsp;<br>c"}});
    EXPECT_NE(feed.find("<title>Tom &amp; Jerry's</title>"), std::string::npos) << feed;
    EXPECT_NE(feed.find("<link href=\"https://example.org/a&amp;b/sections/x.htm\"/>"), std::string::npos) << feed;
    EXPECT_NE(feed.find("<title>Roses &amp; &quot;tulips&quot;</title>"), std::string::npos) << feed;
    EXPECT_NE(feed.find("<summary>a &lt; b c</summary>"), std::string::npos) << feed;
    EXPECT_EQ(AtomTime(0), "1970-01-01T00:00:00Z");
    EXPECT_EQ(AtomTime(1773446400), "2026-03-14T00:00:00Z");
    EXPECT_EQ(SitemapText("https://e.org/", {"a/b c.htm"}),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
              "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\r\n"
              "<url><loc>https://e.org/a/b%20c.htm</loc></url>\r\n</urlset>\r\n");
}

} // namespace
} // namespace qle::generator
