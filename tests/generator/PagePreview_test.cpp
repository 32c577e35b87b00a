// The live preview's pages: byte for byte what the next build writes, for every page of both
// styles, with the editor's unsaved values put in; and the pictures the text names.
#include "generator/PagePreview.h"
#include "generator/SiteBuild.h"
#include "generator/SiteBuildFixture.h"
#include "store/RecordSet.h"

#include <gtest/gtest.h>

namespace qle::generator {
namespace {

using namespace test_support;

class Preview : public SiteBuildTest
{
protected:
    // The fixture site in `style`, with a picture in the local images folder that a text shows.
    std::string site(const std::string& folder, const char* style)
    {
        fs::create_directories(m_dir / folder);
        const std::string path = m_dir / (folder + "/Garden Club.qls");
        fs::copy_file(fixtureSite(), path);
        sql(path, "UPDATE Options SET Page_Style = ?, Your_Homepage = 'example.org/club', homepage = 17",
            {std::string(style)});
        return path;
    }

    std::string localImages() const { return m_dir / "base/LocalImages/"; }
};

TEST_F(Preview, EveryPageIsWhatTheBuildWritesWithTheUnsavedValuesPutIn)
{
    fs::create_directories(localImages());
    test::WriteFile(localImages() + "in text.gif", "GIF89a inline");
    // An edited stored page, moved to a new section; then a new page not stored yet.
    const store::Fields edited = {{"Category", std::string("Sport")},
                                  {"Section", std::string("Tennis")},
                                  {"Title", std::string("Cup <b>final</b>")},
                                  {"Para", std::string("One\r\nTwo")},
                                  {"Body", std::string("<img src=\"../images/in%20text.gif\" alt=\"x\">\r\nmore")},
                                  {"Image", store::Value()}};
    const store::Fields added = {{"Category", std::string("New")},    {"Section", std::string("Fresh")},
                                 {"Title", std::string("Brand new")}, {"Para", std::string("p")},
                                 {"Body", std::string("b")},          {"Image", std::string("")},
                                 {"Image_Strap", std::string("")}};
    const store::Fields options = {{"Page_Style", std::string("x")}, {"DetPanel1", std::string("Yellow")}};
    int compared = 0;
    for (const char* style : {"Classic", "Modern"}) {
        for (const bool newPage : {false, true}) {
            SCOPED_TRACE(std::string(style) + (newPage ? ", a new page" : ", an edited page"));
            const std::string folder = std::string(style) + (newPage ? "-new" : "-edited");
            const std::string stored = site(folder + "/stored", style);
            const std::string saved = site(folder + "/saved", style);

            PreviewEdits edits;
            edits.hasPage = true;
            edits.artId = newPage ? store::Value() : store::Value("17");
            edits.page = newPage ? added : edited;
            edits.options = options;
            edits.options[0].value = style;
            // What saving does, on the other copy: then a whole build of it.
            auto db = store::Database::open(saved);
            ASSERT_TRUE(db->execute("UPDATE Options SET Page_Style = ?, DetPanel1 = 'Yellow'", {style}).ok());
            if (newPage)
                ASSERT_TRUE(db->insert("Articles", added).ok());
            else
                for (const auto& field : edited)
                    ASSERT_TRUE(db->update("Articles", 17, {field}).ok());
            const std::string base = m_dir / "base/";
            ASSERT_TRUE(CreateWebSite(saved, base + "TempInternetFiles/").ok());
            const auto built = Tree(base + "TempInternetFiles");

            PagePreview preview(stored, localImages());
            preview.setEdits(edits);
            for (const auto& [path, bytes] : built) {
                if (path.rfind("images/", 0) == 0 && path != "images/style.css")
                    continue; // pictures are served from their sources
                if (path == "sitemap.xml" || path == "feed.xml")
                    continue; // not shown by the preview
                auto rendered = preview.render(path);
                ASSERT_TRUE(rendered.ok()) << path << ": " << rendered.status().message();
                EXPECT_EQ(rendered.value(), bytes) << path;
                ++compared;
            }
            EXPECT_EQ(preview.render(newPage ? "articles/art-22.htm" : "articles/art-17.htm").ok(), true);
            EXPECT_EQ(preview.editedPagePath(), newPage ? "articles/art-22.htm" : "articles/art-17.htm");
            if (!newPage) {
                EXPECT_EQ(preview.pictureSource("in text.gif"), localImages() + "in text.gif");
                EXPECT_EQ(built.at("images/in text.gif"), "GIF89a inline") << "the build copies it";
                EXPECT_NE(built.at("articles/art-17.htm").find("Cup <b>final</b>"), std::string::npos);
                if (std::string(style) == "Modern") {
                    EXPECT_NE(built.at("articles/art-17.htm").find("<div class=\"lead\">One<br>\r\nTwo</div>"),
                              std::string::npos)
                        << "line breaks in the first paragraph are shown";
                }
            }
            EXPECT_EQ(built.count("Index.htm"), std::string(style) == "Modern" ? 1u : 0u);
            // The stored site is unchanged.
            EXPECT_EQ(store::Database::open(stored)->query("select Title from Articles where ArtID = 17")->text(0),
                      "Cup final");
        }
    }
    EXPECT_GT(compared, 100);
}

TEST_F(Preview, FilesTheBuildWouldNotWriteAreNotFound)
{
    const std::string classic = site("c", "Classic");
    PagePreview preview(classic, localImages());
    for (const char* path : {"articles/art-99.htm", "articles/art-.htm", "articles/x", "categories/cat-none.htm",
                             "sections/sect-none.htm", "images/style.css", "Index.htm", "feed.xml", "../x"}) {
        EXPECT_EQ(preview.render(path).status().code(), Status::Code::NotFound) << path;
    }
    PagePreview missing(m_dir / "missing.qls", localImages());
    EXPECT_NE(missing.render("articles/art-1.htm").status().message().find("missing.qls"), std::string::npos);
}

TEST_F(SiteBuildTest, PicturesInTheTextAreCopiedFromTheLocalImagesFolder)
{
    const std::string site = newSite("s.qls");
    fs::create_directories(m_dir / "base/LocalImages");
    test::WriteFile(m_dir / "base/LocalImages/rose 1.gif", "GIF89a rose");
    test::WriteFile(m_dir / "base/LocalImages/tulip.gif", "GIF89a tulip");
    add(site, {"C",
               "S",
               "Roses",
               "<IMG SRC='../images/tulip.gif'>",
               "<img alt=\"\" src=\"../images/rose%201.gif\">",
               {},
               {}});
    add(site, {"C", "S", "Lost", "p", "<img src=\"../images/gone.gif\"><img src=\"http://x/y.gif\">", {}, {}});
    auto editor = StoredSiteEditor::open(site, nullptr);
    ASSERT_TRUE(UpdateSite(*editor, site, m_dir / "base/TempInternetFiles/").ok());
    const auto tree = Tree(m_dir / "base/TempInternetFiles");
    EXPECT_EQ(tree.at("images/rose 1.gif"), "GIF89a rose");
    EXPECT_EQ(tree.at("images/tulip.gif"), "GIF89a tulip");
    ASSERT_EQ(editor->buildWarnings().size(), 1u);
    EXPECT_NE(editor->buildWarnings()[0].find("gone.gif"), std::string::npos);
    EXPECT_NE(editor->buildWarnings()[0].find("it is shown on \"Lost\" (articles/art-2.htm)"), std::string::npos)
        << editor->buildWarnings()[0];
}

TEST(PageLinks, CategoryAndSectionLinksAreTheNavigationViewsOwn)
{
    test::TempDir dir;
    const std::string site = test::CopyBlankSite(dir / "s.qls");
    auto db = store::Database::open(site);
    const char* names[] = {"Garden",
                           "Home Garden",
                           "O'Brien's #1? 100%",
                           "a/b\\c",
                           "Tab\there|x*:<>",
                           "\xC3\x9C"
                           "ber",
                           "  spaced  ",
                           "",
                           "UPPER"};
    for (const char* name : names)
        ASSERT_TRUE(db->insert("Articles", {{"Category", std::string(name)}, {"Section", std::string(name)}}).ok());
    for (auto rs = db->query("List_Categories"); !rs->eof(); (void)rs->next())
        EXPECT_EQ(CategoryLink(rs->field("Text")), rs->text(rs->columnIndex("link"))) << *rs->field("Text");
    int sections = 0;
    for (auto rs = db->query("List_Sections"); !rs->eof(); (void)rs->next(), ++sections)
        EXPECT_EQ(SectionLink(rs->field("Text")), rs->text(rs->columnIndex("link"))) << *rs->field("Text");
    EXPECT_EQ(sections, static_cast<int>(std::size(names)));
}

} // namespace
} // namespace qle::generator
