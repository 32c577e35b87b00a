#include "app/Paths.h"
#include "support/TempDir.h"

#include <filesystem>

#include <gtest/gtest.h>

namespace qle::app {
namespace {

TEST(Paths, SplitWithEitherSeparator)
{
    struct Case
    {
        const char* path;
        const char* folder;
        const char* file;
    };
    const Case cases[] = {
        {"/home/jo/Sites/shop/Shop.QLS", "/home/jo/Sites/shop", "Shop.QLS"},
        {"C:\\Pics\\Holiday\\2024\\horse.jpg", "C:\\Pics\\Holiday\\2024", "horse.jpg"},
        {"horse.jpg", "", "horse.jpg"},
        {"/Shop.QLS", "", "Shop.QLS"},
        {"/home/jo/", "/home/jo", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FolderOfPath(c.path), c.folder) << c.path;
        EXPECT_EQ(FileNameOfPath(c.path), c.file) << c.path;
    }
}

TEST(Paths, ReplaceCharTurnsRemoteFolderSlashesIntoBlanks)
{
    EXPECT_EQ(ReplaceChar("/www/site/", '/', " "), " www site ");
    EXPECT_EQ(ReplaceChar("", '/', " "), "");
    EXPECT_EQ(ReplaceChar("a\r\nb", '\n', "<BR>\n"), "a\r<BR>\nb");
}

TEST(Paths, JoinAddsOneSeparatorOnly)
{
    EXPECT_EQ(JoinPath("/", "a.QLS"), "/a.QLS");
    EXPECT_EQ(JoinPath("/sites", "a.QLS"), "/sites/a.QLS");
    EXPECT_EQ(JoinPath("/sites/", "a.QLS"), "/sites/a.QLS");
    EXPECT_EQ(AppDatabasePath("/opt/qle/"), "/opt/qle/Quillon Engine.mdb");
}

TEST(Paths, PageNamesLowerAsciiAndNeverLeaveTheirFolder)
{
    EXPECT_EQ(PageNamePart("Home Garden"), "home-garden");
    EXPECT_EQ(PageNamePart("../../etc/passwd"), "..-..-etc-passwd");
    EXPECT_EQ(PageNamePart("a\\b"), "a-b");
    EXPECT_EQ(PageNamePart("Ärger ÖL"), "Ärger-Öl") << "only ASCII letters change";
}

TEST(Paths, SiteNameIsTheFileNameWithoutItsExtension)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/sites/Garden Club.qls", "Garden Club"},
        {"/sites/My.Shop.QLS", "My.Shop"},
        {"plain", "plain"},
        {"/sites/.hidden", ".hidden"},
        {"C:\\old\\Club.qls", "Club"},
    };
    for (const auto& [path, name] : cases)
        EXPECT_EQ(SiteName(path), name) << path;
}

TEST(Paths, ShippedFilesBesideTheExecutableOrInTheInstalledDataFolder)
{
    namespace fs = std::filesystem;
    struct Case
    {
        const char* name;
        bool beside;
        bool installed;
        const char* expected; // relative to the temporary prefix
    };
    const Case cases[] = {
        {"build tree", true, false, "bin/"},
        {"installed", false, true, "share/quillon-engine/"},
        {"files beside the executable win", true, true, "bin/"},
        {"nowhere: the executable's folder", false, false, "bin/"},
    };
    for (const Case& c : cases) {
        test::TempDir prefix;
        fs::create_directories(prefix / "bin");
        fs::create_directories(prefix / "share/quillon-engine");
        if (c.beside)
            test::WriteFile(prefix / "bin/Quillon Engine.mdb", "db");
        if (c.installed)
            test::WriteFile(prefix / "share/quillon-engine/Quillon Engine.mdb", "db");
        EXPECT_EQ(ShippedFilesFolder(prefix / "bin/"), prefix / c.expected) << c.name;
        EXPECT_EQ(ShippedFilesFolder(prefix / "bin"), prefix / c.expected) << c.name << ", no trailing '/'";
    }
}

} // namespace
} // namespace qle::app
