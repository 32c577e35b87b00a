// The record of published files and the local journal: text in both directions, damage tolerated.
#include "publish/sync/PublishedRecord.h"
#include "publish/sync/SyncJournal.h"

#include "app/Sha256.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace qle::publish {
namespace {

const std::string kShaA(64, 'a');
const std::string kShaB = app::Sha256Hex("b");

TEST(PublishedRecord, RoundTripsPathsWithBlanksSortedAndEndsInItsTrailer)
{
    const PublishedRecord record = {
        {"index.htm", {12, kShaA}},
        {"images/My Photo.JPG", {70000, kShaB}},
        {"articles/art-1.htm", {0, kShaA}},
    };
    const std::string text = FormatRecord(record);
    const std::string body = "quillon-published 2\n" + kShaA + " 0 articles/art-1.htm\n" + kShaB +
                             " 70000 images/My Photo.JPG\n" + kShaA + " 12 index.htm\n";
    EXPECT_EQ(text, body + "end 3 " + app::Sha256Hex(body) + "\n");
    EXPECT_EQ(LastRecordLine(text), "end 3 " + app::Sha256Hex(body));
    const ParsedRecord parsed = ParseRecord(text);
    EXPECT_EQ(parsed.files, record);
    EXPECT_EQ(parsed.format, 2);
    EXPECT_FALSE(parsed.damaged);
    EXPECT_EQ(parsed.damagedLines, 0);
    EXPECT_FALSE(ParseRecord(FormatRecord({})).damaged) << "an empty site's record is whole too";
}

// A record is whole only with its trailer; one of the format before the trailer is read as it
// always was, except that a line cut short never counts.
TEST(PublishedRecord, ATrailerThatDoesNotMatchMarksTheRecordDamaged)
{
    const PublishedRecord record = {{"a.htm", {1, kShaA}}, {"articles/art-12.htm", {2, kShaB}}};
    const std::string whole = FormatRecord(record);
    const std::string lines = whole.substr(0, whole.rfind("end "));
    const std::string oldFormat = "quillon-published 1\n" + lines.substr(lines.find('\n') + 1);
    const struct
    {
        std::string text;
        int format;
        bool damaged;
        std::size_t files;
    } rows[] = {
        {whole, 2, false, 2},
        {lines, 2, true, 2},                                                       // the trailer never arrived
        {whole.substr(0, whole.find("art-12") + 5), 2, true, 1},                   // cut inside a line
        {lines + "end 1 " + app::Sha256Hex(lines) + "\n", 2, true, 2},             // wrong count
        {lines + "end 2 " + app::Sha256Hex("other") + "\n", 2, true, 2},           // another record's trailer
        {lines + kShaA + " 3 b.htm\n" + LastRecordLine(whole) + "\n", 2, true, 3}, // a line added by hand
        {oldFormat, 1, false, 2},
        {oldFormat.substr(0, oldFormat.find("art-12") + 5), 1, false, 1}, // "articles/art-1" is no file of ours
    };
    for (const auto& row : rows) {
        const ParsedRecord parsed = ParseRecord(row.text);
        EXPECT_EQ(parsed.format, row.format) << row.text;
        EXPECT_EQ(parsed.damaged, row.damaged) << row.text;
        EXPECT_EQ(parsed.files.size(), row.files) << row.text;
        EXPECT_EQ(parsed.files.count("articles/art-1"), 0u) << row.text;
    }
}

TEST(PublishedRecord, SkipsDamagedLinesAndKeepsTheRest)
{
    const std::string good = kShaA + " 5 articles/art-1.htm";
    const struct
    {
        std::string line;
        bool kept;
    } cases[] = {
        {good, true},
        {good + "\r", true}, // edited on a system with CR LF
        {kShaA.substr(0, 63) + " 5 a.htm", false},
        {std::string(64, 'A') + " 5 a.htm", false}, // upper-case hex is not what we write
        {kShaA + " -5 a.htm", false},
        {kShaA + " 5a a.htm", false},
        {kShaA + " 18446744073709551616 a.htm", false}, // beyond 64 bits
        {kShaA + " 5 ", false},
        {kShaA + " 5 /etc/passwd", false},
        {kShaA + " 5 ../other-site/index.htm", false},
        {kShaA + " 5 articles/../../x", false},
        {kShaA + " 5 articles//x", false},
        {kShaA + " 5 articles/", false},
        {kShaA + " 5 a\\b", false},
        {kShaA + " 5", false},
        {kShaA.substr(0, 20), false}, // cut short by an interrupted upload
        {"garbage", false},
    };
    for (const auto& c : cases) {
        const ParsedRecord parsed = ParseRecord("quillon-published 1\n" + kShaB + " 1 keep.htm\n" + c.line + "\n");
        EXPECT_EQ(parsed.files.count("keep.htm"), 1u) << c.line;
        EXPECT_EQ(parsed.files.size(), c.kept ? 2u : 1u) << c.line;
        EXPECT_EQ(parsed.damagedLines, c.kept ? 0 : 1) << c.line;
    }
    EXPECT_TRUE(ParseRecord("").files.empty());
}

TEST(SyncJournal, TornLastLineIsDroppedAndStepsApplyInOrder)
{
    const std::string text = "journal " + kShaA + "\n" + JournalLine({false, "a.htm", {1, kShaB}}) +
                             JournalLine({true, "old.htm", {}}) + JournalLine({false, "a.htm", {2, kShaA}}) + "+ " +
                             kShaB.substr(0, 30); // killed while writing
    const auto journal = ParseJournal(text);
    ASSERT_TRUE(journal.has_value());
    EXPECT_EQ(journal->recordSha256, kShaA);
    ASSERT_EQ(journal->entries.size(), 3u);

    const PublishedRecord before = {{"old.htm", {9, kShaB}}, {"kept.htm", {3, kShaB}}};
    const PublishedRecord after = ApplyJournal(before, journal->entries);
    EXPECT_EQ(after, (PublishedRecord {{"a.htm", {2, kShaA}}, {"kept.htm", {3, kShaB}}}));

    EXPECT_FALSE(ParseJournal("").has_value());
    EXPECT_FALSE(ParseJournal("+ " + kShaA + " 1 a.htm\n").has_value()) << "no header";
}

TEST(SyncJournal, KeepsOneRecordCopyAndJournalPerDestination)
{
    test::TempDir dir;
    const std::string state = dir / "state/";
    SyncJournal a(state, "example.net", "jo", "/www/site/");
    SyncJournal otherFolder(state, "example.net", "jo", "/www/other/");
    ASSERT_TRUE(a.saveRecordCopy("record of a").ok());
    EXPECT_EQ(a.recordCopy(), "record of a");
    EXPECT_FALSE(otherFolder.recordCopy().has_value());

    ASSERT_TRUE(a.open(kShaB, false).ok());
    ASSERT_TRUE(a.append({false, "x.htm", {1, kShaA}}).ok());
    {
        // A later run goes on with the same journal.
        SyncJournal again(state, "example.net", "jo", "/www/site/");
        ASSERT_TRUE(again.open(kShaB, true).ok());
        ASSERT_TRUE(again.append({true, "y.htm", {}}).ok());
    }
    const auto journal = a.load();
    ASSERT_TRUE(journal.has_value());
    EXPECT_EQ(journal->recordSha256, kShaB);
    EXPECT_EQ(journal->entries.size(), 2u);
    EXPECT_FALSE(otherFolder.load().has_value());

    ASSERT_TRUE(a.finish().ok());
    EXPECT_FALSE(a.load().has_value());
    EXPECT_EQ(a.recordCopy(), "record of a");
}

} // namespace
} // namespace qle::publish
