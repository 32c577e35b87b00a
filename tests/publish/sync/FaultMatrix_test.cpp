// The fault matrix: a republish against the web space in memory, faulted at every step a run takes
// (connect, list, read the record, make a folder, upload a temporary, rename it, upload directly,
// delete, upload the record, rename the record) in every way that step can go wrong (refused for
// good, transient, the link lost, the reply lost after the server acted, the program killed there
// before or after the server acted), on servers that rename onto a file, refuse to, allow no
// rename at all, or ignore the case of names. After the faulted run and after one more, four
// things hold:
//   a. every file the server held before is still there, with its old or its new bytes;
//   b. nothing the program did not upload is deleted or overwritten;
//   c. the outcome is told truly: a run that left anything undone reports failures;
//   d. the next run converges: the site as built plus others' files, no temporary, a whole record,
//      and nothing sent that was already there.
#include "app/Sha256.h"
#include "publish/sync/PublishedRecord.h"
#include "publish/sync/SyncPlan.h"
#include "publish/sync/SyncRunner.h"
#include "publish/sync/SyncText.h"

#include "SyncFixture.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <tuple>

namespace qle::publish {
namespace {

using test::Fault;
using test::kSite;
using test::Step;

enum class ServerKind {
    Posix,           // renames onto a file, replacing it
    NameTaken,       // refuses to rename onto a file, saying the name is taken
    NoRename,        // allows no rename at all
    CaseInsensitive, // names match whatever their case
};

// Files of others, beside and around the site: never ours to touch.
const std::map<std::string, std::string> kOthers = {
    {kSite + "guestbook.htm", "visitors"},
    {kSite + "articles/notes.txt", "the owner's notes"},
    {"/www/other.htm", "another site"},
};

using Row = std::tuple<ServerKind, Step, Fault>;

class FaultMatrix : public test::SyncFixture, public ::testing::WithParamInterface<Row>
{
protected:
    ServerKind kind() const { return std::get<0>(GetParam()); }
    Step step() const { return std::get<1>(GetParam()); }
    Fault fault() const { return std::get<2>(GetParam()); }
    bool killed() const { return fault() == Fault::Killed || fault() == Fault::KilledAfter; }

    // Published once as it was, then changed: a page edited, one added in a new folder, one
    // deleted (and, where case is ignored, a picture renamed in case only).
    void prepare()
    {
        settings.connections = 2;
        server.renameOntoFileRefused = kind() == ServerKind::NameTaken;
        server.renamesRefused = kind() == ServerKind::NoRename;
        server.caseInsensitive = kind() == ServerKind::CaseInsensitive;
        if (kind() == ServerKind::CaseInsensitive)
            writePage("images/Photo.JPG", "picture");
        ASSERT_EQ(publish().failures, 0) << output;
        for (const auto& [path, bytes] : kOthers)
            server.files[path] = bytes;
        server.folders.erase(kSite + "sections/"); // emptied and removed by hand: made again below
        writePage("articles/art-2.htm", "article 2, edited");
        writePage("sections/sect-1.htm", "a new section");
        removePage("articles/art-6.htm");
        if (kind() == ServerKind::CaseInsensitive) {
            removePage("images/Photo.JPG");
            writePage("images/photo.jpg", "picture, smaller");
        }
        m_before = server.files;
    }

    // Runs the faulted publish; a kill leaves the local state as it was at that moment.
    SyncReport faultedRun()
    {
        const std::string snapshot = dir / "state-at-kill/";
        server.fault = test::FaultAt {step(), fault(), step() == Step::Connect ? 2 : 1};
        server.onKill = [&] {
            std::filesystem::remove_all(snapshot);
            if (std::filesystem::exists(settings.stateFolder))
                std::filesystem::copy(settings.stateFolder, snapshot, std::filesystem::copy_options::recursive);
        };
        settings.verify = true; // the run reads the server's listing too
        const SyncReport report = publish();
        settings.verify = false;
        if (killed()) {
            std::filesystem::remove_all(settings.stateFolder);
            if (std::filesystem::exists(snapshot))
                std::filesystem::rename(snapshot, settings.stateFolder);
        }
        server.fault.reset();
        server.killed = false;
        server.linkDown = false;
        return report;
    }

    std::string key(const std::string& path) const
    {
        return kind() == ServerKind::CaseInsensitive ? publish::AsciiLowerCase(path) : path;
    }
    std::map<std::string, std::string> keyed(const std::map<std::string, std::string>& files) const
    {
        std::map<std::string, std::string> out;
        for (const auto& [path, bytes] : files)
            out[key(path)] = bytes;
        return out;
    }
    std::string local(const std::string& path) const
    {
        const auto site = keyed(test::FilesUnder(web));
        const auto it = path.starts_with(kSite) ? site.find(key(path.substr(kSite.size()))) : site.end();
        return it == site.end() ? std::string() : it->second;
    }
    // Files a server without renames gets straight onto their names: a kill there can cut them.
    bool replacedInPlace() const { return kind() == ServerKind::NoRename; }

    // True when the server's last word on `path` was its deletion: no rename onto it followed.
    bool stoppedBetweenDeleteAndRename(const std::string& path) const
    {
        const auto deleted = std::find(server.log.rbegin(), server.log.rend(), "DELE " + path);
        return deleted != server.log.rend() && std::none_of(server.log.rbegin(), deleted, [&](const std::string& line) {
                   return line.starts_with("RENAME ") && line.ends_with(" " + path);
               });
    }

    // (a) and (b): what the server held before is there, old or new, never cut; others' untouched.
    void expectNothingHarmed(const char* when)
    {
        const auto now = keyed(server.files);
        for (const auto& [path, old] : m_before) {
            const bool stale = path == kSite + "articles/art-6.htm" || key(path) == key(kSite + "images/Photo.JPG");
            const auto it = now.find(key(path));
            if (path == kSite + kRecordFileName) {
                ASSERT_NE(it, now.end()) << when << ": the record is gone";
                const bool mayBeCut = replacedInPlace() && killed();
                EXPECT_TRUE(mayBeCut || !ParseRecord(it->second).damaged) << when << ": the record is cut";
                continue;
            }
            if (stale && it == now.end())
                continue;
            // Where the server keeps a taken name, the old page goes before the rename: a run stopped
            // between the two (killed, or the link lost on any connection) leaves it missing until
            // the next run (the one window that cannot be closed).
            if (kind() == ServerKind::NameTaken && it == now.end() && stoppedBetweenDeleteAndRename(path))
                continue;
            ASSERT_NE(it, now.end()) << when << ": " << path << " is gone\n" << output;
            const bool oldOrNew = it->second == old || it->second == local(path);
            EXPECT_TRUE(oldOrNew || (replacedInPlace() && killed()))
                << when << ": " << path << " holds \"" << it->second << "\"";
        }
        for (const auto& [path, bytes] : kOthers)
            EXPECT_EQ(server.files[path], bytes) << when << ": someone else's " << path;
    }

    // What the server should hold once the site is published.
    std::map<std::string, std::string> published() const
    {
        auto expected = test::FilesUnder(web);
        for (const auto& [path, bytes] : kOthers)
            if (path.starts_with(kSite))
                expected[path.substr(kSite.size())] = bytes;
        return keyed(expected);
    }
    bool complete()
    {
        auto site = server.filesUnder(kSite);
        const std::string record = site[kRecordFileName];
        site.erase(kRecordFileName);
        // The record names every file as built; where case is ignored it may keep the name a file
        // had before, in another case, never to delete it.
        const ParsedRecord parsed = ParseRecord(record);
        PublishedRecord expected;
        for (const auto& [path, bytes] : test::FilesUnder(web))
            expected[path] = {bytes.size(), app::Sha256Hex(bytes)};
        for (const auto& [path, digest] : parsed.files)
            if (expected.count(path) == 0 && keyed(test::FilesUnder(web)).count(key(path)) != 0)
                expected[path] = digest;
        return keyed(site) == published() && !parsed.damaged && parsed.files == expected;
    }

    std::map<std::string, std::string> m_before;
};

TEST_P(FaultMatrix, TheLiveSiteIsNeverHarmedAndTheNextRunConverges)
{
    prepare();
    const SyncReport faulted = faultedRun();
    EXPECT_TRUE(server.faultFired) << "the step was never taken";
    expectNothingHarmed("after the faulted run");
    // (c) A run that was not killed tells whether it finished.
    if (!killed()) {
        const bool done = complete();
        EXPECT_EQ(faulted.failures == 0, done) << SyncSummaryLine(faulted, 0) << "\n" << output;
    }

    // (d) The next run finishes the work, sending only what the server lacks.
    const auto before = keyed(server.files);
    const SyncReport next = publish();
    EXPECT_EQ(next.failures, 0) << output;
    expectNothingHarmed("after the next run");
    EXPECT_TRUE(complete()) << output;
    for (const auto& [path, bytes] : server.files)
        EXPECT_FALSE(IsTemporaryName(test::FileNameOf(path))) << path;
    int resent = 0;
    for (const auto& line : server.log) {
        if (!line.starts_with("PUT ") || line.ends_with(kRecordFileName))
            continue;
        std::string path = line.substr(4);
        const std::string name = test::FileNameOf(path);
        if (IsTemporaryName(name))
            path = path.substr(0, path.size() - name.size()) + name.substr(std::string(".quillon-part.").size());
        const auto held = before.find(key(path));
        resent += held != before.end() && held->second == local(path) ? 1 : 0;
    }
    // A file whose upload's reply was lost cannot be known to have arrived, nor can one that another
    // connection finished as the run was killed, before the journal said so; a record cut short (on
    // a server without renames, where it is written in place) vouches only for the files it still names.
    const bool unconfirmed = fault() == Fault::ReplyLost || fault() == Fault::KilledAfter;
    const int inFlight = killed() ? settings.connections - 1 : 0;
    const bool recordCut = replacedInPlace() && step() == Step::PutRecord && killed();
    EXPECT_TRUE(recordCut || resent <= (unconfirmed ? 1 : 0) + inFlight)
        << resent << " sent again though the server held them\n"
        << output;
    EXPECT_EQ(publish().sent, 0) << output;
}

std::string RowName(const ::testing::TestParamInfo<Row>& info)
{
    static const char* kinds[] = {"Posix", "NameTaken", "NoRename", "CaseInsensitive"};
    static const char* steps[] = {"Connect", "List",      "ReadRecord", "MakeFolder", "PutTemporary",
                                  "Rename",  "PutDirect", "Delete",     "PutRecord",  "RenameRecord"};
    static const char* faults[] = {"Refused", "Transient", "LinkLost", "ReplyLost", "Killed", "KilledAfter"};
    return std::string(kinds[static_cast<int>(std::get<0>(info.param))]) + "_" +
           steps[static_cast<int>(std::get<1>(info.param))] + "_" + faults[static_cast<int>(std::get<2>(info.param))];
}

// Every step on every server, in every way it can go wrong; a server that allows no rename never
// sees the record renamed (it takes the record straight onto its name).
std::vector<Row> EveryRow()
{
    std::vector<Row> rows;
    for (ServerKind kind :
         {ServerKind::Posix, ServerKind::NameTaken, ServerKind::NoRename, ServerKind::CaseInsensitive})
        for (Step step : {Step::Connect, Step::List, Step::ReadRecord, Step::MakeFolder, Step::PutTemporary,
                          Step::Rename, Step::PutDirect, Step::Delete, Step::PutRecord, Step::RenameRecord})
            for (Fault fault : {Fault::Refused, Fault::Transient, Fault::LinkLost, Fault::ReplyLost, Fault::Killed,
                                Fault::KilledAfter})
                if (!(kind == ServerKind::NoRename && step == Step::RenameRecord))
                    rows.emplace_back(kind, step, fault);
    return rows;
}

INSTANTIATE_TEST_SUITE_P(EveryStepEveryFault, FaultMatrix, ::testing::ValuesIn(EveryRow()), RowName);

} // namespace
} // namespace qle::publish
