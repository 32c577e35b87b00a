// Pictures made ready for the web by whole builds, read back with exiftool (never with the
// imaging library that wrote them): private data gone, profile kept, upright, scaled, the same
// bytes every time, and nothing encoded or read again by a rebuild.
#include "SiteBuildFixture.h"
#include "generator/CreateWebSite.h"
#include "generator/PagePreview.h"
#include "generator/PictureCopier.h"

#include <vips/vips.h>

#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>

namespace qle::generator {
namespace {

using namespace test_support;

// What exiftool says of a file, every tag with its group.
std::string ExifTags(const std::string& path)
{
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(("exiftool -a -G1 -s -n '" + path + "' 2>&1").c_str(), "r"),
                                               ::pclose);
    char buffer[4096];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe.get()))
        out += buffer;
    return out;
}

int ExifNumber(const std::string& path, const std::string& tag)
{
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(
        ::popen(("exiftool -s -s -s -n -" + tag + " '" + path + "'").c_str(), "r"), ::pclose);
    char buffer[256];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe.get()))
        out += buffer;
    return std::atoi(out.c_str());
}

void RunOrFail(const std::string& command)
{
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// A picture of `width` x `height` with a colour profile, written by the imaging library in the
// format of the path's extension ("[...]" options allowed).
void MakePicture(const std::string& path, int width, int height, bool sixteenBit = false)
{
    ASSERT_EQ(VIPS_INIT("tests"), 0);
    VipsImage *black = nullptr, *lit = nullptr, *bands = nullptr, *cast = nullptr;
    ASSERT_EQ(vips_xyz(&black, width, height, nullptr), 0);
    ASSERT_EQ(vips_bandjoin_const1(black, &bands, 40, nullptr), 0); // x, y, constant: a gradient
    double scale = sixteenBit ? 200.0 : 0.7;
    ASSERT_EQ(vips_linear1(bands, &lit, scale, 10, nullptr), 0);
    ASSERT_EQ(vips_cast(lit, &cast, sixteenBit ? VIPS_FORMAT_USHORT : VIPS_FORMAT_UCHAR, nullptr), 0);
    VipsImage* tagged = nullptr;
    ASSERT_EQ(vips_copy(cast, &tagged, "interpretation",
                        sixteenBit ? VIPS_INTERPRETATION_RGB16 : VIPS_INTERPRETATION_sRGB, nullptr),
              0);
    const std::string withProfile = path + (path.find('[') == std::string::npos ? "[profile=srgb]" : "");
    ASSERT_EQ(vips_image_write_to_file(tagged, withProfile.c_str(), nullptr), 0) << vips_error_buffer();
    for (VipsImage* image : {black, bands, lit, cast, tagged})
        g_object_unref(image);
}

// What a phone writes: a location, the camera's serial number and owner, a thumbnail, XMP, IPTC
// and a comment, and an orientation.
void AddPhoneMetadata(const std::string& path, int orientation)
{
    const std::string thumb = path + ".thumb.jpg";
    MakePicture(thumb, 40, 20);
    RunOrFail("exiftool -q -q -overwrite_original -n -Orientation=" + std::to_string(orientation) +
              " -GPSLatitude=51.5 -GPSLatitudeRef=N -GPSLongitude=0.12 -GPSLongitudeRef=W -SerialNumber=SN12345 "
              "-OwnerName=Alice -XMP:Creator=Alice -IPTC:By-line=Alice -Comment=hello '-ThumbnailImage<=" +
              thumb + "' '" + path + "'");
}

class WebPictures : public SiteBuildTest
{
protected:
    std::string site(const std::string& name, const std::string& image, const std::string& options = {})
    {
        const std::string path = newSite(name);
        add(path, {"Garden", "Roses", "Roses", "First.", "Text.", image, "Caption"});
        if (!options.empty())
            sql(path, "UPDATE Options SET " + options);
        return path;
    }

    std::vector<std::string> buildInto(const std::string& site, const std::string& base)
    {
        auto editor = StoredSiteEditor::open(site, nullptr);
        EXPECT_TRUE(editor.ok());
        EXPECT_TRUE(UpdateSite(*editor, site, base + "TempInternetFiles/").ok());
        return editor->buildWarnings();
    }
};

TEST_F(WebPictures, PhonePhotosLoseTheirPrivateDataKeepTheirProfileAndStandUpright)
{
    const std::string photo = m_dir / "pics/phone.jpg";
    fs::create_directories(m_dir / "pics");
    MakePicture(photo, 400, 200);
    AddPhoneMetadata(photo, 6);
    const std::string before = ExifTags(photo);
    for (const char* tag : {"GPSLatitude", "SerialNumber", "OwnerName", "ThumbnailImage", "XMP-dc", "By-line"})
        ASSERT_NE(before.find(tag), std::string::npos) << "the test photo lacks " << tag;

    const struct
    {
        const char* options;
        bool kept;
        int width, height; // turned upright (orientation 6), then scaled to the largest width
    } cases[] = {
        {"Picture_Max_Width = 150", false, 150, 300},
        {"Picture_Max_Width = NULL, Keep_Picture_Metadata = 1", true, 200, 400},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string base = m_dir / ("base" + std::to_string(++n) + "/");
        const auto warnings = buildInto(site("s" + std::to_string(n) + ".qls", photo, c.options), base);
        const std::string copy = base + "TempInternetFiles/images/phone.jpg";
        const std::string tags = ExifTags(copy);
        if (c.kept) {
            for (const char* tag : {"GPSLatitude", "SerialNumber", "OwnerName"})
                EXPECT_NE(tags.find(tag), std::string::npos) << "kept as asked: " << tag;
        } else {
            for (const char* tag :
                 {"GPS", "SerialNumber", "OwnerName", "ThumbnailImage", "XMP", "IPTC", "Alice", "hello"})
                EXPECT_EQ(tags.find(tag), std::string::npos) << tag << "\n" << tags;
        }
        EXPECT_NE(tags.find("[ICC-header]"), std::string::npos) << "the colour profile is kept: " << c.options;
        EXPECT_EQ(ExifNumber(copy, "ImageWidth"), c.width) << c.options;
        EXPECT_EQ(ExifNumber(copy, "ImageHeight"), c.height) << c.options;
        ASSERT_EQ(warnings.size(), 1u) << c.options;
        EXPECT_NE(warnings[0].find(photo + (c.kept ? " carries a location" : " carried a location")), std::string::npos)
            << warnings[0];
        EXPECT_NE(test::ReadFile(base + "TempInternetFiles/articles/art-1.htm").find("<IMG SRC='../images/phone.jpg'>"),
                  std::string::npos)
            << "classic pages name the picture as they always have";
    }
}

TEST_F(WebPictures, ModernPagesGetSmallerWidthsAndWebpVersionsInAPictureElement)
{
    fs::create_directories(m_dir / "pics");
    const std::string photo = m_dir / "pics/wide.jpg";
    MakePicture(photo, 1203, 803);
    AddPhoneMetadata(photo, 1);
    const std::string base = m_dir / "base/";
    const std::string modern = site("modern.qls", photo, "Page_Style = 'Modern'");
    buildInto(modern, base);
    const std::string images = base + "TempInternetFiles/images/";
    const struct
    {
        std::string name;
        const char* type;
        int width, height;
    } files[] = {
        {"wide.jpg", "image/jpeg", 1203, 803},
        {"wide.jpg.qle-480w.jpg", "image/jpeg", 480, 320},
        {"wide.jpg.qle-960w.jpg", "image/jpeg", 960, 641},
        {"wide.jpg.qle-480w.webp", "image/webp", 480, 320},
        {"wide.jpg.qle-960w.webp", "image/webp", 960, 641},
        {"wide.jpg.qle-1203w.webp", "image/webp", 1203, 803},
    };
    for (const auto& f : files) {
        ASSERT_TRUE(test::PathExists(images + f.name)) << f.name;
        const std::string tags = ExifTags(images + f.name);
        EXPECT_NE(tags.find(std::string("MIMEType                        : ") + f.type), std::string::npos) << tags;
        EXPECT_EQ(tags.find("GPS"), std::string::npos) << f.name;
        EXPECT_EQ(ExifNumber(images + f.name, "ImageWidth"), f.width) << f.name;
        EXPECT_EQ(ExifNumber(images + f.name, "ImageHeight"), f.height) << f.name << ": the page says so";
    }
    EXPECT_EQ(Tree(images).size(), std::size(files) + 1) << "six pictures and the stylesheet";
    const std::string page = test::ReadFile(base + "TempInternetFiles/articles/art-1.htm");
    EXPECT_NE(page.find("<picture><source type=\"image/webp\" srcset=\"../images/wide.jpg.qle-480w.webp 480w, "
                        "../images/wide.jpg.qle-960w.webp 960w, ../images/wide.jpg.qle-1203w.webp 1203w\" "
                        "sizes=\"(max-width: 700px) 100vw, (max-width: 1200px) 60vw, 720px\">"
                        "<img src=\"../images/wide.jpg\" srcset=\"../images/wide.jpg.qle-480w.jpg 480w, "
                        "../images/wide.jpg.qle-960w.jpg 960w, ../images/wide.jpg 1203w\" "
                        "sizes=\"(max-width: 700px) 100vw, (max-width: 1200px) 60vw, 720px\" alt=\"Caption\" "
                        "width=\"1203\" height=\"803\"></picture>"),
              std::string::npos)
        << "the first picture of a page (no banner) loads at once:\n"
        << page;

    // The preview serves the files the build wrote, from the same cache, also after it rendered
    // the stylesheet (which shows no picture).
    PagePreview preview(modern, base + "LocalImages/", base + kPictureCacheFolder);
    ASSERT_TRUE(preview.render("articles/art-1.htm").ok());
    ASSERT_TRUE(preview.render("images/style.css").ok());
    for (const auto& f : files)
        EXPECT_EQ(test::ReadFile(preview.pictureFile(f.name)), test::ReadFile(images + f.name)) << f.name;
    EXPECT_EQ(preview.pictureFile("wide.jpg.qle-123w.webp"), "");
}

TEST_F(WebPictures, OtherFormatsLoseTheirDataToo)
{
    fs::create_directories(m_dir / "pics");
    const std::string png = m_dir / "pics/deep.png", webp = m_dir / "pics/photo.webp";
    MakePicture(png + "[bitdepth=16]", 300, 100, true);
    RunOrFail("exiftool -q -q -overwrite_original -XMP:Creator=Alice -PNG:Comment=hello -EXIF:GPSLatitude=1 "
              "-EXIF:GPSLatitudeRef=N '" +
              png + "'");
    const std::string jpeg = m_dir / "pics/for-webp.jpg";
    MakePicture(jpeg, 300, 100);
    AddPhoneMetadata(jpeg, 1);
    MakePicture(webp, 300, 100); // then given the phone's EXIF and XMP
    RunOrFail("exiftool -q -q -overwrite_original -tagsFromFile '" + jpeg + "' -EXIF:all -XMP:all '" + webp + "'");
    ASSERT_NE(ExifTags(png).find("Alice"), std::string::npos);
    ASSERT_NE(ExifTags(webp).find("GPSLatitude"), std::string::npos);

    const std::string site = newSite("kinds.qls");
    add(site, {"C", "S", "PNG", "p", "b", png, {}});
    add(site, {"C", "S", "WebP", "p", "b", webp, {}});
    const std::string base = m_dir / "base/";
    buildInto(site, base);
    for (const std::string name : {"deep.png", "photo.webp"}) {
        const std::string tags = ExifTags(base + "TempInternetFiles/images/" + name);
        for (const char* tag : {"GPS", "Alice", "hello", "SerialNumber"})
            EXPECT_EQ(tags.find(tag), std::string::npos) << name << ": " << tag << "\n" << tags;
        EXPECT_EQ(ExifNumber(base + "TempInternetFiles/images/" + name, "ImageWidth"), 300) << name;
    }
    ASSERT_EQ(ExifNumber(png, "BitDepth"), 16);
    EXPECT_EQ(ExifNumber(base + "TempInternetFiles/images/deep.png", "BitDepth"), 8)
        << "written with the 8 bits a browser shows";
}

TEST_F(WebPictures, GifSvgBmpAndIcoAreCopiedAsTheyAre)
{
    const std::string gif = picture("moving.gif", std::string("GIF89a\x02\x00\x02\x00", 10) + "NETSCAPE2.0 frames");
    const std::string svg = picture("drawing.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\"><!-- me --></svg>");
    const std::string site = newSite("as-is.qls");
    add(site, {"C", "S", "GIF", "p", "b", gif, {}});
    add(site, {"C", "S", "SVG", "p", "b", svg, {}});
    sql(site, "UPDATE Options SET Page_Style = 'Modern'");
    const std::string base = m_dir / "base/";
    buildInto(site, base);
    EXPECT_EQ(test::ReadFile(base + "TempInternetFiles/images/moving.gif"), test::ReadFile(gif));
    EXPECT_EQ(test::ReadFile(base + "TempInternetFiles/images/drawing.svg"), test::ReadFile(svg));
    EXPECT_FALSE(fs::exists(base + kPictureCacheFolder)) << "nothing to encode, nothing cached";
}

TEST_F(WebPictures, TheSameSourceGivesTheSameBytesAndARebuildNeitherEncodesNorReadsIt)
{
    fs::create_directories(m_dir / "pics");
    const std::string photo = m_dir / "pics/photo.jpg";
    MakePicture(photo, 700, 500);
    AddPhoneMetadata(photo, 8);
    const std::string site = this->site("same.qls", photo, "Page_Style = 'Modern'");
    const std::string first = m_dir / "first/", second = m_dir / "second/";
    buildInto(site, first);
    buildInto(site, second); // its own base folder, so its own cache: encoded again
    const auto a = Tree(first + "TempInternetFiles/images"), b = Tree(second + "TempInternetFiles/images");
    EXPECT_EQ(a.size(), 5u);
    EXPECT_EQ(a, b) << "two encodings of the same source give the same bytes";

    // A rebuild links the cached files: the same inodes as the cache entry's.
    auto inode = [](const std::string& path) {
        struct stat info
        {
        };
        return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
    };
    const std::string copy = first + "TempInternetFiles/images/photo.jpg";
    const auto before = inode(copy);
    std::set<std::string> entries;
    for (const auto& entry : fs::directory_iterator(first + kPictureCacheFolder))
        entries.insert(entry.path().filename().string());
    buildInto(site, first);
    EXPECT_EQ(inode(copy), before) << "the rebuild links the very file the first build made";
    std::set<std::string> after;
    for (const auto& entry : fs::directory_iterator(first + kPictureCacheFolder))
        after.insert(entry.path().filename().string());
    EXPECT_EQ(after, entries) << "no new cache entry";

    // Changed bytes under the same size, time stamp and inode go unnoticed: the source was not read.
    struct stat source
    {
    };
    ASSERT_EQ(::stat(photo.c_str(), &source), 0);
    {
        std::string bytes = test::ReadFile(photo);
        bytes[bytes.size() - 3] ^= 0x55;
        FILE* out = std::fopen(photo.c_str(), "r+b");
        ASSERT_TRUE(out);
        std::fwrite(bytes.data(), 1, bytes.size(), out);
        std::fclose(out);
        const timespec times[2] = {source.st_atim, source.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, photo.c_str(), times, 0), 0);
    }
    buildInto(site, first);
    EXPECT_EQ(inode(copy), before) << "an unchanged status means an unchanged source";
    // A new time stamp is a changed source: read, hashed and encoded anew.
    const timespec later[2] = {{0, UTIME_NOW}, {source.st_mtim.tv_sec + 10, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, photo.c_str(), later, 0), 0);
    buildInto(site, first);
    EXPECT_NE(inode(copy), before);
}

TEST(PictureNames, NoAuthorsPictureCanTakeADerivedName)
{
    const std::string authorNames[] = {
        "rose.jpg",     "rose.jpg.qle-480w.webp", "ROSE.JPG.QLE-960W.JPG", "a.Qle-1w.png",      ".qle-",
        "x.qle-.qle-y", "two..qle--dots",         "qle-480w.webp",         "rose-qle-480w.webp"};
    for (const std::string& name : authorNames) {
        const std::string copy = PictureCopyName("/pics/" + name);
        EXPECT_FALSE(IsDerivedPictureName(copy)) << name << " -> " << copy;
        EXPECT_EQ(copy == name, !IsDerivedPictureName(name)) << "only reserved names change: " << name;
    }
    for (const std::string copy : {"rose.jpg", "Tom's #1.png", "x"})
        for (int width : {1, 480, 1600})
            for (const char* extension : {"jpg", "png", "webp"}) {
                const std::string derived = DerivedPictureName(copy, width, extension);
                EXPECT_TRUE(IsDerivedPictureName(derived)) << derived;
                EXPECT_NE(PictureCopyName("/pics/" + derived), derived) << derived;
            }
    EXPECT_EQ(DerivedPictureName("rose.jpg", 480, "webp"), "rose.jpg.qle-480w.webp");
}

} // namespace
} // namespace qle::generator
