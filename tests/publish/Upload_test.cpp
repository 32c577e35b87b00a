// The whole publish: files written, the batch file carried out by the console runner, the real
// upload client talking to a real FTP server.
#include "publish/BatchRunner.h"
#include "publish/PublishPlan.h"
#include "publish/Publisher.h"

#include "FtpServer.h"
#include "SiteFixture.h"
#include "generator/StoredSiteEditor.h"
#include "support/RecordingUi.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace qle::publish {
namespace {

class Upload : public ::testing::Test
{
protected:
    // Publishes the fixture and carries out its batch file here; returns the client's status.
    int publishAndUpload()
    {
        auto editor = generator::StoredSiteEditor::open(m_site.site, nullptr);
        EXPECT_TRUE(editor.ok());
        int status = -1;
        const auto runHere = [this, &status](const std::string& batch) {
            BatchCallbacks callbacks;
            callbacks.output = [this](const std::string& line) { m_output += line + "\n"; };
            auto result = RunBatchFile(batch, {test::ProgramFolder() + "quillon-ftp", 5}, callbacks);
            status = result.ok() ? result.value() : -2;
            return result.ok();
        };
        EXPECT_TRUE(PublishSite(m_site.job(), editor.value(), m_ui, runHere).ok());
        EXPECT_EQ(m_output.find(m_site.ftp.password), std::string::npos) << m_output;
        return status;
    }

    // What the server should hold below the remote site folder after a publish.
    std::map<std::string, std::string> expectedRemote()
    {
        auto files = m_site.builtFiles();
        files["index.htm"] = test::ReadFile(m_site.web + "Index.htm");
        return files;
    }

    test::SiteFixture m_site;
    test::TempDir m_home;
    test::RecordingUi m_ui;
    std::string m_output;
};

TEST_F(Upload, ServerHoldsTheBuiltSiteByteForByte)
{
    test::FtpServer server(m_home.path(), "jo", m_site.ftp.password);
    ASSERT_TRUE(server.started());
    auto ftp = m_site.ftp;
    ftp.server = server.address();
    m_site.storeSettings(ftp);

    EXPECT_EQ(publishAndUpload(), 0) << m_output;
    EXPECT_EQ(test::FilesUnder(m_home / "www/site"), expectedRemote());
    EXPECT_NE(m_output.find("7 files sent, 0 failures"), std::string::npos) << m_output;
    EXPECT_NE(m_output.find("Your web site has been published to " + server.address()), std::string::npos);

    // Again, with a changed page: the folders exist now (reported, harmless) and files are replaced.
    test::WriteFile(m_site.web + "articles/art-2.htm", "changed");
    m_output.clear();
    EXPECT_EQ(publishAndUpload(), 0) << m_output;
    EXPECT_EQ(test::ReadFile(m_home / "www/site/articles/art-2.htm"), "changed");
    EXPECT_NE(m_output.find("550"), std::string::npos) << m_output;
    EXPECT_EQ(test::FilesUnder(m_home.path()).size(), expectedRemote().size());
}

TEST_F(Upload, AWrongPasswordFailsTheUploadAndSendsNothing)
{
    test::FtpServer server(m_home.path(), "jo", "another-password");
    ASSERT_TRUE(server.started());
    auto ftp = m_site.ftp;
    ftp.server = server.address();
    m_site.storeSettings(ftp);

    EXPECT_EQ(publishAndUpload(), 1) << m_output;
    EXPECT_TRUE(std::filesystem::is_empty(m_home.path()));
    EXPECT_NE(m_output.find("Login failed"), std::string::npos) << m_output;
}

} // namespace
} // namespace qle::publish
