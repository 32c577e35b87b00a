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
    expected["index.htm"] = test::ReadFile(site.web + "Index.htm");
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

} // namespace
} // namespace qle::publish
