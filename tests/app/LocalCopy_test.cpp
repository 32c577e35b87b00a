// Pictures copied into the local images folder never replace a different picture of the same name.
#include "app/LocalCopy.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace qle::app {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(CopyUnderFreeName, KeepsEveryDifferentPictureAndReusesTheSameOne)
{
    struct Case
    {
        const char* what;
        std::map<std::string, std::string> already; // in the images folder: name -> bytes
        std::string chosenName;
        std::string chosenBytes;
        std::string expected; // name of the copy
    };
    const std::vector<Case> cases = {
        {"free name", {}, "rose.jpg", "R", "rose.jpg"},
        {"same picture again", {{"rose.jpg", "R"}}, "rose.jpg", "R", "rose.jpg"},
        {"another rose", {{"rose.jpg", "R"}}, "rose.jpg", "other", "rose-2.jpg"},
        {"that other rose again", {{"rose.jpg", "R"}, {"rose-2.jpg", "other"}}, "rose.jpg", "other", "rose-2.jpg"},
        {"a third rose", {{"rose.jpg", "R"}, {"rose-2.jpg", "other"}}, "rose.jpg", "third", "rose-3.jpg"},
        {"no extension", {{"rose", "R"}}, "rose", "other", "rose-2"},
        {"two dots", {{"a.b.png", "R"}}, "a.b.png", "other", "a.b-2.png"},
        {"leading dot", {{".hidden", "R"}}, ".hidden", "other", ".hidden-2"},
        {"same size, other bytes", {{"rose.jpg", "AB"}}, "rose.jpg", "BA", "rose-2.jpg"},
    };
    for (const Case& c : cases) {
        TempDir images;
        TempDir elsewhere;
        for (const auto& [name, bytes] : c.already)
            WriteFile(images / name, bytes);
        WriteFile(elsewhere / c.chosenName, c.chosenBytes);
        EXPECT_EQ(CopyUnderFreeName(elsewhere / c.chosenName, images.path()), images / c.expected) << c.what;
        EXPECT_EQ(ReadFile(images / c.expected), c.chosenBytes) << c.what;
        for (const auto& [name, bytes] : c.already)
            EXPECT_EQ(ReadFile(images / name), bytes) << c.what << ": " << name << " was changed";
    }
}

TEST(CopyUnderFreeName, ChoosingTheCopyItselfLeavesIt)
{
    TempDir images;
    WriteFile(images / "rose.jpg", "R");
    EXPECT_EQ(CopyUnderFreeName(images / "rose.jpg", images.path()), images / "rose.jpg");
    EXPECT_EQ(ReadFile(images / "rose.jpg"), "R");
    EXPECT_FALSE(test::PathExists(images / "rose-2.jpg"));
}

TEST(CopyUnderFreeName, AGivenNameIsUsedInsteadOfTheSourcesOwn)
{
    TempDir images;
    TempDir elsewhere;
    WriteFile(elsewhere / "a:b?.png", "P");
    WriteFile(images / "a-b-.png", "other");
    EXPECT_EQ(CopyUnderFreeName(elsewhere / "a:b?.png", images.path(), "a-b-.png"), images / "a-b--2.png");
    EXPECT_EQ(ReadFile(images / "a-b--2.png"), "P");
}

} // namespace
} // namespace qle::app
