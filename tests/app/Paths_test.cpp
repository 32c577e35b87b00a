#include "app/Paths.h"
#include "support/TempDir.h"

#include <filesystem>
#include <set>

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

// True when the text is whole UTF-8: no character cut in two.
bool IsWholeUtf8(const std::string& text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += length;
    }
    return true;
}

TEST(Paths, PageFileNamesFitTheFileSystemAndLongNamesStayApart)
{
    const std::string x231(231, 'x');
    struct Case
    {
        std::string prefix, name;
        bool shortened;
        std::string expected; // when pinned
    };
    const Case cases[] = {
        {"cat-", "Home Garden", false, "cat-home-garden.htm"},
        {"cat-", x231, false, "cat-" + x231 + ".htm"}, // 239 bytes: the longest kept whole
        {"sect-", x231.substr(1), false, "sect-" + x231.substr(1) + ".htm"},
        {"cat-", std::string(232, 'A'), true, "cat-" + std::string(214, 'a') + "-e932ede9248327c5.htm"},
        {"sect-", x231, true, ""},
        {"cat-", std::string(300, 'y'), true, ""},
        {"cat-", std::string(299, 'y') + "z", true, ""},
        {"cat-", "\xC3\x84rger " + std::string(300, 'o'), true, ""},
    };
    std::set<std::string> names;
    for (const Case& c : cases) {
        bool shortened = !c.shortened;
        const std::string name = PageFileName(c.prefix, c.name, &shortened);
        EXPECT_EQ(shortened, c.shortened) << c.name;
        if (!c.expected.empty()) {
            EXPECT_EQ(name, c.expected);
        }
        EXPECT_LE(name.size(), kMaxPageFileNameBytes) << name;
        EXPECT_TRUE(name.starts_with(c.prefix) && name.ends_with(".htm")) << name;
        EXPECT_TRUE(names.insert(name).second) << "two names, one file: " << name;
        EXPECT_EQ(PageFileName(c.prefix, c.name), name) << "the same name always gives the same file";
    }
    // Cut between characters, never inside one, however many bytes each takes.
    for (const char* character : {"\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9D\x84\x9E"})
        for (std::size_t lead = 0; lead < 4; ++lead) {
            std::string name(lead, 'a');
            while (name.size() < 300)
                name += character;
            EXPECT_TRUE(IsWholeUtf8(PageFileName("cat-", name))) << lead << " " << character;
            EXPECT_TRUE(IsWholeUtf8(PageFileName("sect-", name))) << lead << " " << character;
        }
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
