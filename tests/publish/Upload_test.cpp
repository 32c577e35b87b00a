// The whole publish: files written, the batch file carried out by the console runner, the real
// upload client talking to a real FTP server.
#include "publish/BatchRunner.h"
#include "publish/PublishedRecord.h"
#include "publish/Publisher.h"

#include "FtpServer.h"
#include "SiteFixture.h"
#include "generator/StoredSiteEditor.h"
#include "support/RecordingUi.h"

#include <gtest/gtest.h>

namespace qle::publish {
namespace {

TEST(Upload, ServerHoldsTheBuiltSiteByteForByte)
{
    test::SiteFixture site;
    test::TempDir home;
    test::FtpServer server(home.path(), "jo", site.ftp.password);
    ASSERT_TRUE(server.started());
    site.ftp.server = server.address();
    auto expected = site.builtFiles();
    std::string output;
    // Publishes and carries out the batch file here; returns the client's status.
    const auto publishAndUpload = [&] {
        auto editor = generator::StoredSiteEditor::open(site.site, nullptr);
        EXPECT_TRUE(editor.ok());
        test::RecordingUi ui;
        int status = -1;
        const auto runHere = [&output, &status](const std::string& batch) {
            BatchCallbacks callbacks;
            callbacks.output = [&output](const std::string& line) { output += line + "\n"; };
            auto result = RunBatchFile(batch, {test::ProgramFolder() + "quillon-ftp", 5}, callbacks);
            status = result.ok() ? result.value() : -2;
            return result.ok();
        };
        output.clear();
        EXPECT_TRUE(PublishSite(site.job(), editor.value(), ui, runHere).ok());
        EXPECT_EQ(output.find(site.ftp.password), std::string::npos) << output;
        return status;
    };

    EXPECT_EQ(publishAndUpload(), 0) << output;
    expected = test::FilesUnder(site.web); // with the forwarding page and its logo
    expected["index.htm"] = expected.at("Index.htm");
    expected.erase("Index.htm");
    auto onServer = test::FilesUnder(home / "www/site");
    EXPECT_EQ(onServer.erase(kRecordFileName), 1u) << "the record of published files";
    EXPECT_EQ(onServer, expected);
    EXPECT_NE(output.find("7 files sent, 0 unchanged, 0 removed, 0 failures"), std::string::npos) << output;
    EXPECT_NE(output.find("Your web site has been published to " + server.address()), std::string::npos);

    // Again, with a changed page: only that page is sent.
    test::WriteFile(site.web + "articles/art-2.htm", "changed");
    EXPECT_EQ(publishAndUpload(), 0) << output;
    expected["articles/art-2.htm"] = "changed";
    onServer = test::FilesUnder(home / "www/site");
    onServer.erase(kRecordFileName);
    EXPECT_EQ(test::FilesUnder(home.path()).size(), expected.size() + 1) << "nothing else sent";
    EXPECT_EQ(onServer, expected);
    EXPECT_NE(output.find("1 file sent, 6 unchanged, 0 removed, 0 failures"), std::string::npos) << output;
}

TEST(Upload, AHostileSiteReachesTheServerFileForFile)
{
    test::SiteFixture site;
    const std::pair<std::string, std::string> names[] = {
        {"Tab\there|Star*:<x>", "Line\r\nbreak"},
        {"\"Quoted\" & 'single'", "#1? 100%"},
        {"Slash/Back\\slash", "..\\..\\up"},
        {"  spaced  ", "control\x01\x7f"},
    };
    int n = 0;
    for (const auto& [category, section] : names) {
        const std::string picture = site.dir / ("pic" + std::to_string(++n) + "-\"*:<>?|\t.gif");
        test::WriteFile(picture, "GIF89a" + std::to_string(n));
        site.addPage(category, section, picture);
    }
    test::WriteFile(site.dir / ".dotted.png", "\x89PNG\r\n\x1A\n");
    site.addPage("Dots", "Dots", site.dir / ".dotted.png");
    site.build();

    test::TempDir home;
    test::FtpServer server(home.path(), "jo", site.ftp.password);
    ASSERT_TRUE(server.started());
    site.ftp.server = server.address();
    auto editor = generator::StoredSiteEditor::open(site.site, nullptr);
    test::RecordingUi ui;
    std::string output;
    int status = -1;
    ASSERT_TRUE(PublishSite(site.job(), editor.value(), ui, [&](const std::string& batch) {
                    BatchCallbacks callbacks;
                    callbacks.output = [&output](const std::string& line) { output += line + "\n"; };
                    status = RunBatchFile(batch, {test::ProgramFolder() + "quillon-ftp", 5}, callbacks).value();
                    return true;
                }).ok());
    EXPECT_EQ(status, 0) << output;
    EXPECT_TRUE(ui.messages.empty()) << "nothing the build wrote is left out";

    auto local = test::FilesUnder(site.web);
    EXPECT_EQ(local.count("images/.dotted.png"), 1u);
    EXPECT_EQ(local.count("images/pic1---------.gif"), 1u) << "copied under a portable name";
    local.erase("temp.fle"); // the folder routines' marker is never uploaded
    const auto remote = test::FilesUnder(home / "www/site");
    EXPECT_EQ(remote.at("index.htm"), local.at("Index.htm"));
    local.erase("Index.htm");
    auto remoteContent = remote;
    remoteContent.erase("index.htm");
    remoteContent.erase(kRecordFileName);
    EXPECT_EQ(remoteContent.size(), local.size());
    for (const auto& [name, bytes] : local) {
        auto it = remoteContent.find(name);
        EXPECT_TRUE(it != remoteContent.end() && it->second == bytes) << name;
    }
}

} // namespace
} // namespace qle::publish
