// Faults the sync once had, each against the web space in memory: a server that refuses renames,
// one that ignores the case of names, a record cut short, two publishes at once, and a listing
// with names that point elsewhere.
#include "publish/sync/PublishedRecord.h"
#include "publish/sync/SyncPlan.h"
#include "publish/sync/SyncRunner.h"
#include "publish/sync/SyncText.h"

#include "SyncFixture.h"

#include <atomic>
#include <future>
#include <gtest/gtest.h>

namespace qle::publish {
namespace {

using SyncFaults = test::SyncFixture;
using test::Fault;
using test::kSite;
using test::Step;

TEST_F(SyncFaults, ARefusedRenameNeverCostsTheLivePage)
{
    ASSERT_EQ(publish().failures, 0);
    // One rename refused, as a server refuses a name it will not take: the old page stays live.
    writePage("articles/art-2.htm", "article 2, edited");
    server.fault = test::FaultAt {Step::Rename, Fault::Refused};
    SyncReport report = publish();
    EXPECT_EQ(report.failures, 1) << output;
    EXPECT_EQ(server.files[kSite + "articles/art-2.htm"], "article 2") << output;
    EXPECT_EQ(server.count("DELE " + kSite + "articles/art-2.htm"), 0) << output;
    EXPECT_EQ(siteOnServer().count("articles/.quillon-part.art-2.htm"), 0u) << "the temporary is dropped";

    // A server that allows no rename at all: the file is sent straight onto its name, and the
    // closing line says so.
    server.fault.reset();
    server.renamesRefused = true;
    report = publish();
    EXPECT_EQ(report.failures, 0) << output;
    EXPECT_EQ(report.replacedInPlace, 1) << output;
    EXPECT_EQ(report.bytes, std::string("article 2, edited").size()) << "the refused temporary is not counted";
    EXPECT_EQ(siteOnServer(), test::FilesUnder(web)) << output;
    EXPECT_NE(SyncSummaryLine(report, 0).find("1 file replaced in place: the server allows no renames"),
              std::string::npos);
}

TEST_F(SyncFaults, ATakenNameIsTheOnlyReasonToDeleteBeforeARename)
{
    server.renameOntoFileRefused = true; // "553 the name exists"
    ASSERT_EQ(publish().failures, 0);
    writePage("articles/art-3.htm", "article 3, edited");
    EXPECT_EQ(publish().failures, 0) << output;
    EXPECT_EQ(siteOnServer(), test::FilesUnder(web)) << output;
    // The rename, refused because the name is taken; the old page removed; the rename again.
    const std::string rename = "RENAME " + kSite + "articles/.quillon-part.art-3.htm " + kSite + "articles/art-3.htm";
    std::vector<std::string> art3;
    std::copy_if(server.log.begin(), server.log.end(), std::back_inserter(art3),
                 [](const std::string& line) { return line.find("art-3") != std::string::npos; });
    EXPECT_EQ(art3, (std::vector<std::string> {"PUT " + kSite + "articles/.quillon-part.art-3.htm", rename,
                                               "DELE " + kSite + "articles/art-3.htm", rename}));
}

TEST_F(SyncFaults, ACaseInsensitiveServerKeepsAPictureRenamedOnlyInCase)
{
    server.caseInsensitive = true;
    writePage("images/Photo.JPG", "picture");
    ASSERT_EQ(publish().failures, 0);
    removePage("images/Photo.JPG");
    writePage("images/photo.jpg", "picture, smaller");
    EXPECT_EQ(publish().failures, 0) << output;
    const auto site = siteOnServer();
    const auto photo = std::find_if(site.begin(), site.end(), [](const auto& file) {
        return publish::AsciiLowerCase(file.first) == "images/photo.jpg";
    });
    ASSERT_NE(photo, site.end()) << output;
    EXPECT_EQ(photo->second, "picture, smaller");
    EXPECT_EQ(server.count("DELE"), 0) << output;
    EXPECT_EQ(publish().sent, 0) << output;
}

TEST_F(SyncFaults, ARecordCutShortOrdersNoDeletionAndForgetsNothing)
{
    writePage("articles/art-12.htm", "article 12");
    ASSERT_EQ(publish().failures, 0);
    // Someone else's file whose name starts a name of ours.
    server.files[kSite + "articles/art-1"] = "not ours";
    removePage("articles/art-5.htm");
    writePage("articles/art-6.htm", "article 6, edited");
    // The record's upload breaks off in the middle of a line (a kill, a dropped link).
    server.fault = test::FaultAt {Step::PutRecord, Fault::KilledAfter};
    server.cutAfter = "articles/art-1";
    (void)publish();
    server.fault.reset();
    server.killed = false;
    for (int run = 0; run < 2; ++run)
        EXPECT_EQ(publish().failures, 0) << output;
    auto expected = test::FilesUnder(web);
    expected["articles/art-1"] = "not ours";
    EXPECT_EQ(siteOnServer(), expected) << "art-5 deleted at last, the stranger's file kept\n" << output;
    EXPECT_EQ(server.count("PUT " + kSite + "articles/art-6.htm"), 0) << "no live page overwritten in place";
}

TEST_F(SyncFaults, ASecondPublishToTheSameDestinationWaitsItsTurn)
{
    ASSERT_EQ(publish().failures, 0);
    writePage("articles/art-1.htm", "edited");
    std::promise<void> sending;
    std::promise<void> release;
    auto released = release.get_future().share();
    std::atomic<bool> firstPut {true};
    server.beforeCall = [&](const std::string& line) {
        if (line.starts_with("PUT ") && firstPut.exchange(false)) {
            sending.set_value();
            released.wait();
        }
    };
    auto first = std::async(std::launch::async, [this] {
        test::FakeRemoteFs fs(server);
        EXPECT_TRUE(fs.connect().ok());
        return RunSync(job(), fs, {}, settings, {});
    });
    sending.get_future().wait();
    const auto before = server.log.size();
    const SyncReport second = publish();
    release.set_value();
    EXPECT_EQ(first.get().failures, 0);
    EXPECT_EQ(second.failures, 1);
    EXPECT_TRUE(said("Another publish to 127.0.0.1:21 (/www/site/) is running")) << output;
    EXPECT_LE(server.log.size(), before + 1) << "the second one touched nothing";
    EXPECT_EQ(siteOnServer(), test::FilesUnder(web));
}

TEST_F(SyncFaults, NamesInAListingThatPointElsewhereAreNeverUsed)
{
    ASSERT_EQ(publish().failures, 0);
    server.files["/www/other/.quillon-part.index.htm"] = "someone else's";
    server.extraNames = {"../../other/.quillon-part.index.htm", "..", "a\x01.quillon-part.b"};
    settings.verify = true; // the server's listing is read
    EXPECT_EQ(publish().failures, 0) << output;
    for (const auto& line : server.log)
        EXPECT_EQ(line.find(".."), std::string::npos) << line;
    EXPECT_EQ(server.files["/www/other/.quillon-part.index.htm"], "someone else's");
}

} // namespace
} // namespace qle::publish
