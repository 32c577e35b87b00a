// Folders of the base folder tree, site files in them, and the stored program options.
#include "app/AppOptions.h"
#include "app/Folders.h"
#include "app/SiteFiles.h"
#include "app/StartUp.h"
#include "app/TextFiles.h"
#include "store/Database.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

namespace qle::app {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

TEST(BaseFolder, DefaultsTrailingSlashAndWriteBack)
{
    AppOptions options;
    const std::string expected = std::string(std::getenv("HOME")) + "/QuillonEngine/";
    EXPECT_EQ(BaseFolder(options), expected);
    EXPECT_EQ(options.LocalBaseDir, expected) << "the default is written back";

    options.LocalBaseDir = "/srv/Work";
    EXPECT_EQ(BaseFolder(options), "/srv/Work/");
    EXPECT_EQ(options.LocalBaseDir, "/srv/Work/");
    EXPECT_EQ(BaseFolder(options), "/srv/Work/") << "a second call is stable";

    EXPECT_EQ(WebFolder("/srv/Work/"), "/srv/Work/TempInternetFiles/");
    EXPECT_EQ(LocalImagesFolder("/srv/Work/"), "/srv/Work/LocalImages/");

    // A relative folder (quillon publish --base Work) is the current folder's: the upload's batch
    // file changes into the base folder and names its files from there.
    options.LocalBaseDir = "Work";
    EXPECT_EQ(BaseFolder(options), fs::current_path().string() + "/Work/");
}

TEST(FolderTree, MadeParentsFirstTwiceIsHarmlessAndFailureNamesTheFolder)
{
    TempDir dir;
    AppOptions options;
    options.LocalBaseDir = dir / "Base Folder";
    ASSERT_TRUE(MakeFolderTree(options).ok());
    for (const char* folder : kStartUpFolders)
        EXPECT_TRUE(fs::is_directory(dir / "Base Folder/" + folder)) << folder;
    test::WriteFile(dir / "Base Folder/WebSites/Shop.QLS", "site");
    ASSERT_TRUE(MakeFolderTree(options).ok());
    EXPECT_EQ(test::ReadFile(dir / "Base Folder/WebSites/Shop.QLS"), "site");

    test::WriteFile(dir / "blocker", "a file where a folder should be");
    options.LocalBaseDir = dir / "blocker/inside";
    const Status s = MakeFolderTree(options);
    ASSERT_FALSE(s.ok());
    EXPECT_NE(s.message().find(dir / "blocker/inside"), std::string::npos) << s.message();
}

TEST(EnsureFolder, MarkerInExistingFolderNoneInNewOne)
{
    TempDir dir;
    ASSERT_TRUE(EnsureFolder(dir / "new").ok());
    EXPECT_TRUE(fs::is_directory(dir / "new"));
    EXPECT_FALSE(test::PathExists(dir / "new/temp.fle"));
    ASSERT_TRUE(EnsureFolder(dir / "new/").ok());
    EXPECT_TRUE(test::PathExists(dir / "new/temp.fle"));
    EXPECT_FALSE(EnsureFolder(dir / "missing/child").ok()) << "the parent must exist";

    // The marker already there keeps its time stamp (time-comparing tools would send it after
    // every build); one with bytes in it is emptied.
    const std::string marker = dir / "new/temp.fle";
    const timespec old[2] = {{1'000'000, 0}, {1'000'000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, marker.c_str(), old, 0), 0);
    ASSERT_TRUE(EnsureFolder(dir / "new/").ok());
    struct stat info
    {
    };
    ASSERT_EQ(::stat(marker.c_str(), &info), 0);
    EXPECT_EQ(info.st_mtim.tv_sec, 1'000'000);
    test::WriteFile(marker, "left over");
    ASSERT_TRUE(EnsureFolder(dir / "new/").ok());
    EXPECT_EQ(test::ReadFile(marker), "");
}

TEST(ClearFolder, DeletesPlainFilesAndLinksDirectlyInsideNeverTheirTargets)
{
    TempDir dir;
    const std::string target = dir / "images/";
    fs::create_directories(target + "sub");
    test::WriteFile(target + "a.gif", "a");
    test::WriteFile(target + ".hidden", "h");
    test::WriteFile(target + "sub/kept.gif", "k");
    test::WriteFile(dir / "outside.gif", "o");
    fs::create_symlink(dir / "outside.gif", target + "link.gif");
    fs::create_directory_symlink(dir.path(), target + "up");

    ClearFolder(target);

    EXPECT_FALSE(test::PathExists(target + "a.gif"));
    EXPECT_FALSE(test::PathExists(target + ".hidden"));
    EXPECT_FALSE(test::PathExists(target + "temp.fle")) << "the marker goes too";
    EXPECT_TRUE(test::PathExists(target + "sub/kept.gif"));
    EXPECT_EQ(test::ReadFile(dir / "outside.gif"), "o");
    EXPECT_FALSE(fs::exists(fs::symlink_status(target + "link.gif"))) << "the link itself goes";
    EXPECT_FALSE(fs::exists(fs::symlink_status(target + "up")));
    EXPECT_TRUE(test::PathExists(dir / "images/sub")) << "not the folder a link pointed to";

    // An unusable folder is left alone.
    ClearFolder(dir / "does-not-exist/");
    EXPECT_FALSE(test::PathExists(dir / "does-not-exist"));
    if (::geteuid() != 0) { // root writes anywhere, so a read-only folder proves nothing then
        fs::create_directory(dir / "ro");
        test::WriteFile(dir / "ro/keep.htm", "k");
        ::chmod((dir / "ro").c_str(), 0555);
        ClearFolder(dir / "ro/");
        EXPECT_TRUE(test::PathExists(dir / "ro/keep.htm"));
        ::chmod((dir / "ro").c_str(), 0755);
    }
}

TEST(WriteTextFile, ReplacesALinkInsteadOfWritingThroughItAndSetsTheMode)
{
    TempDir dir;
    test::WriteFile(dir / "victim.txt", "private");
    fs::create_symlink(dir / "victim.txt", dir / "Index.htm");
    ASSERT_TRUE(WriteTextFile(dir / "Index.htm", "page").ok());
    EXPECT_EQ(test::ReadFile(dir / "victim.txt"), "private");
    EXPECT_FALSE(fs::is_symlink(dir / "Index.htm"));
    EXPECT_EQ(test::ReadFile(dir / "Index.htm"), "page");
    EXPECT_EQ(fs::status(dir / "Index.htm").permissions() & fs::perms::all, fs::perms(0644));
    ASSERT_TRUE(WriteOwnerOnlyFile(dir / "Index.htm", "script").ok());
    EXPECT_EQ(fs::status(dir / "Index.htm").permissions() & fs::perms::all, fs::perms(0600));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2) << "no temporary file is left";
    EXPECT_NE(WriteTextFile(dir / "missing/x.htm", "x").message().find(dir / "missing/x.htm"), std::string::npos);
}

TEST(FileExists, MatchesNamesAndPatternsButNotFolders)
{
    TempDir dir;
    test::WriteFile(dir / "Shop.QLS", "");
    fs::create_directory(dir / "Folder.QLS");
    EXPECT_TRUE(FileExists(dir.path(), "Shop.QLS"));
    EXPECT_FALSE(FileExists(dir.path(), "shop.qls")) << "names are case sensitive here";
    EXPECT_TRUE(FileExists(dir.path(), "*.QLS"));
    EXPECT_FALSE(FileExists(dir.path(), "Folder.QLS"));
    EXPECT_FALSE(FileExists(dir / "nowhere", "*"));
}

TEST(AppOptions, LoadSaveAndMissingDatabase)
{
    TempDir dir;
    fs::copy_file(test::ProgramFolder() + "Quillon Engine.mdb", dir / "Quillon Engine.mdb");
    AppState state = LoadAppState(dir.path());
    EXPECT_EQ(state.appDatabasePath, dir / "Quillon Engine.mdb");
    ASSERT_TRUE(state.optionsStatus.ok()) << state.optionsStatus.message();
    EXPECT_EQ(state.options.LocalBaseDir, "");

    state.options.LocalBaseDir = "/srv/O'Neil's sites/";
    state.options.AutoLoad = true;
    ASSERT_TRUE(SaveAppOptions(state.appDatabasePath, state.options).ok());
    auto reloaded = LoadAppOptions(state.appDatabasePath);
    ASSERT_TRUE(reloaded.ok());
    EXPECT_EQ(reloaded->LocalBaseDir, "/srv/O'Neil's sites/");
    EXPECT_TRUE(reloaded->AutoLoad);

    AppState missing = LoadAppState(dir / "elsewhere/");
    EXPECT_FALSE(missing.optionsStatus.ok());
    EXPECT_FALSE(test::PathExists(dir / "elsewhere"));
    EXPECT_EQ(BaseFolder(missing.options), DefaultBaseFolder());
}

TEST(SiteFileName, AppendsUpperCaseExtensionUnlessPresent)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Shop", "Shop.QLS"},           {"x.qls", "x.qls"}, {"shop.mdb", "shop.mdb.QLS"}, {".qls", ".qls"},
        {"My Site.Qls", "My Site.Qls"},
    };
    for (auto [in, out] : cases)
        EXPECT_EQ(SiteFileName(in), out) << in;
}

TEST(CreateSiteFile, CopiesTheTemplateAndNeverOverwrites)
{
    test::TempDir dir;
    const std::string path = dir / "Club.QLS";
    ASSERT_TRUE(CreateSiteFile(test::ProgramFolder(), path).ok());
    EXPECT_EQ(test::ReadFile(path), test::ReadFile(BlankSitePath(test::ProgramFolder())));
    EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write)
        << "the site will hold the FTP password";

    test::WriteFile(path, "edited site");
    EXPECT_FALSE(CreateSiteFile(test::ProgramFolder(), path).ok());
    EXPECT_EQ(test::ReadFile(path), "edited site");

    const Status missingTemplate = CreateSiteFile(dir / "no-program/", dir / "Other.QLS");
    EXPECT_FALSE(missingTemplate.ok());
    EXPECT_FALSE(test::PathExists(dir / "Other.QLS"));
}

TEST(CreateSiteFile, ANewSiteIsModernUnlessClassicIsAskedFor)
{
    test::TempDir dir;
    const auto styleOf = [](const std::string& path) {
        auto db = store::Database::open(path);
        return ReadSiteStyle(*db).value().style;
    };
    ASSERT_TRUE(CreateSiteFile(test::ProgramFolder(), dir / "Plain.QLS").ok());
    EXPECT_EQ(styleOf(dir / "Plain.QLS"), PageStyle::Modern);
    ASSERT_TRUE(CreateSiteFile(test::ProgramFolder(), dir / "Old.QLS", PageStyle::Classic).ok());
    EXPECT_EQ(styleOf(dir / "Old.QLS"), PageStyle::Classic);
    ASSERT_TRUE(CreateSiteFile(test::ProgramFolder(), dir / "New.QLS", PageStyle::Modern).ok());
    EXPECT_EQ(test::ReadFile(dir / "New.QLS"), test::ReadFile(BlankSitePath(test::ProgramFolder())));
}

} // namespace
} // namespace qle::app
