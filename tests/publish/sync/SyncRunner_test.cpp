// Carrying out a sync against a web space in memory: what reaches the server, in which order,
// and what survives failures and interruptions.
#include "app/Sha256.h"
#include "publish/sync/SyncRunner.h"
#include "publish/sync/SyncText.h"

#include "SyncFixture.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace qle::publish {
namespace {

using SyncTest = test::SyncFixture;
using test::kSite;

const std::string kRecordCommit = "RENAME " + kSite + TemporaryPathFor(kRecordFileName) + " " + kSite + kRecordFileName;

TEST_F(SyncTest, FirstPublishSendsEverythingAndTheRecordLast)
{
    const SyncReport report = publish();
    EXPECT_EQ(report.sent, 9) << output;
    EXPECT_EQ(report.failures, 0);
    EXPECT_EQ(report.bytes, 68u);
    EXPECT_EQ(lastProgress.filesDone, 9);
    EXPECT_EQ(lastProgress.filesToSend, 9);
    EXPECT_EQ(lastProgress.bytesDone, 68u);
    EXPECT_EQ(lastProgress.bytesToSend, 68u);
    EXPECT_EQ(report.connectionsUsed, 4);
    EXPECT_EQ(server.mostConnections, 4);
    EXPECT_EQ(siteOnServer(), test::FilesUnder(web));
    EXPECT_EQ(server.log.back(), kRecordCommit) << "the record last, renamed into place whole";
    EXPECT_EQ(server.count("RENAME"), 1) << "new files go straight to their names";
    EXPECT_LT(logIndex("MKD /www/site/articles"), logIndex("PUT /www/site/articles/art-1.htm"));
    EXPECT_NE(logIndex("MKD /www/site/images"), std::string::npos) << "a first publish makes every folder";
    const ParsedRecord record = ParseRecord(server.files[kSite + kRecordFileName]);
    EXPECT_EQ(record.files.size(), 9u);
    EXPECT_EQ(record.files.at("index.htm").sha256, app::Sha256Hex("front"));
}

TEST_F(SyncTest, RepublishWithNothingChangedSendsNothingAndReadsOnlyTheRecordsEnd)
{
    (void)publish();
    const SyncReport report = publish();
    EXPECT_EQ(report.sent, 0);
    EXPECT_EQ(report.unchanged, 9);
    EXPECT_EQ(report.connectionsUsed, 1) << "no extra logins for nothing to send";
    EXPECT_EQ(server.log, std::vector<std::string> {"TAIL " + kSite + kRecordFileName})
        << "the local copy of the record ends as the server's does";
}

TEST_F(SyncTest, EditedPageReplacesTheOldOneThroughATemporaryName)
{
    (void)publish();
    writePage("articles/art-2.htm", "article 2, edited");
    writePage("articles/art-7.htm", "a new article");
    const SyncReport report = publish();
    EXPECT_EQ(report.sent, 2) << output;
    EXPECT_EQ(report.unchanged, 8);
    const std::string temporary = kSite + "articles/.quillon-part.art-2.htm";
    EXPECT_LT(logIndex("PUT " + temporary), logIndex("RENAME " + temporary + " " + kSite + "articles/art-2.htm"));
    EXPECT_NE(logIndex("PUT " + kSite + "articles/art-7.htm"), std::string::npos);
    EXPECT_EQ(siteOnServer(), test::FilesUnder(web));
    EXPECT_EQ(server.log.back(), kRecordCommit);

    server.renameOntoFileRefused = true;
    writePage("articles/art-3.htm", "article 3, edited");
    EXPECT_EQ(publish().sent, 1) << output;
    EXPECT_EQ(siteOnServer(), test::FilesUnder(web)) << output;
}

TEST_F(SyncTest, AFailedSendDeletesNothingAndTheNextRunSendsTheRest)
{
    (void)publish();
    removePage("articles/art-6.htm");
    writePage("articles/art-1.htm", "edited");
    writePage("articles/art-8.htm", "new");
    server.refusedPuts.insert(kSite + "articles/art-8.htm");
    SyncReport report = publish();
    EXPECT_EQ(report.failures, 1);
    EXPECT_EQ(report.sent, 1);
    EXPECT_EQ(server.count("DELE"), 0);
    EXPECT_EQ(server.count("PUT " + kSite + kRecordFileName), 0) << output;
    EXPECT_NE(output.find("art-8.htm: the server refused it (553"), std::string::npos) << output;

    server.refusedPuts.clear();
    report = publish();
    EXPECT_EQ(report.sent, 1) << "only the file that failed" << output;
    EXPECT_EQ(report.removed, 1);
    EXPECT_EQ(siteOnServer(), test::FilesUnder(web));
}

TEST_F(SyncTest, MassDeletionWaitsForConfirmation)
{
    for (int i = 0; i < 30; ++i)
        writePage("sections/sect-" + std::to_string(i) + ".htm", "section");
    (void)publish();
    std::filesystem::remove_all(web + "sections");
    SyncReport report = publish();
    EXPECT_TRUE(report.removalsHeld);
    EXPECT_NE(output.find(DeletionsHeldLine(30, 39)), std::string::npos) << output;
    EXPECT_TRUE(IsDeletionsHeldLine(DeletionsHeldLine(30, 39)));
    EXPECT_EQ(report.removed, 0);
    EXPECT_EQ(server.count("DELE"), 0);
    EXPECT_EQ(siteOnServer().size(), 39u);
    EXPECT_EQ(ParseRecord(server.files[kSite + kRecordFileName]).files.size(), 39u) << "still ours to delete later";

    std::size_t asked = 0;
    confirmDeletes = [&asked](std::size_t toDelete, std::size_t recorded) {
        asked = toDelete;
        return recorded == 39;
    };
    report = publish();
    EXPECT_EQ(asked, 30u);
    EXPECT_EQ(report.removed, 30);
    EXPECT_EQ(siteOnServer(), test::FilesUnder(web));
}

TEST_F(SyncTest, InterruptedPublishResumesAndLeavesNoTemporaryFile)
{
    (void)publish();
    for (int i = 1; i <= 6; ++i)
        writePage("articles/art-" + std::to_string(i) + ".htm", "edited " + std::to_string(i));
    for (int i = 10; i < 20; ++i)
        writePage("images/p" + std::to_string(i) + ".jpg", "picture");
    server.putsBeforeDrop = 5; // then the link drops, mid-way through a temporary upload or rename
    SyncReport report = publish();
    EXPECT_GT(report.failures, 0);
    const int sentBefore = report.sent;
    EXPECT_GT(sentBefore, 0);

    server.putsBeforeDrop = -1;
    report = publish();
    EXPECT_EQ(report.failures, 0) << output;
    EXPECT_EQ(report.sent, 16 - sentBefore) << "what the interrupted run completed is not sent again";
    EXPECT_EQ(siteOnServer(), test::FilesUnder(web)) << "no temporary file is left";
    EXPECT_FALSE(std::filesystem::exists(settings.stateFolder + "record-upload.tmp"));

    EXPECT_EQ(publish().sent, 0) << "the journal is gone once the record is written";
}

TEST_F(SyncTest, WithoutARecordListedFilesAreReplacedNotOverwrittenInPlace)
{
    (void)publish();
    server.files.erase(kSite + kRecordFileName);
    const SyncReport report = publish();
    EXPECT_EQ(report.sent, 9) << "without a record nothing is known to be current";
    EXPECT_EQ(report.removed, 0);
    EXPECT_EQ(server.count("RENAME"), 9 + 1) << "files the server listed are replaced, not overwritten in place";
}

TEST_F(SyncTest, DryRunChangesNothing)
{
    (void)publish();
    writePage("articles/art-1.htm", "edited");
    removePage("articles/art-2.htm");
    const auto before = server.files;
    settings.dryRun = true;
    const SyncReport report = publish();
    EXPECT_EQ(report.sent, 0);
    EXPECT_EQ(server.files, before);
    for (const char* verb : {"PUT", "DELE", "RENAME", "MKD"})
        EXPECT_EQ(server.count(verb), 0) << verb;
    EXPECT_NE(output.find("would send: articles/art-1.htm"), std::string::npos) << output;
    EXPECT_NE(output.find("would delete: articles/art-2.htm"), std::string::npos) << output;
    settings.dryRun = false;
    EXPECT_EQ(publish().sent, 1) << "the dry run journaled nothing";
}

TEST(SyncText, SummaryAndProgressLines)
{
    SyncReport report;
    report.sent = 1;
    report.unchanged = 1999;
    report.removed = 3;
    report.failures = 0;
    report.bytes = 5120;
    EXPECT_EQ(SyncSummaryLine(report, 2.345),
              "1 file sent, 1999 unchanged, 3 removed, 0 failures, 5120 bytes, 2.3 seconds");
    report.sent = 2;
    report.failures = 1;
    EXPECT_EQ(SyncSummaryLine(report, 0),
              "2 files sent, 1999 unchanged, 3 removed, 1 failure, 5120 bytes, 0.0 seconds");

    const SyncProgress progress {3, 40, 12288, 409600, "images/My Photo: 2.JPG", 0.125};
    const std::string line = ProgressLine(progress);
    EXPECT_EQ(line, "Sent 3 of 40 files, 12288 of 409600 bytes, 96 KB/s, about 4 s left: images/My Photo: 2.JPG");
    auto parsed = ParseProgressLine(line);
    ASSERT_TRUE(parsed.has_value());
    parsed->seconds = progress.seconds; // not carried by the line
    EXPECT_EQ(ProgressLine(*parsed), line);
    EXPECT_EQ(ProgressLine({0, 2, 0, 10, "a.htm", 0}), "Sent 0 of 2 files, 0 of 10 bytes: a.htm");
    for (const char* other : {"ftp> put a.htm", "Sent 3 of x files", "Sent 1 of 2 files, 3 of 4 bytes"})
        EXPECT_FALSE(ParseProgressLine(other).has_value()) << other;
}

} // namespace
} // namespace qle::publish
