// Rebuilds write only what changed: whatever they keep, the web folder is what a full build makes.
#include "app/BaseFolderLock.h"
#include "app/Folders.h"
#include "app/SiteSchema.h"
#include "generator/BuiltFiles.h"
#include "generator/CommitJournal.h"
#include "generator/OutputSink.h"
#include "generator/RowSummary.h"
#include "generator/SiteBuildFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <random>
#include <set>
#include <sys/stat.h>

namespace qle::generator {
namespace {

using namespace test_support;
namespace fs = std::filesystem;

struct Identity
{
    ino_t inode = 0;
    std::int64_t mtimeNs = 0;
    bool operator==(const Identity&) const = default;
};

std::map<std::string, Identity> Identities(const std::string& folder)
{
    std::map<std::string, Identity> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        struct stat info
        {
        };
        if (entry.is_regular_file() && ::lstat(entry.path().c_str(), &info) == 0)
            files[fs::relative(entry.path(), folder).string()] = {
                info.st_ino, static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
    }
    return files;
}

class Rebuild : public SiteBuildTest
{
protected:
    std::string base() const { return m_dir / "base/"; }
    std::string web() const { return base() + "TempInternetFiles/"; }

    // The web folder must equal, file for file and byte for byte, a full build of the same site
    // into a fresh base folder; files whose bytes did not change keep their inode and time stamp,
    // and those that did are new files. Returns how many files were written anew.
    int expectRebuiltExactly(const std::string& site, const std::map<std::string, std::string>& before,
                             const std::map<std::string, Identity>& identitiesBefore, const std::string& what)
    {
        const std::string fresh = m_dir / ("fresh-" + std::to_string(++m_fresh) + "/");
        RecordingEditor full;
        EXPECT_TRUE(build(site, fresh, &full).ok()) << what;
        EXPECT_EQ(m_warnings, full.warnings) << what << ": a rebuild warns of what a full build warns of";
        const auto after = Tree(web());
        EXPECT_EQ(after, Tree(fresh + "TempInternetFiles/")) << what;
        const auto identities = Identities(web());
        int rewritten = 0;
        for (const auto& [path, bytes] : after) {
            const auto old = before.find(path);
            if (old == before.end())
                continue;
            if (old->second == bytes) {
                EXPECT_EQ(identities.at(path), identitiesBefore.at(path)) << what << ": " << path << " was rewritten";
            } else {
                EXPECT_NE(identities.at(path).inode, identitiesBefore.at(path).inode) << what << ": " << path;
                ++rewritten;
            }
        }
        return rewritten;
    }

    struct Edit
    {
        const char* edit;
        std::function<void()> make;
        bool changesFiles;
    };

    // Makes each edit, rebuilds into the same base folder and checks the result (expectRebuiltExactly).
    void rebuildAfterEach(const std::string& site, const std::vector<Edit>& edits)
    {
        for (const Edit& row : edits) {
            const auto before = Tree(web());
            const auto identities = Identities(web());
            row.make();
            RecordingEditor rebuilt;
            ASSERT_TRUE(build(site, base(), &rebuilt).ok()) << row.edit;
            m_warnings = rebuilt.warnings;
            const int rewritten = expectRebuiltExactly(site, before, identities, row.edit);
            EXPECT_EQ(rewritten > 0, row.changesFiles) << row.edit << ": " << rewritten << " files rewritten";
        }
    }

    int m_fresh = 0;
    std::vector<std::string> m_warnings; // of the last rebuild
};

TEST_F(Rebuild, EveryEditChangesExactlyTheFilesWhoseBytesChange)
{
    const std::string site = fixtureSite();
    ASSERT_TRUE(build(site, base()).ok());
    rebuildAfterEach(
        site,
        {
            {"a main text", [&] { sql(site, "UPDATE Articles SET Body = 'A new body' WHERE ArtID = 3"); }, true},
            {"a title", [&] { sql(site, "UPDATE Articles SET Title = 'Renamed story' WHERE ArtID = 5"); }, true},
            {"a category renamed", [&] { sql(site, "UPDATE Articles SET Category = 'Telly' WHERE Category = 'TV'"); },
             true},
            {"a section renamed: the sections list of every page of its category",
             [&] { sql(site, "UPDATE Articles SET Section = 'Athletics' WHERE Section = 'Sport'"); }, true},
            {"a title shown only in lists", [&] { sql(site, "UPDATE Articles SET Para = 'New para' WHERE ArtID = 6"); },
             true},
            {"a page added",
             [&] {
                 add(site, {"Garden", "Trees", "Oak", "p", "b", picture("oak.gif", "GIF89a OAK"), {}});
             },
             true},
            {"a page deleted, and with it its category",
             [&] { sql(site, "DELETE FROM Articles WHERE Category = 'Games'"); }, true},
            {"a colour", [&] { sql(site, "UPDATE Options SET CatPanel0 = 'Red'"); }, true},
            {"the banner",
             [&] { sql(site, "UPDATE Options SET Banner = ?", {picture("banner2.gif", "GIF89a NEWBAN")}); }, true},
            {"the homepage", [&] { sql(site, "UPDATE Options SET homepage = 3, homepage_title = 'Story 3'"); }, false},
            {"a publishing setting", [&] { sql(site, "UPDATE Options SET Ftp_Destination = '/www/'"); }, false},
            {"a picture replaced by one of the same size", [&] { picture("p7.gif", "GIF87a7"); }, true},
            {"an Options field of the article pages", [&] { sql(site, "UPDATE Options SET DetPanel1 = 'Green'"); },
             true},
            {"an Options field no page shows", [&] { sql(site, "UPDATE Options SET Cat_Art_Limit = 2"); }, false},
            {"nothing", [] {}, false},
        });
    EXPECT_EQ(Tree(web()).count("categories/cat-games.htm"), 0u) << "a removed category's page goes";
    EXPECT_EQ(Tree(web()).at("images/p7.gif"), "GIF87a7");
}

// A rebuild reads only the articles the site file's log names as changed since the last build;
// whatever is done to the file, its log or its triggers, it never makes less than a full build.
TEST_F(Rebuild, WhateverHappensToTheSiteFileItsLogMissesNoChange)
{
    const std::string site = fixtureSite();
    ASSERT_TRUE(build(site, base()).ok());
    const std::string older = m_dir / "older.qls";
    const auto keepOlderCopy = [&] { fs::copy_file(site, older, fs::copy_options::overwrite_existing); };
    const auto putBackOlderCopy = [&] { fs::copy_file(older, site, fs::copy_options::overwrite_existing); };
    const auto dropTriggers = [&] {
        for (const app::ChangeLogTrigger& trigger : app::kChangeLogTriggers)
            sql(site, "DROP TRIGGER " + std::string(trigger.name));
    };
    const auto upgrade = [&] {
        ASSERT_TRUE(app::UpgradeSiteFile(site, app::TemplateSitePath(test::ProgramFolder())).ok());
    };
    // Each row that tampers with the log follows a rebuild that could read it.
    rebuildAfterEach(
        site,
        {
            {"a category's letter case changed in one article",
             [&] { sql(site, "UPDATE Articles SET Category = 'tv' WHERE ArtID = 1"); }, true},
            {"a category's letter case changed in all", [&] { sql(site, "UPDATE Articles SET Category = 'Tv'"); },
             true},
            {"an article moved to another category and section",
             [&] { sql(site, "UPDATE Articles SET Category = 'Sport', Section = 'Tennis' WHERE ArtID = 9"); }, true},
            {"the last article of a section deleted", [&] { sql(site, "DELETE FROM Articles WHERE ArtID = 9"); }, true},
            {"an ArtID changed", [&] { sql(site, "UPDATE Articles SET ArtID = 100 WHERE ArtID = 10"); }, true},
            {"a rolled-back change",
             [&] {
                 auto db = store::Database::open(site);
                 store::Database::Transaction changing(*db);
                 ASSERT_TRUE(changing.begin().ok());
                 ASSERT_TRUE(db->execute("UPDATE Articles SET Title = 'Never' WHERE ArtID = 4").ok());
             },
             false},
            {"a main text edited after a copy of the site file was kept",
             [&] {
                 keepOlderCopy();
                 sql(site, "UPDATE Articles SET Body = 'Newer' WHERE ArtID = 11");
             },
             true},
            {"the older copy put back and edited past where the last build read the log",
             [&] {
                 putBackOlderCopy();
                 for (int i = 0; i < 5; ++i)
                     sql(site, "UPDATE Articles SET Para = Para || '.' WHERE ArtID = 5");
             },
             true},
            {"the triggers dropped, an edit, the triggers made again",
             [&] {
                 dropTriggers();
                 sql(site, "UPDATE Articles SET Title = 'Unlogged' WHERE ArtID = 7");
                 upgrade();
             },
             true},
            {"an edit, then its row removed from the log's end",
             [&] {
                 sql(site, "UPDATE Articles SET Body = 'Unlogged' WHERE ArtID = 12");
                 sql(site, "DELETE FROM Article_Changes WHERE Seq = (SELECT max(Seq) FROM Article_Changes)");
             },
             true},
            {"a main text", [&] { sql(site, "UPDATE Articles SET Body = 'Logged' WHERE ArtID = 12"); }, true},
            {"an edit whose log row is removed, then another edit",
             [&] {
                 sql(site, "UPDATE Articles SET Body = 'Gap' WHERE ArtID = 6");
                 sql(site, "DELETE FROM Article_Changes WHERE ArtID = 6");
                 sql(site, "UPDATE Articles SET Body = 'After the gap' WHERE ArtID = 8");
             },
             true},
            {"the first copy put back", putBackOlderCopy, true},
            {"the log emptied, then an edit",
             [&] {
                 sql(site, "DELETE FROM Article_Changes");
                 sql(site, "UPDATE Articles SET Body = 'After emptying' WHERE ArtID = 6");
             },
             true},
            {"the triggers dropped, then an edit",
             [&] {
                 dropTriggers();
                 sql(site, "UPDATE Articles SET Title = 'Unlogged again' WHERE ArtID = 7");
             },
             true},
            {"the triggers made again, then an edit",
             [&] {
                 upgrade();
                 sql(site, "UPDATE Articles SET Title = 'Logged' WHERE ArtID = 7");
             },
             true},
            {"one more edit", [&] { sql(site, "UPDATE Articles SET Body = 'Last' WHERE ArtID = 8"); }, true},
        });
}

// The log is what a rebuild goes by: a change it does not name is not read, and `--all` reads
// everything again.
TEST_F(Rebuild, ARebuildReadsOnlyTheArticlesTheLogNames)
{
    const std::string site = fixtureSite();
    ASSERT_TRUE(build(site, base()).ok());
    sql(site, "UPDATE Articles SET Body = 'Changed behind the log' WHERE ArtID = 3");
    sql(site, "UPDATE Article_Changes SET ArtID = 4 WHERE ArtID = 3");
    ASSERT_TRUE(build(site, base()).ok());
    EXPECT_EQ(Tree(web()).at("articles/art-3.htm").find("Changed behind the log"), std::string::npos);
    ASSERT_TRUE(CreateWebSite(site, web(), nullptr, Rewrite::All).ok());
    EXPECT_NE(Tree(web()).at("articles/art-3.htm").find("Changed behind the log"), std::string::npos);
}

// A Modern page shows its pictures' sizes and the site's address (its feed): changing them changes
// no row, only what the pages are made from besides.
TEST_F(Rebuild, ModernPagesFollowTheirPicturesSizesAndTheSiteAddress)
{
    const std::string site = fixtureSite();
    const auto gif = [](int width, char tail) {
        return std::string("GIF89a") + static_cast<char>(width) + '\0' + static_cast<char>(width) + '\0' + tail;
    };
    sql(site, "UPDATE Options SET Page_Style = 'Modern', Your_Homepage = ''");
    sql(site, "UPDATE Articles SET Image = ? WHERE ArtID = 2", {picture("sized.gif", gif(10, 'a'))});
    ASSERT_TRUE(build(site, base()).ok());
    rebuildAfterEach(
        site,
        {
            {"a picture replaced by one of the same file size and another width",
             [&] { picture("sized.gif", gif(20, 'a')); }, true},
            {"the banner replaced by one of another width", [&] { picture("banner.gif", gif(30, 'b')); }, true},
            // GIF pictures are copied as they are, whatever the width; and without an address there is no
            // feed yet, whose date follows the site file's.
            {"the largest picture width", [&] { sql(site, "UPDATE Options SET Picture_Max_Width = 800"); }, false},
            {"the site's address given",
             [&] { sql(site, "UPDATE Options SET Your_Homepage = 'https://example.org/'"); }, true},
        });
    EXPECT_NE(Tree(web()).at("articles/art-2.htm").find("width=\"20\" height=\"20\""), std::string::npos);
}

// Pages whose rows, lists and site are unchanged are not made again at all: a rebuild makes only
// the pages an edit reaches.
TEST_F(Rebuild, OnlyThePagesAnEditReachesAreMadeAgain)
{
    const std::string site = fixtureSite();
    ASSERT_TRUE(build(site, base()).ok());
    struct Made
    {
        std::size_t pages = 0, made = 0;
    };
    // Makes the site as a rebuild would, aside, and counts the pages it could not keep.
    const auto probe = [&] {
        const BuiltFiles last = BuiltFiles::load(base());
        const std::string staging = m_dir / "probe/";
        fs::remove_all(staging);
        for (const char* folder : kPageFolders)
            fs::create_directories(staging + folder);
        DiskSink sink(staging);
        sink.keepUnchanged(last, web());
        auto db = store::Database::open(site);
        std::vector<std::string> warnings;
        RowSummary lastRows = RowSummary::load(base());
        EXPECT_TRUE(lastRows.position) << "the last build's summary of the site file";
        EXPECT_TRUE(
            BuildPages(*db, sink, warnings, {app::LocalImagesFolder(base()), base() + kPictureCacheFolder, &lastRows})
                .ok());
        Made made;
        for (const auto& [path, file] : sink.builtFiles().files()) {
            made.pages += path.ends_with(".htm");
        }
        made.made = made.pages - sink.keptPages();
        return made;
    };
    struct Row
    {
        const char* edit;
        std::function<void()> make;
        std::function<std::size_t(const Made&)> expected;
    };
    const Row rows[] = {
        {"nothing", [] {}, [](const Made&) { return 0u; }},
        {"a main text: its page alone", [&] { sql(site, "UPDATE Articles SET Body = 'Other' WHERE ArtID = 3"); },
         [](const Made&) { return 1u; }},
        {"a title: its page and the lists of its category and section",
         [&] { sql(site, "UPDATE Articles SET Title = 'Other' WHERE ArtID = 3"); }, [](const Made&) { return 3u; }},
        {"a picture file: the pages that show it", [&] { picture("p9.gif", "GIF89a 9 is longer now"); },
         [](const Made&) { return 3u; }},
        {"a page colour: every page, as any Options field a page may read",
         [&] { sql(site, "UPDATE Options SET CatPanel1 = 'Grey'"); }, [](const Made& m) { return m.pages; }},
        {"the banner: every page",
         [&] { sql(site, "UPDATE Options SET Banner = ?", {picture("b2.gif", "GIF89a B2")}); },
         [](const Made& m) { return m.pages; }},
    };
    for (const Row& row : rows) {
        row.make();
        const Made made = probe();
        EXPECT_EQ(made.made, row.expected(made)) << row.edit << " (" << made.pages << " pages)";
        ASSERT_TRUE(build(site, base()).ok()) << row.edit;
    }
}

TEST_F(Rebuild, WhatTheListCannotVouchForIsWrittenAgain)
{
    const std::string site = fixtureSite();
    ASSERT_TRUE(build(site, base()).ok());
    const std::string page = web() + "articles/art-2.htm";
    const std::string built = test::ReadFile(page);

    struct Row
    {
        const char* change;
        std::function<void()> make;
    };
    const Row rows[] = {
        // In place: same inode, another size or time stamp.
        {"edited by hand", [&] { test::WriteFile(page, "edited by hand"); }},
        {"edited by hand to the same size",
         [&] {
             std::string same = built;
             same[same.size() / 2] = '#';
             test::WriteFile(page, same);
         }},
        // The same bytes under another inode: a file the list does not know.
        {"replaced by a copy", [&] { fs::copy_file(page, page + ".copy"), fs::rename(page + ".copy", page); }},
        {"removed", [&] { fs::remove(page); }},
        {"the list lost", [&] { fs::remove(base() + kBuiltFilesFileName); }},
        {"the list cut short",
         [&] {
             const std::string list = test::ReadFile(base() + kBuiltFilesFileName);
             test::WriteFile(base() + kBuiltFilesFileName, list.substr(0, list.size() / 2));
         }},
    };
    for (const Row& row : rows) {
        row.make();
        ASSERT_TRUE(build(site, base()).ok()) << row.change;
        EXPECT_EQ(test::ReadFile(page), built) << row.change;
    }
    ASSERT_TRUE(build(site, m_dir / "fresh/").ok());
    EXPECT_EQ(Tree(web()), Tree(m_dir / "fresh/TempInternetFiles/"));
}

TEST_F(Rebuild, AStyleSwitchOrRewriteAllWritesEveryPage)
{
    const std::string site = fixtureSite();
    ASSERT_TRUE(build(site, base()).ok());
    struct Row
    {
        const char* what;
        std::function<Status()> rebuild;
    };
    const Row rows[] = {
        {"rewrite all", [&] { return CreateWebSite(site, web(), nullptr, Rewrite::All); }},
        {"the style switched",
         [&] {
             sql(site, "UPDATE Options SET Page_Style = 'Modern'");
             return CreateWebSite(site, web());
         }},
    };
    for (const Row& row : rows) {
        const auto before = Identities(web());
        ASSERT_TRUE(row.rebuild().ok()) << row.what;
        int pages = 0;
        for (const auto& [path, identity] : Identities(web())) {
            if (path.ends_with(".htm") && before.count(path)) {
                EXPECT_NE(identity.inode, before.at(path).inode) << row.what << ": " << path;
                ++pages;
            }
        }
        EXPECT_GT(pages, 20) << row.what;
    }
}

// A rebuild killed at each step leaves the old site or the new one (once the next build's start
// has finished a commit whose journal was written); the next rebuild, whatever the list then
// says, makes exactly what a full build makes.
TEST_F(Rebuild, AKilledRebuildLeavesTheOldOrNewSiteAndTheNextOneIsExact)
{
    const std::string site = fixtureSite();
    ASSERT_TRUE(build(site, base()).ok());
    // The article page goes before its category's, so a kill after the first rename leaves the two
    // disagreeing until the journal is finished.
    sql(site, "UPDATE Articles SET Title = 'Renamed' WHERE ArtID = 1");
    ASSERT_TRUE(build(site, base()).ok());
    struct Row
    {
        const char* step;
        bool newAtOnce; // the web folder holds the new site as the kill leaves it
        bool newAtLast; // ... once the next build's start finished the commit
    };
    const Row rows[] = {
        {"written", false, false}, {"journaled", false, true}, {"renamed", false, true},
        {"swapped", true, true},   {"listed", true, true},
    };
    int edit = 0;
    for (const Row& row : rows) {
        const auto old = Tree(web());
        ++edit;
        sql(site, "UPDATE Articles SET Title = ? WHERE ArtID = 1", {"Title " + std::to_string(edit)});
        static std::string s_step;
        s_step = row.step;
        ASSERT_TRUE(BuildKilled([&] { (void)CreateWebSite(site, web()); },
                                [] {
                                    SetBuildStepHookForTesting([](const char* at) {
                                        if (s_step == at)
                                            ::raise(SIGKILL);
                                    });
                                }))
            << row.step;
        const std::string fresh = m_dir / ("fresh-" + std::string(row.step) + "/");
        ASSERT_TRUE(build(site, fresh).ok());
        const auto full = Tree(fresh + "TempInternetFiles/");
        if (row.newAtOnce || !row.newAtLast)
            EXPECT_EQ(Tree(web()), row.newAtOnce ? full : old) << row.step;
        else
            EXPECT_NE(Tree(web()), full) << row.step << ": the kill came before the commit ended";
        {
            // An upload holds the base folder as the program starts: the next build finishes it.
            auto upload = app::BaseFolderLock::acquire(base(), app::BaseFolderLock::Mode::Upload);
            ASSERT_TRUE(upload) << upload.status().message();
            const auto left = Tree(web());
            ASSERT_TRUE(FinishStoppedBuild(web()).ok()) << row.step;
            EXPECT_EQ(Tree(web()), left) << row.step;
        }
        ASSERT_TRUE(FinishStoppedBuild(web()).ok()) << row.step; // as the program's start does
        EXPECT_EQ(Tree(web()), row.newAtLast ? full : old) << row.step;
        EXPECT_FALSE(fs::exists(base() + kCommitJournalFileName)) << row.step;

        // Another edit, then a rebuild: exactly a full build's site.
        sql(site, "UPDATE Articles SET Body = ? WHERE ArtID = 2", {"body " + std::to_string(edit)});
        ASSERT_TRUE(build(site, base()).ok()) << row.step;
        ASSERT_TRUE(build(site, fresh + "again/").ok());
        EXPECT_EQ(Tree(web()), Tree(fresh + "again/TempInternetFiles/")) << row.step;
    }
}

// A rebuild removes what was put into its page folders by hand and what it no longer makes, keeps
// the author's own files beside them, and warns of paths that differ from a built one only in
// letter case, as a full build does.
TEST_F(Rebuild, ACommitRemovesStrayFilesKeepsTheAuthorsAndWarnsOfCaseClashes)
{
    const std::string site = fixtureSite();
    ASSERT_TRUE(build(site, base()).ok());
    // Named before, between and after the built pages, and a folder.
    const char* stray[] = {"articles/0.htm",       "articles/art-1.htm.bak",    "articles/zzz.htm",
                           "categories/cat-tv.ht", "sections/made/by-hand.htm", "images/BANNER.gif"};
    for (const char* path : stray) {
        fs::create_directories(fs::path(web() + path).parent_path());
        test::WriteFile(web() + path, "by hand");
    }
    const char* authors[] = {"mine/notes.txt", "Images/banner.gif"};
    for (const char* path : authors) {
        fs::create_directories(fs::path(web() + path).parent_path());
        test::WriteFile(web() + path, "the author's");
    }
    sql(site, "UPDATE Articles SET Title = 'Edited' WHERE ArtID = 1");
    RecordingEditor rebuilt;
    ASSERT_TRUE(build(site, base(), &rebuilt).ok());

    for (const char* path : stray)
        EXPECT_FALSE(fs::exists(web() + path)) << path;
    EXPECT_FALSE(fs::exists(web() + "sections/made"));
    auto tree = Tree(web());
    for (const char* path : authors) {
        EXPECT_EQ(tree[path], "the author's") << path;
        tree.erase(path);
    }
    ASSERT_TRUE(build(site, m_dir / "fresh/").ok());
    EXPECT_EQ(tree, Tree(m_dir / "fresh/TempInternetFiles/"));
    std::vector<std::string> clashes;
    std::copy_if(rebuilt.warnings.begin(), rebuilt.warnings.end(), std::back_inserter(clashes),
                 [](const std::string& warning) { return warning.find("letter case") != std::string::npos; });
    EXPECT_EQ(clashes, std::vector<std::string>({"The files Images/banner.gif and images/banner.gif differ only in "
                                                 "letter case: a server that ignores case keeps only one of them."}));
}

// Stale files are found by matching a folder's names against the list's run of paths for that
// folder; paths of neighbouring folders, and names that only begin like a listed one, never match.
TEST(CommitChecks, StaleFilesAreWhatTheListDoesNotNameInThePageFolders)
{
    test::TempDir dir;
    const std::string web = dir / "web/";
    const std::vector<std::string_view> listed = {
        "articles-old/b.htm", "articles/a.htm", "articles/b.htm", "articles0/c.htm", "articles0c.htm",
        "categories/cat.htm", "feed.xml",       "images/a.htm",   "index.htm",
    };
    ASSERT_TRUE(std::is_sorted(listed.begin(), listed.end()));
    const char* present[] = {
        "articles/a.htm",   "articles/b.htm",   "articles/b.ht",      "articles/b.htm0",      "articles/c.htm",
        "articles/cat.htm", "categories/a.htm", "categories/cat.htm", "images/made/deep.htm", "feed.xml",
        "sitemap.xml",      "index.htm",        "notes.txt"};
    for (const char* path : present) {
        fs::create_directories(fs::path(web + path).parent_path());
        test::WriteFile(web + path, "x");
    }
    // No sections folder at all: nothing in it is stale.
    std::vector<std::string> stale = StaleFiles(web, ListPageFolders(web), listed);
    std::sort(stale.begin(), stale.end());
    EXPECT_EQ(stale, std::vector<std::string>({"articles/b.ht", "articles/b.htm0", "articles/c.htm", "articles/cat.htm",
                                               "categories/a.htm", "images/made", "sitemap.xml"}));
}

// The letter-case check looks only at paths with capitals and the lower-case paths they fold to;
// it must find exactly the groups that comparing every path with every other finds, wherever the
// members are (the build's list or the author's files) and however often a path is named.
TEST(CommitChecks, CaseClashesAreThoseOfComparingEveryPath)
{
    const auto everyPath = [](const std::vector<std::string>& paths) {
        std::map<std::string, std::set<std::string>> groups;
        for (const std::string& path : paths) {
            std::string folded = path;
            std::transform(folded.begin(), folded.end(), folded.begin(),
                           [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
            groups[folded].insert(path);
        }
        std::vector<std::string> warnings;
        for (const auto& [folded, group] : groups)
            if (group.size() > 1)
                warnings.push_back(CaseClashWarning(group));
        return warnings;
    };
    std::mt19937 random(20);
    const std::string letters = "aAbB/\xc3\xa9\xc3\x89";
    int clashing = 0;
    for (int round = 0; round < 300; ++round) {
        std::set<std::string> listedSet;
        std::vector<std::string> others, all;
        for (int n = random() % 12; n > 0; --n) {
            std::string path;
            for (int length = 1 + random() % 3; length > 0; --length)
                path += letters[random() % letters.size()];
            if (random() % 2) {
                listedSet.insert(path);
                all.push_back(path);
            } else {
                others.push_back(path);
            }
            if (random() % 5 == 0)
                others.push_back(path); // named twice, or by both
        }
        all.insert(all.end(), others.begin(), others.end());
        const std::vector<std::string_view> listed(listedSet.begin(), listedSet.end());
        const auto expected = everyPath(all);
        clashing += !expected.empty();
        EXPECT_EQ(CaseClashes(listed, others), expected) << round;
    }
    EXPECT_GT(clashing, 20); // the rounds do test clashes
}

// A journal left by a stopped commit is carried out as it stands, whatever the names hold, and a
// journal that cannot be read is dropped without touching the web folder.
TEST(CommitJournalFile, IsFinishedAsWrittenOrDroppedWhole)
{
    test::TempDir dir;
    const std::string base = dir / "", staging = dir / "staged/", web = dir / "web/";
    struct Row
    {
        const char* journal;
        std::string renamed; // the file that ends in the web folder, empty: none
        bool staleRemoved;
    };
    const std::string odd = "articles/100% \nodd.htm";
    const Row rows[] = {
        {"quillon-commit 1\nR articles/100%25 %0Aodd.htm\nD articles/stale.htm\n", odd, true},
        {"quillon-commit 1\nR articles/new/deeper.htm\n", "articles/new/deeper.htm", false},
        {"quillon-commit 2\nR articles/100%25 %0Aodd.htm\nD articles/stale.htm\n", "", false},
        {"quillon-commit 1\nX articles/stale.htm\n", "", false},
    };
    for (const Row& row : rows) {
        fs::remove_all(staging), fs::remove_all(web);
        fs::create_directories(staging + "articles/new"), fs::create_directories(web + "articles");
        test::WriteFile(staging + odd, "new");
        test::WriteFile(staging + "articles/new/deeper.htm", "new");
        test::WriteFile(web + "articles/stale.htm", "old");
        test::WriteFile(base + kCommitJournalFileName, row.journal);
        ASSERT_TRUE(FinishCommit(base, staging, web).ok()) << row.journal;
        EXPECT_FALSE(fs::exists(base + kCommitJournalFileName)) << row.journal;
        if (!row.renamed.empty()) {
            EXPECT_EQ(test::ReadFile(web + row.renamed), "new") << row.journal;
        }
        EXPECT_EQ(fs::exists(web + odd), row.renamed == odd) << row.journal;
        EXPECT_EQ(fs::exists(web + "articles/stale.htm"), !row.staleRemoved) << row.journal;
    }
    EXPECT_TRUE(FinishCommit(base, staging, web).ok()) << "no journal: nothing to finish";
}

TEST(BuiltFilesList, ReadsBackWhatItWroteAndTrustsNoDamagedLine)
{
    BuiltFiles list;
    list.put("articles/art-1.htm",
             {12, std::string(64, 'a'), 1'700'000'000'123'456'789, 42, -1, -1, std::string(32, 'f'), {"/p/b.gif"}});
    list.put("articles/art-2.htm",
             {13, std::string(64, 'a'), 1, 44, -1, -1, std::string(32, 'e'), {"/p/a b.gif", "/p/b.gif", "/p/a b.gif"}});
    list.put("articles/art-3.htm", {14, std::string(64, 'a'), 1, 45, -1, -1, std::string(32, 'd'), {}});
    list.put("images/Tom's #1 100%.gif", {7, std::string(64, 'b'), 5, 43, 7, 1'600'000'000'000'000'001});
    list.put("bad\nname.htm", {1, std::string(64, 'c'), 1, 1, -1, -1});
    list.put("articles/art-4.htm",
             {15, std::string(64, 'a'), 1, 46, -1, -1, std::string(32, 'c'), {"/p/new\nline.gif"}});
    const BuiltFiles read = BuiltFiles::parse(list.text());
    EXPECT_EQ(read.size(), 5u) << "a name with a line end is not listed";
    for (const char* path :
         {"articles/art-1.htm", "articles/art-2.htm", "articles/art-3.htm", "images/Tom's #1 100%.gif"})
        EXPECT_EQ(*read.find(path), *list.find(path)) << path;
    // A page showing a picture whose name cannot be listed is listed as a file only: it is made again.
    EXPECT_EQ(read.find("articles/art-4.htm")->inputs, "");
    EXPECT_EQ(read.find("articles/art-4.htm")->sha256, list.find("articles/art-4.htm")->sha256);

    const std::string text = list.text();
    const std::string digest(64, 'a'), inputs(32, 'f');
    struct Row
    {
        const char* damage;
        std::string text;
        std::size_t entries;
    };
    const Row rows[] = {
        {"another format", "quillon-built-files 1\n" + text.substr(text.find('\n') + 1), 0},
        {"no first line", text.substr(text.find('\n') + 1), 0},
        {"cut in the last line", text.substr(0, text.size() - 3), 4},
        {"a short digest", "quillon-built-files 2\n12 abc 1 2 -1 -1 - - a.htm\n", 0},
        {"a word for a number", "quillon-built-files 2\nx " + digest + " 1 2 -1 -1 - - a.htm\n", 0},
        {"no path", "quillon-built-files 2\n1 " + digest + " 1 2 -1 -1 - - \n", 0},
        {"a short input hash", "quillon-built-files 2\n1 " + digest + " 1 2 -1 -1 abc - a.htm\n", 0},
        {"a picture not listed",
         "quillon-built-files 2\n@/p.gif\n1 " + digest + " 1 2 -1 -1 " + inputs + " 0,1 a.htm\n", 0},
        {"a picture listed", "quillon-built-files 2\n@/p.gif\n1 " + digest + " 1 2 -1 -1 " + inputs + " 0,0 a.htm\n",
         1},
        {"a stray comma", "quillon-built-files 2\n@/p.gif\n1 " + digest + " 1 2 -1 -1 " + inputs + " 0, a.htm\n", 0},
    };
    for (const Row& row : rows)
        EXPECT_EQ(BuiltFiles::parse(row.text).size(), row.entries) << row.damage;
}

// The next list takes most entries from the last one by reference; whichever way an entry came,
// of two puts of one path the later wins and a listed entry not put again is gone.
TEST(BuiltFilesList, TheLaterOfTwoPutsOfAPathWinsHoweverTheyCame)
{
    const auto file = [](std::uint64_t size) {
        BuiltFile f;
        f.size = size;
        f.sha256 = std::string(64, 'a');
        f.inputs = std::string(32, 'b');
        return f;
    };
    BuiltFiles last;
    for (const char* path : {"a.htm", "b.htm", "c.htm", "d.htm", "e.htm"})
        last.put(path, file(1));
    (void)last.files();

    BuiltFiles next;
    next.put("b.htm", file(2));
    next.putListed(last, "b.htm", *last.find("b.htm")); // kept after being written: the old one
    next.putListed(last, "c.htm", *last.find("c.htm"));
    next.put("c.htm", file(3)); // written after being kept: the new one
    next.put("z.htm", file(4));
    next.putListed(last, "e.htm", *last.find("e.htm"));
    next.put("0.htm", file(5));
    BuiltFile copy = *last.find("a.htm");
    next.putListed(last, "a.htm", copy); // not an entry of the list: copied
    EXPECT_EQ(next.size(), 6u) << "d.htm was not put";
    EXPECT_EQ(next.find("b.htm")->size, 1u);
    EXPECT_EQ(next.find("c.htm")->size, 3u);
    EXPECT_EQ(next.find("e.htm")->size, 1u);
    EXPECT_EQ(next.find("a.htm")->size, 1u);
    EXPECT_EQ(next.find("d.htm"), nullptr);
    std::vector<std::string> paths;
    for (const auto& [path, f] : next.files())
        paths.push_back(path);
    EXPECT_EQ(paths, (std::vector<std::string> {"0.htm", "a.htm", "b.htm", "c.htm", "e.htm", "z.htm"}));

    // Puts after the list was read go over what it holds.
    next.putListed(last, "d.htm", *last.find("d.htm"));
    next.put("z.htm", file(6));
    EXPECT_EQ(next.size(), 7u);
    EXPECT_EQ(next.find("z.htm")->size, 6u);
    EXPECT_EQ(BuiltFiles::parse(next.text()), next);
}

TEST(RowSummaryFile, ReadsBackWhatItWroteAndVouchesForNothingDamaged)
{
    RowSummary summary;
    summary.sitePath = "/home/a/My site.qls";
    summary.position = LogPosition {42, "0A1B2C3D4E5F6071", 7};
    summary.siteInputs = std::string(32, 'e');
    summary.articles[1] = {"News", std::nullopt, "Tom's 12: \"odd\"\nline", std::string(32, 'a')};
    summary.articles[2] = {std::nullopt, "", "", std::string(32, 'b')};
    summary.lists[ListKey("News", nullptr)] = std::string(32, 'c');
    const store::Value section = "Sport";
    summary.lists[ListKey("News", &section)] = std::string(32, 'd');
    summary.panels["News"] = "<ul>\r\n<li>Sport</li>\r\n</ul>";
    const std::string text = summary.text();
    EXPECT_EQ(RowSummary::parse(text), summary);

    std::string flipped = text;
    flipped[flipped.size() / 2] ^= 1;
    for (const std::string& damaged : {text.substr(0, text.size() - 1), text.substr(0, text.size() / 2), flipped,
                                       std::string(), "quillon-rows 2" + text.substr(text.find('\n'))})
        EXPECT_FALSE(RowSummary::parse(damaged).position) << damaged.size();
}

} // namespace
} // namespace qle::generator
