// Picture copies: at most once per picture, with the result of copying on every use.
#include "generator/OutputSink.h"
#include "generator/PictureCopier.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <vector>

namespace qle::generator {
namespace {

// Remembers every copy it is asked for, then copies in memory.
class CountingSink : public OutputSink
{
public:
    Status writeFile(const std::string& path, std::string_view bytes) override { return memory.writeFile(path, bytes); }
    Status copyFile(const std::string& source, const std::string& path) override
    {
        copies.push_back(source);
        return memory.copyFile(source, path);
    }
    Status linkFile(const std::string& source, const std::string& path) override
    {
        return memory.linkFile(source, path);
    }

    MemorySink memory;
    std::vector<std::string> copies;
};

class PictureCopies : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(m_dir / "a");
        std::filesystem::create_directories(m_dir / "b");
        test::WriteFile(m_dir / "a/pic.gif", "GIF89a A");
        test::WriteFile(m_dir / "b/pic.gif", "GIF89a B");
    }

    test::TempDir m_dir;
    CountingSink m_sink;
    PictureCopier m_pictures {m_sink};
};

TEST_F(PictureCopies, EachSourceIsCopiedOnceAndTheLastUseOfAFileNameWins)
{
    const struct
    {
        std::vector<std::string> uses;
        std::string expected;
    } cases[] = {
        {std::vector<std::string>(100, "a/pic.gif"), "GIF89a A"}, // a picture shown on many pages
        {{"a/pic.gif", "b/pic.gif"}, "GIF89a B"},
        {{"b/pic.gif", "a/pic.gif"}, "GIF89a A"},
        {{"a/pic.gif", "b/pic.gif", "a/pic.gif"}, "GIF89a A"},
        // A copy that fails leaves what the use before it copied.
        {{"a/pic.gif", "missing/pic.gif"}, "GIF89a A"},
        {{"b/pic.gif", "a/pic.gif", "missing/pic.gif", "missing/pic.gif"}, "GIF89a A"},
    };
    for (const auto& c : cases) {
        CountingSink sink;
        PictureCopier pictures(sink);
        for (const auto& use : c.uses)
            pictures.add(m_dir / use);
        std::vector<std::string> warnings;
        ASSERT_TRUE(pictures.copyAll(warnings).ok());
        ASSERT_EQ(sink.memory.files().count("images/pic.gif"), 1u) << c.expected;
        EXPECT_EQ(sink.memory.files().at("images/pic.gif"), c.expected);
        EXPECT_LE(sink.copies.size(), std::set<std::string>(c.uses.begin(), c.uses.end()).size())
            << "each source is tried at most once";
    }
}

TEST_F(PictureCopies, NamesThatWouldLeaveTheImagesFolderAreNotCopied)
{
    for (const char* path : {"..", "/x/..", ".", "", "/x/"})
        m_pictures.add(path);
    std::vector<std::string> warnings;
    ASSERT_TRUE(m_pictures.copyAll(warnings).ok());
    EXPECT_TRUE(m_sink.copies.empty());
    EXPECT_TRUE(warnings.empty());
}

TEST(DiskSink, WritesCopiesAndNamesTheFileWhenItCannot)
{
    test::TempDir dir;
    std::filesystem::create_directories(dir / "images");
    test::WriteFile(dir / "source.gif", "GIF89a");
    {
        DiskSink sink(dir.path());
        ASSERT_TRUE(sink.writeFile("page.htm", "text\r\n").ok());
        ASSERT_TRUE(sink.writeFile("other.htm", "other").ok());
        ASSERT_TRUE(sink.writeFile("page.htm", "new").ok()) << "the later page of a name wins";
        ASSERT_TRUE(sink.finish().ok());
        EXPECT_EQ(test::ReadFile(dir / "page.htm"), "new");
        EXPECT_EQ(test::ReadFile(dir / "other.htm"), "other");
        ASSERT_TRUE(sink.copyFile(dir / "source.gif", "images/source.gif").ok());
        EXPECT_EQ(test::ReadFile(dir / "images/source.gif"), "GIF89a");

        // Copying a file onto itself must not empty it.
        EXPECT_FALSE(sink.copyFile(dir / "images/source.gif", "images/source.gif").ok());
        EXPECT_EQ(test::ReadFile(dir / "images/source.gif"), "GIF89a");
        EXPECT_FALSE(sink.copyFile(dir / "missing.gif", "images/missing.gif").ok());
    }

    // A failed write is reported by the next write or by finish(), naming the file; nothing
    // queued after it is written.
    DiskSink sink(dir.path());
    ASSERT_TRUE(sink.writeFile("nowhere/page.htm", "x").ok());
    const Status failed = sink.finish();
    EXPECT_EQ(failed.code(), Status::Code::IoError);
    EXPECT_NE(failed.message().find(dir / "nowhere/page.htm"), std::string::npos) << failed.message();
    EXPECT_EQ(sink.writeFile("after.htm", "x").message(), failed.message());
    EXPECT_FALSE(test::PathExists(dir / "after.htm"));
}

} // namespace
} // namespace qle::generator
