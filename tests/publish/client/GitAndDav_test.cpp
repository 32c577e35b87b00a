// Publishing to a Git branch and to a WebDAV folder end to end: the publisher's files, the batch
// file carried out here, the real upload client, real servers (Apache with mod_dav and git
// http-backend, the asyncssh server running Git, and file:// repositories).
#include "app/Sha256.h"
#include "publish/client/BatchRunner.h"
#include "publish/client/Publisher.h"
#include "publish/sync/FileDigest.h"
#include "publish/sync/PublishedRecord.h"

#include "Apache.h"
#include "FtpServer.h"
#include "LoopbackPort.h"
#include "SiteFixture.h"
#include "TestKeys.h"
#include "generator/StoredSiteEditor.h"
#include "support/RecordingUi.h"

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace qle::publish {
namespace {

bool Holds(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// Publishes the fixture site and carries out the batch file here; the client's status.
// With `killAtFirstFile`, the client is killed (SIGKILL) once it reports its first file sent.
int Publish(test::SiteFixture& site, std::string& output, const std::vector<std::string>& clientOptions = {},
            bool killAtFirstFile = false)
{
    auto editor = generator::StoredSiteEditor::open(site.site, nullptr);
    EXPECT_TRUE(editor.ok());
    test::RecordingUi ui;
    int status = -1;
    output.clear();
    const auto runHere = [&](const std::string& batch) {
        BatchCallbacks callbacks;
        int client = 0;
        callbacks.clientRunning = [&client](int pid) { client = pid; };
        callbacks.output = [&](const std::string& line) {
            output += line + "\n";
            if (killAtFirstFile && client > 0 && line.starts_with("Sent "))
                ::kill(client, SIGKILL);
        };
        BatchOptions options {test::ProgramFolder() + "quillon-ftp", 5};
        options.ftpArguments = clientOptions;
        for (const auto& option : clientOptions)
            if (option.starts_with("-t:"))
                options.ftpTimeoutSeconds = 0; // the row's own time-out

        auto result = RunBatchFile(batch, options, callbacks);
        status = result.ok() ? result.value() : -2;
        return result.ok();
    };
    const Status published = PublishSite(site.job(), editor.value(), ui, runHere);
    EXPECT_TRUE(published.ok()) << published.message();
    if (!site.ftp.password.empty()) {
        EXPECT_FALSE(Holds(output, site.ftp.password)) << output;
    }
    return status;
}

// The web folder as a server holds it: the forwarding page as index.htm.
std::map<std::string, std::string> Served(const test::SiteFixture& site, const std::string& folder = {})
{
    std::map<std::string, std::string> files;
    for (auto& [path, bytes] : test::FilesUnder(site.web))
        if (path != "temp.fle") // the folder routines' marker is never uploaded
            files[folder + (path == "Index.htm" ? "index.htm" : path)] = bytes;
    return files;
}

// Compares by name, then each file's bytes, so that a failure names the files and not their pages of text.
void ExpectSameFiles(const std::map<std::string, std::string>& actual,
                     const std::map<std::string, std::string>& expected)
{
    std::string have, want;
    for (const auto& entry : actual)
        have += entry.first + " ";
    for (const auto& entry : expected)
        want += entry.first + " ";
    ASSERT_EQ(have, want);
    for (const auto& [path, bytes] : expected)
        EXPECT_TRUE(actual.at(path) == bytes) << path << " differs";
}

std::string Git(const std::string& repository, const std::string& command)
{
    return test::CommandOutput("git -c safe.directory='*' --git-dir=" + test::Quoted(repository) + " " + command);
}

// The branch's files: every blob of its tree by path.
std::map<std::string, std::string> BranchFiles(const std::string& repository, const std::string& branch = "main")
{
    std::map<std::string, std::string> files;
    const std::string list = Git(repository, "ls-tree -r --name-only " + branch);
    std::size_t start = 0;
    while (start < list.size()) {
        const auto end = list.find('\n', start);
        const std::string path = list.substr(start, end - start);
        files[path] = Git(repository, "cat-file blob " + branch + ":" + test::Quoted(path));
        start = end + 1;
    }
    return files;
}

// Commits files on the branch as someone else would (another computer, the host's web editor).
void CommitElsewhere(const std::string& repository, const std::string& folder,
                     const std::map<std::string, std::string>& files, const std::string& branch = "main")
{
    const std::string work = folder + "elsewhere/";
    test::CommandOutput("rm -rf " + test::Quoted(work) + " && git -c safe.directory='*' clone -q " +
                        test::Quoted(repository) + " " + test::Quoted(work));
    for (const auto& [path, bytes] : files) {
        std::filesystem::create_directories(std::filesystem::path(work + path).parent_path());
        test::WriteFile(work + path, bytes);
    }
    const std::string git =
        "git -c safe.directory='*' -c user.name=Other -c user.email=other@example.org -C " + test::Quoted(work) + " ";
    test::CommandOutput(git + "checkout -q -B " + branch + " && " + git + "add -A && " + git +
                        "commit -q -m elsewhere && " + git + "push -q origin " + branch);
}

// Every update of the branch kept every commit it had: no force push, ever.
void ExpectNoRewrite(const std::string& repository, const std::string& branch = "main")
{
    const std::string log = Git(repository, "reflog show --format=%H refs/heads/" + branch);
    std::vector<std::string> tips;
    for (std::size_t start = 0; start < log.size();) {
        const auto end = log.find('\n', start);
        tips.push_back(log.substr(start, end - start));
        start = end + 1;
    }
    ASSERT_FALSE(tips.empty()) << "the repository logs its updates";
    for (std::size_t i = 0; i + 1 < tips.size(); ++i)
        EXPECT_NO_THROW(Git(repository, "merge-base --is-ancestor " + tips[i + 1] + " " + tips[i]))
            << tips[i + 1] << " was dropped by " << tips[i];
}

class GitPublish : public ::testing::Test
{
protected:
    GitPublish()
    {
        test::Apache::MakeGuardedRepository(repository);
        site.ftp = {"file://" + repository, "", "", "", "", "GIT"};
    }

    test::SiteFixture site;
    std::string repository = site.dir / "site.git";
    std::string output;
};

TEST_F(GitPublish, OnlyOurFilesChangeForeignFilesStayAndTheRecordTravelsWithTheBranch)
{
    // The branch already holds the author's own files: a CNAME, a CI file, a README.
    const std::map<std::string, std::string> foreign = {
        {"CNAME", "www.example.org\n"}, {".gitlab-ci.yml", "pages:\n  script: [echo]\n"}, {"README", "mine\n"}};
    CommitElsewhere(repository, site.dir.path(), foreign);

    ASSERT_EQ(Publish(site, output), 0) << output;
    EXPECT_TRUE(Holds(output, "Fetching the whole history of the branch main")) << output;
    auto expected = Served(site);
    expected.insert(foreign.begin(), foreign.end());
    auto files = BranchFiles(repository);
    ASSERT_EQ(files.count(kRecordFileName), 1u);
    files.erase(kRecordFileName);
    ExpectSameFiles(files, expected);
    EXPECT_EQ(Git(repository, "log -1 --format=%s main"), "Published 7 pages, removed 0\n");

    // Nothing changed: no commit.
    const std::string tip = Git(repository, "rev-parse main");
    ASSERT_EQ(Publish(site, output), 0) << output;
    EXPECT_TRUE(Holds(output, "0 files sent, 7 unchanged, 0 removed, 0 failures")) << output;
    EXPECT_EQ(Git(repository, "rev-parse main"), tip);

    // Someone else committed meanwhile (the branch moved): the next publish builds on top of that.
    CommitElsewhere(repository, site.dir.path(), {{"notes/todo.txt", "later\n"}});
    const std::string theirs = Git(repository, "rev-parse main");
    auto db = store::Database::open(site.site);
    ASSERT_TRUE(db->execute("DELETE FROM Articles WHERE ArtID = 2").ok());
    site.build();
    ASSERT_EQ(Publish(site, output), 0) << output;
    EXPECT_EQ(Git(repository, "rev-parse main^"), theirs);
    EXPECT_EQ(Git(repository, "log -1 --format=%s main"), "Published 2 pages, removed 1\n");
    files = BranchFiles(repository);
    files.erase(kRecordFileName);
    expected = Served(site);
    expected.insert(foreign.begin(), foreign.end());
    expected["notes/todo.txt"] = "later\n";
    ExpectSameFiles(files, expected);
    ExpectNoRewrite(repository);
}

TEST_F(GitPublish, ASecondPublishToTheSameBranchWaitsItsTurn)
{
    ASSERT_EQ(Publish(site, output), 0) << output;
    // Another publish holds the destination's lock (as a running one does).
    std::vector<int> held;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(site.dir.path())) {
        if (entry.path().extension() != ".lock" || entry.path().parent_path().filename() != ".quillon-sync")
            continue;
        const int fd = ::open(entry.path().c_str(), O_RDWR | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
        held.push_back(fd);
    }
    ASSERT_FALSE(held.empty()) << "the publish took its destination's lock";
    const std::string tip = Git(repository, "rev-parse main");
    EXPECT_NE(Publish(site, output), 0);
    EXPECT_TRUE(Holds(output, "Another publish to")) << output;
    EXPECT_EQ(Git(repository, "rev-parse main"), tip);
    for (const int fd : held)
        ::close(fd);
    EXPECT_EQ(Publish(site, output), 0) << output;
}

TEST_F(GitPublish, ASiteFolderInsideTheBranchAndARewrittenBranchAreBuiltUpon)
{
    site.ftp.root = "public/";
    site.ftp.branch = "pages";
    ASSERT_EQ(Publish(site, output), 0) << output;
    EXPECT_TRUE(Holds(output, "The branch pages does not exist yet")) << output;
    auto files = BranchFiles(repository, "pages");
    EXPECT_EQ(files.count("public/" + std::string(kRecordFileName)), 1u);
    files.erase("public/" + std::string(kRecordFileName));
    ExpectSameFiles(files, Served(site, "public/"));

    // Someone rewrote the branch (their own force push): publishing never forces it back.
    const std::string ours = Git(repository, "rev-parse pages");
    test::CommandOutput("git -c safe.directory='*' --git-dir=" + test::Quoted(repository) +
                        " config receive.denyNonFastForwards false");
    const std::string work = site.dir / "rewrite/";
    test::CommandOutput("git init -q " + test::Quoted(work) + " && git -C " + test::Quoted(work) +
                        " -c user.name=O -c user.email=o@e commit -q --allow-empty -m new && git -C " +
                        test::Quoted(work) + " push -q -f " + test::Quoted(repository) + " HEAD:refs/heads/pages");
    test::CommandOutput("git -c safe.directory='*' --git-dir=" + test::Quoted(repository) +
                        " config receive.denyNonFastForwards true");
    const std::string rewritten = Git(repository, "rev-parse pages");
    ASSERT_EQ(Publish(site, output), 0) << output;
    EXPECT_EQ(Git(repository, "rev-parse pages^"), rewritten);
    EXPECT_NE(Git(repository, "rev-parse pages^"), ours);
}

TEST_F(GitPublish, OverSshTheHostKeyIsCheckedBeforeAnythingIsSent)
{
    const std::string home = site.dir / "ssh/";
    std::filesystem::create_directories(home + "home/jo");
    test::Apache::MakeGuardedRepository(home + "home/jo/site.git");
    test::TestSshKey hostKey(site.dir.path(), "host");
    test::TestSshKey userKey(site.dir.path(), "jo");
    test::WriteFile(site.dir / "authorized", userKey.publicKey);
    test::SftpServer server(home, "jo", "unused-Pa55", hostKey.path, site.dir / "authorized");
    ASSERT_TRUE(server.started());
    // "~/" starts at the login's home folder, as the scp-like form does.
    site.ftp.server = "ssh://jo@127.0.0.1:" + std::to_string(server.port()) + "/~/site.git";
    site.ftp.keyFile = userKey.path;

    EXPECT_EQ(Publish(site, output), 1) << output;
    EXPECT_TRUE(Holds(output, hostKey.fingerprint)) << output;
    EXPECT_THROW(Git(home + "home/jo/site.git", "rev-parse main"), std::runtime_error) << "nothing was pushed";

    site.ftp.trustedKey = "SHA256:AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA";
    EXPECT_EQ(Publish(site, output), 1) << output;
    EXPECT_TRUE(Holds(output, "has CHANGED")) << output;

    site.ftp.trustedKey = hostKey.fingerprint;
    const std::string pushedTo = home + "home/jo/site.git";
    ASSERT_EQ(Publish(site, output), 0) << output;
    auto files = BranchFiles(pushedTo);
    files.erase(kRecordFileName);
    ExpectSameFiles(files, Served(site));

    // The server refuses the update (a protected branch): told as it is, and the branch stays.
    const std::string tip = Git(pushedTo, "rev-parse main");
    test::WriteFile(pushedTo + "/hooks/pre-receive", "#!/bin/sh\necho 'the branch is protected' >&2\nexit 1\n");
    std::filesystem::permissions(pushedTo + "/hooks/pre-receive", std::filesystem::perms::owner_all);
    site.addPage("New", "Page");
    site.build();
    EXPECT_EQ(Publish(site, output), 1) << output;
    EXPECT_TRUE(Holds(output, "The server refused the new commit on the branch main")) << output;
    EXPECT_TRUE(Holds(output, "THE UPLOAD FAILED")) << output;
    EXPECT_FALSE(Holds(output, "Your web site has been published")) << output;
    EXPECT_EQ(Git(pushedTo, "rev-parse main"), tip);
    ExpectNoRewrite(pushedTo);
}

// Every wait on a Git server ends with the publish's time-out (-t:, 2 s here), whoever waits: the
// connect, the SSH library's own reads, TLS and plain HTTP reads, and a push whose server falls silent.
TEST_F(GitPublish, EveryWaitOnTheServerEndsWithTheTimeOut)
{
    const auto failsInTime = [&](const std::string& row) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Publish(site, output, {"-t:2"}), 1) << row << "\n" << output;
        const auto took = std::chrono::steady_clock::now() - start;
        // The usual time-outs are 15 s and 30 s: well under them, the 2 s did it.
        EXPECT_LT(took, std::chrono::seconds(12)) << row;
        EXPECT_TRUE(Holds(output, "did not answer in time")) << row << "\n" << output;
        EXPECT_TRUE(Holds(output, "THE UPLOAD FAILED")) << row << "\n" << output;
        EXPECT_FALSE(Holds(output, "Your web site has been published")) << row << "\n" << output;
    };
    struct Row
    {
        const char* name;
        const char* address; // PORT: the silent server's
        bool full;           // the server's queue is full: the connection is never accepted
    };
    const Row rows[] = {
        {"SSH, never accepted", "ssh://jo@127.0.0.1:PORT/site.git", true},
        {"SSH, accepted and never answered", "ssh://jo@127.0.0.1:PORT/site.git", false},
        {"HTTPS, accepted and never answered", "https://127.0.0.1:PORT/site.git", false},
        {"HTTP, accepted and never answered", "http://127.0.0.1:PORT/site.git", false},
    };
    for (const Row& row : rows) {
        test::SilentListener silent(row.full);
        ASSERT_NE(silent.port(), 0);
        std::string address = row.address;
        address.replace(address.find("PORT"), 4, std::to_string(silent.port()));
        site.ftp = {address, "jo", "Pa55word", "", "", "GIT"};
        failsInTime(row.name);
    }

    // A push whose server falls silent (a hook that hangs): it ends too, and the branch stays.
    const std::string home = site.dir / "ssh/";
    const std::string pushedTo = home + "home/jo/site.git";
    std::filesystem::create_directories(home + "home/jo");
    test::Apache::MakeGuardedRepository(pushedTo);
    test::TestSshKey hostKey(site.dir.path(), "host");
    test::TestSshKey userKey(site.dir.path(), "jo");
    test::WriteFile(site.dir / "authorized", userKey.publicKey);
    test::SftpServer server(home, "jo", "unused-Pa55", hostKey.path, site.dir / "authorized");
    ASSERT_TRUE(server.started());
    site.ftp = {"ssh://jo@127.0.0.1:" + std::to_string(server.port()) + "/~/site.git",
                "",
                "",
                "",
                "",
                "GIT",
                hostKey.fingerprint};
    site.ftp.keyFile = userKey.path;
    ASSERT_EQ(Publish(site, output, {"-t:2"}), 0) << output;
    const std::string tip = Git(pushedTo, "rev-parse main");
    test::WriteFile(pushedTo + "/hooks/pre-receive", "#!/bin/sh\nsleep 4\nexit 1\n");
    std::filesystem::permissions(pushedTo + "/hooks/pre-receive", std::filesystem::perms::owner_all);
    site.addPage("New", "Page");
    site.build();
    failsInTime("SSH, a push the server never confirms");
    EXPECT_EQ(Git(pushedTo, "rev-parse main"), tip);

    // The server heals: the next publish completes.
    std::filesystem::remove(pushedTo + "/hooks/pre-receive");
    ASSERT_EQ(Publish(site, output, {"-t:2"}), 0) << output;
    auto files = BranchFiles(pushedTo);
    files.erase(kRecordFileName);
    ExpectSameFiles(files, Served(site));
    ExpectNoRewrite(pushedTo);
}

class DavPublish : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (const std::string why = test::Apache::unavailable(); !why.empty())
            GTEST_SKIP() << why;
    }
    void start(const test::TestCertificate* certificate = nullptr)
    {
        apache.emplace(site.dir / "apache/", "Dav-Pa55word", certificate);
        ASSERT_TRUE(apache->started());
        site.ftp = {std::string(certificate ? "https" : "http") + "://127.0.0.1:" + std::to_string(apache->port()) +
                        "/dav/",
                    "jo",
                    "Dav-Pa55word",
                    "/www/",
                    "site/",
                    "WEBDAV"};
    }
    std::map<std::string, std::string> onServer() const
    {
        auto files = test::FilesUnder(apache->dav() + "www/site");
        files.erase(kRecordFileName);
        return files;
    }

    test::SiteFixture site;
    std::optional<test::Apache> apache;
    std::string output;
};

TEST_F(DavPublish, TheSyncRulesHoldAsOverFtp)
{
    start();
    ASSERT_EQ(Publish(site, output), 0) << output;
    EXPECT_TRUE(Holds(output, "7 files sent, 0 unchanged, 0 removed, 0 failures")) << output;
    ExpectSameFiles(onServer(), Served(site));

    ASSERT_EQ(Publish(site, output), 0) << output;
    EXPECT_TRUE(Holds(output, "0 files sent, 7 unchanged, 0 removed, 0 failures")) << output;

    // Someone else's file stays; an edited page sends a few files; a deleted page goes.
    test::WriteFile(apache->dav() + "www/site/guestbook.htm", "visitors");
    apache->handOver(apache->dav() + "www/site/guestbook.htm");
    auto db = store::Database::open(site.site);
    ASSERT_TRUE(db->execute("UPDATE Articles SET Title = 'Edited' WHERE ArtID = 7").ok());
    ASSERT_TRUE(db->execute("DELETE FROM Articles WHERE ArtID = 2").ok());
    site.build();
    ASSERT_EQ(Publish(site, output), 0) << output;
    EXPECT_TRUE(Holds(output, " removed, 0 failures")) << output;
    EXPECT_TRUE(Holds(output, "removed articles/art-2.htm")) << output;
    auto expected = Served(site);
    expected["guestbook.htm"] = "visitors";
    ExpectSameFiles(onServer(), expected);
}

TEST_F(DavPublish, AKilledPublishIsResumedAndLeavesNoTemporaries)
{
    start();
    ASSERT_EQ(Publish(site, output), 0) << output;
    site.addPage("More", "Pages");
    site.addPage("Even", "More");
    site.build();
    // One connection, killed after its first confirmed file.
    EXPECT_NE(Publish(site, output, {"-c:1"}, true), 0) << output;
    ASSERT_EQ(Publish(site, output), 0) << output;
    ExpectSameFiles(onServer(), Served(site));
    for (const auto& [path, bytes] : test::FilesUnder(apache->dav()))
        EXPECT_EQ(path.find(".quillon-part."), std::string::npos) << path;
}

TEST_F(DavPublish, OverTlsAnUnknownCertificateIsRefusedAndTheAcceptedOneIsPinned)
{
    test::TestCertificate certificate(site.dir.path(), "localhost");
    start(&certificate);
    EXPECT_EQ(Publish(site, output), 1) << output;
    EXPECT_TRUE(Holds(output, certificate.fingerprint)) << output;
    EXPECT_TRUE(test::FilesUnder(apache->dav()).empty());
    site.ftp.trustedKey = certificate.fingerprint;
    ASSERT_EQ(Publish(site, output), 0) << output;
    ExpectSameFiles(onServer(), Served(site));
}

TEST_F(DavPublish, GitOverHttpsThroughTheWebServerWithAPinnedCertificate)
{
    test::TestCertificate certificate(site.dir.path(), "localhost");
    start(&certificate);
    const std::string repository = apache->makeRepository("site.git");
    site.ftp = {"https://127.0.0.1:" + std::to_string(apache->port()) + "/git/site.git",
                "jo",
                "Dav-Pa55word",
                "",
                "",
                "GIT",
                certificate.fingerprint};
    ASSERT_EQ(Publish(site, output), 0) << output;
    auto files = BranchFiles(repository);
    files.erase(kRecordFileName);
    ExpectSameFiles(files, Served(site));

    site.ftp.password = "wrong";
    site.addPage("New", "Page");
    site.build();
    EXPECT_EQ(Publish(site, output), 1) << output;
    EXPECT_TRUE(Holds(output, "refused the login")) << output;
    ExpectNoRewrite(repository);
}

// The fault matrix's rows on a real WebDAV server: Apache refuses one kind of request (403) for
// the paths that match, at the first publish or at a republish that edits a page, removes one and
// keeps a foreign file. Whatever it refuses, the live site holds each file's old or new bytes, the
// record never vouches for bytes that are not there, the outcome is told as it is, and once the
// server heals the next publish completes.
struct DavFault
{
    const char* name;
    const char* method;
    const char* paths; // a regular expression on what follows the site's folder ("/articles/...")
    bool first;        // refused at the first publish (else at the republish)
    bool completes;    // the publish finds a way around the refusal and completes
};

class DavFaults : public ::testing::TestWithParam<DavFault>
{
protected:
    void SetUp() override
    {
        if (const std::string why = test::Apache::unavailable(); !why.empty())
            GTEST_SKIP() << why;
        apache.emplace(site.dir / "apache/", "Dav-Pa55word");
        ASSERT_TRUE(apache->started());
        site.ftp = {"http://127.0.0.1:" + std::to_string(apache->port()) + "/dav/",
                    "jo",
                    "Dav-Pa55word",
                    "/www/",
                    "site/",
                    "WEBDAV"};
        std::filesystem::create_directories(folder);
        test::WriteFile(folder + "guestbook.htm", "visitors");
        apache->handOver(apache->dav());
    }

    std::string refusal() const
    {
        const DavFault& row = GetParam();
        return std::string("<LocationMatch \"^/dav/www/site") + row.paths + "\">\n  <RequireAll>\n" +
               "    Require valid-user\n    Require not method " + row.method + "\n  </RequireAll>\n</LocationMatch>\n";
    }

    // Each file on the server holds what it held before or what the build made (or is gone, for
    // the removed page); the foreign file is untouched; what the record says was sent is there.
    void expectNothingHarmed(const std::map<std::string, std::string>& before, const std::string& when) const
    {
        const auto now = test::FilesUnder(folder);
        const auto built = Served(site);
        for (const auto& [path, bytes] : now) {
            if (path == kRecordFileName)
                continue;
            const auto old = before.find(path);
            const auto fresh = built.find(path);
            const bool known =
                (old != before.end() && old->second == bytes) || (fresh != built.end() && fresh->second == bytes);
            EXPECT_TRUE(known) << when << ": " << path << " is cut or foreign";
            EXPECT_EQ(path.find(".quillon-part."), std::string::npos) << when << ": " << path;
        }
        for (const auto& [path, bytes] : before) {
            if (path != "articles/art-2.htm") {
                EXPECT_EQ(now.count(path), 1u) << when << ": " << path << " is gone";
            }
        }
        EXPECT_EQ(now.count("guestbook.htm") ? now.at("guestbook.htm") : "", "visitors") << when;
        // A record may lag behind the server (the file is sent again), never run ahead of it: a
        // file it holds as sent would not be sent again.
        const ParsedRecord record = ParseRecord(now.count(kRecordFileName) ? now.at(kRecordFileName) : "");
        EXPECT_FALSE(record.damaged) << when;
        for (const auto& [path, digest] : record.files) {
            const auto fresh = built.find(path);
            if (fresh == built.end() || digest != FileDigest {fresh->second.size(), app::Sha256Hex(fresh->second)})
                continue;
            EXPECT_TRUE(now.count(path) && now.at(path) == fresh->second)
                << when << ": the record holds " << path << " as sent, but it is not";
        }
    }

    bool complete() const
    {
        auto expected = Served(site);
        expected["guestbook.htm"] = "visitors";
        auto files = test::FilesUnder(folder);
        files.erase(kRecordFileName);
        return files == expected;
    }

    test::SiteFixture site;
    std::optional<test::Apache> apache;
    std::string folder = site.dir / "apache/dav/www/site/";
    std::string output;
};

TEST_P(DavFaults, TheLiveSiteIsNeverHarmedAndTheNextRunCompletes)
{
    const DavFault& row = GetParam();
    if (!row.first) {
        ASSERT_EQ(Publish(site, output), 0) << output;
        auto db = store::Database::open(site.site);
        ASSERT_TRUE(db->execute("UPDATE Articles SET Title = 'Edited' WHERE ArtID = 7").ok());
        ASSERT_TRUE(db->execute("DELETE FROM Articles WHERE ArtID = 2").ok());
        site.build();
    }
    const auto before = test::FilesUnder(folder);
    ASSERT_TRUE(apache->reconfigure(refusal()));

    const int status = Publish(site, output);
    EXPECT_EQ(status, row.completes ? 0 : 1) << output;
    EXPECT_EQ(Holds(output, "THE UPLOAD FAILED"), !row.completes) << output;
    EXPECT_EQ(Holds(output, "Your web site has been published"), row.completes) << output;
    EXPECT_EQ(complete(), row.completes) << output;
    expectNothingHarmed(before, "after the refusal");

    ASSERT_TRUE(apache->reconfigure(""));
    ASSERT_EQ(Publish(site, output), 0) << output;
    expectNothingHarmed(before, "after the server healed");
    EXPECT_TRUE(complete()) << output;
    ASSERT_EQ(Publish(site, output), 0) << output;
    EXPECT_TRUE(Holds(output, "0 files sent")) << output;
}

// A refused MOVE is a server without renames: the file is replaced in place (mod_dav_fs writes a
// PUT to a temporary file of its own and renames it, so the page is never seen cut).
const DavFault kDavFaults[] = {
    {"MoveOfAnEditedPageRefused", "MOVE", "/.*art-7", false, true},
    {"MoveOfTheRecordRefused", "MOVE", "/.*quillon-published", false, true},
    {"PutOfAnEditedPageRefused", "PUT", "/.*art-7", false, false},
    {"DeleteOfARemovedPageRefused", "DELETE", "/.*art-2", false, false},
    {"ListingRefusedAtTheFirstPublish", "PROPFIND", "", true, false},
    {"FolderRefusedAtTheFirstPublish", "MKCOL", "/articles", true, false},
};

INSTANTIATE_TEST_SUITE_P(Apache, DavFaults, ::testing::ValuesIn(kDavFaults),
                         [](const ::testing::TestParamInfo<DavFault>& row) { return std::string(row.param.name); });

} // namespace
} // namespace qle::publish
