// The sync decision, in memory: what is sent, left, deleted and cleaned up.
#include "publish/sync/SyncPlan.h"

#include <gtest/gtest.h>

namespace qle::publish {
namespace {

FileDigest Digest(char c, std::uint64_t size = 10)
{
    return {size, std::string(64, c)};
}

LocalFile File(const std::string& path, char c, std::uint64_t size = 10)
{
    return {"/web/" + path, path, Digest(c, size)};
}

std::vector<std::string> Paths(const std::vector<PlannedSend>& sends)
{
    std::vector<std::string> paths;
    for (const auto& send : sends)
        paths.push_back(send.file.path + (send.replace ? " (replace)" : ""));
    return paths;
}

std::vector<std::string> Paths(const std::vector<LocalFile>& files)
{
    std::vector<std::string> paths;
    for (const auto& file : files)
        paths.push_back(file.path);
    return paths;
}

using Strings = std::vector<std::string>;

TEST(SyncPlan, SendsOnlyWhatDiffersFromTheRecord)
{
    const PublishedRecord record = {
        {"index.htm", Digest('a')},
        {"articles/same.htm", Digest('b')},
        {"articles/edited.htm", Digest('c')},
        {"articles/resized.htm", Digest('d', 10)},
    };
    const std::vector<LocalFile> files = {
        File("index.htm", 'a'),           File("articles/same.htm", 'b'),
        File("articles/edited.htm", 'X'), File("articles/resized.htm", 'd', 11),
        File("articles/new.htm", 'e'),
    };
    const SyncPlan plan = PlanSync(files, record, nullptr, {});
    EXPECT_EQ(Paths(plan.send),
              (Strings {"articles/edited.htm (replace)", "articles/resized.htm (replace)", "articles/new.htm"}));
    EXPECT_EQ(Paths(plan.unchanged), (Strings {"index.htm", "articles/same.htm"}));
    EXPECT_EQ(plan.bytesToSend, 31u);
    EXPECT_TRUE(plan.remove.empty());

    const SyncPlan all = PlanSync(files, record, nullptr, {true, false});
    EXPECT_EQ(all.send.size(), files.size()) << "send everything again";
    EXPECT_TRUE(all.unchanged.empty());
    EXPECT_TRUE(all.send[0].replace);
}

TEST(SyncPlan, FirstPublishSendsEverythingAndReplacesOnlyWhatTheServerListed)
{
    const RemoteListing listing = {{"index.htm", 99}, {"notes.txt", 5}};
    const SyncPlan plan = PlanSync({File("index.htm", 'a'), File("articles/a.htm", 'b')}, {}, &listing, {});
    EXPECT_EQ(Paths(plan.send), (Strings {"index.htm (replace)", "articles/a.htm"}));
    EXPECT_TRUE(plan.remove.empty()) << "files the record does not list are never deleted";
}

TEST(SyncPlan, RemovesOnlyRecordedFilesThisRunDoesNotPut)
{
    const PublishedRecord record = {
        {"index.htm", Digest('a')},
        {"categories/cat-old.htm", Digest('b')},
        {"articles/art-9.htm", Digest('c')},
    };
    const RemoteListing listing = {
        {"index.htm", 10},        {"categories/cat-old.htm", 10},          {"articles/art-9.htm", 10},
        {"stats/counter.txt", 3}, {"articles/.quillon-part.art-1.htm", 4}, {".quillon-part.index.htm", 2},
    };
    const SyncPlan plan = PlanSync({File("index.htm", 'a'), File("articles/art-1.htm", 'x')}, record, &listing, {});
    EXPECT_EQ(plan.remove, (Strings {"articles/art-9.htm", "categories/cat-old.htm"}));
    EXPECT_FALSE(plan.removalsHeld);
    EXPECT_EQ(plan.cleanup, (Strings {".quillon-part.index.htm", "articles/.quillon-part.art-1.htm"}));
    EXPECT_EQ(TemporaryPathFor("images/My Photo.JPG"), "images/.quillon-part.My Photo.JPG");
    for (const char* name : {".quillon-part.", ".quillon-published", "index.htm"})
        EXPECT_FALSE(IsTemporaryName(name)) << name;
}

TEST(SyncPlan, LaterPutOfTheSamePathWins)
{
    const SyncPlan plan = PlanSync({File("a.htm", 'a'), File("b.htm", 'b'), File("a.htm", 'c')}, {}, nullptr, {});
    ASSERT_EQ(plan.send.size(), 2u);
    EXPECT_EQ(plan.send[0].file.path, "a.htm");
    EXPECT_EQ(plan.send[0].file.digest, Digest('c'));
}

TEST(SyncPlan, MassDeletionGuardAtItsBoundaries)
{
    const struct
    {
        std::size_t recorded;
        std::size_t deleted;
        bool held;
    } cases[] = {
        {40, 20, false},  // 20 is not more than 20
        {41, 21, true},   // more than half, and more than 20
        {42, 21, false},  // exactly half is not more than half
        {100, 21, false}, // a small share of a large site
        {21, 21, true},   // the whole site
        {10, 10, false},  // a small site may lose every page
    };
    for (const auto& c : cases) {
        PublishedRecord record;
        std::vector<LocalFile> files;
        for (std::size_t i = 0; i < c.recorded; ++i) {
            const std::string path = "p" + std::to_string(i) + ".htm";
            record[path] = Digest('a');
            if (i >= c.deleted)
                files.push_back(File(path, 'a'));
        }
        const bool expected = c.held;
        const SyncPlan plan = PlanSync(files, record, nullptr, {});
        EXPECT_EQ(plan.remove.size(), c.deleted);
        EXPECT_EQ(plan.removalsHeld, expected) << c.deleted << " of " << c.recorded;
        EXPECT_FALSE(PlanSync(files, record, nullptr, {false, true}).removalsHeld) << "allowed";
    }
}

TEST(SyncPlan, CheckAgainstTheListingDropsFilesChangedOnTheServer)
{
    const PublishedRecord record = {
        {"same.htm", Digest('a', 10)},
        {"edited.htm", Digest('b', 10)},
        {"gone.htm", Digest('c', 10)},
        {"unsized.htm", Digest('d', 10)},
    };
    const RemoteListing listing = {{"same.htm", 10}, {"edited.htm", 12}, {"unsized.htm", std::nullopt}};
    std::vector<std::string> changed;
    const PublishedRecord checked = CheckedAgainstListing(record, listing, changed);
    EXPECT_EQ(changed, (Strings {"edited.htm", "gone.htm"}));
    EXPECT_EQ(checked.size(), 2u);
    EXPECT_EQ(checked.count("unsized.htm"), 1u) << "a server that gives no size cannot contradict the record";
}

} // namespace
} // namespace qle::publish
