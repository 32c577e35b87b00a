// A main text goes from the site file into its page without a whole copy: the page is framed
// around a marker, and the text is made and written in its place, in pieces when it is long. The
// bytes must be those of the page made whole, for every way a text can be cut.
#include "app/Sha256.h"
#include "generator/BuildArticles.h"
#include "generator/BuiltFiles.h"
#include "generator/OutputSink.h"
#include "generator/SiteBuild.h"
#include "generator/SiteBuildFixture.h"
#include "generator/TagWriter.h"
#include "store/Database.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace qle::generator {
namespace {

using namespace test_support;

// Texts whose line ends a cut could split or pair wrongly.
const std::vector<std::string> kTexts = {
    "",
    "one line",
    "one\r\ntwo\r\n\r\nthree",
    "\r\nstarts and ends with a break\r\n",
    "\nlone LF first, lone CR last\r",
    "CR CR LF\r\r\n and LF CR\n\r and a last CR LF\r\n",
    "<b>author HTML</b> & \"quotes\"\r\n  indented line\r\n\xC3\xBC",
};

class PageText : public SiteBuildTest
{
protected:
    // The page ArticlePage writes for `row`, next to the page made whole (ArticleBody framed by
    // writePage), with main texts cut into pieces of `pieceSize` bytes when longer.
    std::pair<std::string, std::string> pages(const std::string& site, ArticleRow row, std::size_t pieceSize)
    {
        auto db = store::Database::open(site);
        EXPECT_TRUE(db.ok());
        MemorySink sink;
        SiteBuild build(*db, sink);
        EXPECT_TRUE(build.load().ok());
        build.setTextPieceSize(pieceSize);
        EXPECT_TRUE(ArticlePage(build, row).ok());
        EXPECT_TRUE(build
                        .writePage("whole.htm", PageKind::Article, row.category, ArticleHead(row),
                                   ArticleBody(row, build.writer(), build.pictures()))
                        .ok());
        return {sink.files().at(ArticlePagePath(row.artid)), sink.files().at("whole.htm")};
    }

    std::string site(const char* style)
    {
        const std::string path = newSite(std::string(style) + ".qls");
        add(path, {"Garden", "Roses", "Other page", "p", "b", {}, {}});
        sql(path, "UPDATE Options SET Page_Style = ?, Your_Homepage = 'example.org'", {std::string(style)});
        return path;
    }
};

TEST_F(PageText, TheTextInItsPlaceGivesThePageMadeWholeHoweverItIsCut)
{
    for (const char* style : {"Classic", "Modern"}) {
        const std::string path = site(style);
        for (const std::string& text : kTexts) {
            for (std::size_t pieceSize : {std::size_t(1), std::size_t(2), std::size_t(3), kTextPieceSize}) {
                ArticleRow row;
                row.artid = "7";
                row.category = "Garden";
                row.section = "Roses";
                row.title = "Title";
                row.para = "First\r\nparagraph";
                row.body = text;
                const auto [placed, whole] = pages(path, row, pieceSize);
                EXPECT_EQ(placed, whole) << style << ", pieces of " << pieceSize << ", text: " << text;
                EXPECT_EQ(placed.find('\x01'), std::string::npos) << style << ": the marker is left in the page";
            }
        }
    }
}

TEST_F(PageText, AnAuthorsTextHoldingTheMarkerGetsThePageMadeWhole)
{
    const std::string marker(kMainTextMarker);
    for (const char* style : {"Classic", "Modern"}) {
        const std::string path = site(style);
        ArticleRow row;
        row.artid = "8";
        row.category = "Garden";
        row.title = "Title " + marker;
        row.para = marker;
        const std::string body = "main text\r\n" + marker;
        row.body = body;
        const auto [placed, whole] = pages(path, row, 2);
        EXPECT_EQ(placed, whole) << style;
        EXPECT_NE(placed.find("main text"), std::string::npos) << style;
    }
}

struct stat StatOf(const std::string& path)
{
    struct stat info
    {
    };
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info;
}

OutputSink::PieceMaker Pieces(std::vector<std::string> pieces)
{
    return [pieces](const OutputSink::PieceWriter& write) {
        for (const std::string& piece : pieces)
            if (Status s = write(piece); !s.ok())
                return s;
        return Status::OK();
    };
}

TEST(DiskSink, LargeFilesAndFilesInPiecesKeepTheirOrderAndAreKeptWhenUnchanged)
{
    test::TempDir dir;
    const std::string live = dir / "live/", staged = dir / "staged/";
    std::filesystem::create_directories(live);
    std::filesystem::create_directories(staged);
    const std::string large(5 * 1024 * 1024, 'x');

    BuiltFiles listed;
    {
        DiskSink sink(live);
        // Queued, then written directly: the later file of a name wins whichever way it goes.
        ASSERT_TRUE(sink.writeFile("a.htm", "small").ok());
        ASSERT_TRUE(sink.writeFile("a.htm", large).ok());
        ASSERT_TRUE(sink.writeFile("b.htm", large).ok());
        ASSERT_TRUE(sink.writeFile("b.htm", "small again").ok());
        ASSERT_TRUE(sink.writeFile("c.htm", "queued").ok());
        ASSERT_TRUE(sink.writePieces("c.htm", Pieces({"in ", "pieces"})).ok());
        ASSERT_TRUE(sink.writePieces("d.htm", Pieces({"same ", "bytes"})).ok());
        ASSERT_TRUE(sink.writePieces("e.htm", Pieces({"old ", "bytes"})).ok());
        ASSERT_TRUE(sink.finish().ok());
        EXPECT_EQ(test::ReadFile(live + "a.htm"), large);
        EXPECT_EQ(test::ReadFile(live + "b.htm"), "small again");
        EXPECT_EQ(test::ReadFile(live + "c.htm"), "in pieces");
        listed = sink.builtFiles();
        ASSERT_NE(listed.find("d.htm"), nullptr);
        EXPECT_EQ(listed.find("d.htm")->sha256, app::Sha256Hex("same bytes"));
    }

    // The next build: the same bytes in other pieces are kept, other bytes are written anew.
    DiskSink sink(staged);
    sink.keepUnchanged(listed, live);
    ASSERT_TRUE(sink.writePieces("d.htm", Pieces({"sa", "me bytes"})).ok());
    ASSERT_TRUE(sink.writePieces("e.htm", Pieces({"new ", "bytes"})).ok());
    ASSERT_TRUE(sink.writeFile("a.htm", large).ok());
    ASSERT_TRUE(sink.finish().ok());
    // Kept files stay where they are; only the others are written aside.
    EXPECT_FALSE(std::filesystem::exists(staged + "d.htm"));
    EXPECT_FALSE(std::filesystem::exists(staged + "a.htm"));
    EXPECT_EQ(sink.keptFiles(), 2u);
    EXPECT_NE(StatOf(staged + "e.htm").st_ino, StatOf(live + "e.htm").st_ino);
    EXPECT_EQ(test::ReadFile(staged + "e.htm"), "new bytes");
    EXPECT_EQ(test::ReadFile(live + "e.htm"), "old bytes") << "a kept file is never written through";
    EXPECT_EQ(sink.writtenFiles(), std::vector<std::string>({"e.htm"}));

    // A failing piece stops the file and is the sink's answer.
    EXPECT_EQ(sink.writePieces("f.htm", [](const OutputSink::PieceWriter&) { return Status::IoError("no more text"); })
                  .message(),
              "no more text");
}

} // namespace
} // namespace qle::generator
