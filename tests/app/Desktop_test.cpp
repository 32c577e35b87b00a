#include "app/AppQueries.h"
#include "app/Desktop.h"
#include "support/RecordingUi.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace qle::app {
namespace {

using test::RecordingUi;
using test::TempDir;

TEST(ShowPage, WritesTheLoaderPageByteForByteThenOpensItUnlessTheAddressIsEmpty)
{
    TempDir dir;
    RecordingUi ui;
    ASSERT_TRUE(ShowPage("http://www.example.com/", dir.path(), "", ui).ok());
    const std::string expected = "<html>\r\n"
                                 "<head>\r\n"
                                 "<meta http-equiv=\"REFRESH\" content=\"0; URL=http://www.example.com/\">\r\n"
                                 "<title>Loading page</title>\r\n"
                                 "</head>\r\n"
                                 "<body bgcolor=white><center>\r\n"
                                 "Quillon Engine is a loading web page<BR><BR>\r\n"
                                 "<img src=\"" +
                                 dir.path() +
                                 "qle_logo.bmp\"><BR><BR>\r\n"
                                 "Loading page now. Click here if it fails to load <a href=\"http://www.example.com/\">"
                                 "Click me.</a>\r\n"
                                 "</body>\r\n"
                                 "</html>\r\n";
    EXPECT_EQ(test::ReadFile(dir / "Open.htm"), expected);
    EXPECT_EQ(ui.opened, std::vector<std::string> {dir / "Open.htm"});

    // An empty address writes and opens nothing.
    TempDir empty;
    ASSERT_TRUE(ShowPage("", empty.path(), "", ui).ok());
    EXPECT_FALSE(test::PathExists(empty / "Open.htm"));
    EXPECT_EQ(ui.opened.size(), 1u);
    EXPECT_FALSE(ShowPage("x", dir / "no-such-folder/", "", ui).ok()) << "an unwritable loader page is an error";
}

TEST(ShowPage, UnwritableProgramFolderPutsTheLoaderPageInTheWritableFolder)
{
    TempDir dir;
    RecordingUi ui;
    std::filesystem::create_directories(dir / "base");
    const std::string readOnlyProgram = dir / "program-folder-that-cannot-be-written/";
    ASSERT_TRUE(ShowPage("http://www.example.com/", readOnlyProgram, dir / "base/", ui).ok());
    EXPECT_EQ(test::ReadFile(dir / "base/Open.htm"), LoaderPageText("http://www.example.com/", readOnlyProgram))
        << "the logo is still taken from the program folder";
    EXPECT_EQ(ui.opened, std::vector<std::string> {dir / "base/Open.htm"});

    // A writable program folder is used as before, and the base folder is left alone.
    std::filesystem::create_directories(dir / "program");
    ASSERT_TRUE(ShowPage("x", dir / "program/", dir / "elsewhere/", ui).ok());
    EXPECT_TRUE(test::PathExists(dir / "program/Open.htm"));
    EXPECT_FALSE(test::PathExists(dir / "elsewhere"));

    // Neither writable: the error names both places, and nothing is opened.
    ui.opened.clear();
    const Status s = ShowPage("x", readOnlyProgram, dir / "missing-base/", ui);
    ASSERT_FALSE(s.ok());
    EXPECT_NE(s.message().find(readOnlyProgram + "Open.htm"), std::string::npos) << s.message();
    EXPECT_NE(s.message().find(dir / "missing-base/Open.htm"), std::string::npos) << s.message();
    EXPECT_TRUE(ui.opened.empty());
}

TEST(OpenDocument, MissingFileIsReportedNotOpened)
{
    TempDir dir;
    RecordingUi ui;
    OpenDocument(dir / "gone.gif", ui);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "File " + (dir / "gone.gif") + " could not be found");
    EXPECT_EQ(ui.messages[0].title, "Third Party Software not found");
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Information);
    EXPECT_TRUE(ui.opened.empty());

    test::WriteFile(dir / "here.gif", "GIF");
    OpenDocument(dir / "here.gif", ui);
    EXPECT_EQ(ui.opened, std::vector<std::string> {dir / "here.gif"});
}

TEST(ReportError, MessageText)
{
    const auto report = ReportErrorMessage("btnCreate_Click", "Path not found", "QuillonEngine", 76);
    EXPECT_EQ(report.title, "ERROR in btnCreate_Click");
    EXPECT_EQ(report.text, "Path not found\rQuillonEngine generated error no 76");
}

TEST(StartDetached, ReportsWhetherTheProgramStarted)
{
    EXPECT_TRUE(StartDetached({"true"}));
    EXPECT_FALSE(StartDetached({"/no/such/program"}));
    EXPECT_FALSE(StartDetached({}));
}

TEST(StartDetached, HandsTheSecretOnByDescriptorOnly)
{
    test::TempDir dir;
    const std::string seen = dir / "seen";
    // The program writes what descriptor 3 holds, and whether its arguments or environment do.
    ASSERT_TRUE(StartDetached({"sh", "-c",
                               "{ cat <&3; echo; echo \"$*\"; env | grep -c Pass-Word || true; } > '" + seen +
                                   ".part' && mv '" + seen + ".part' '" + seen + "'",
                               "sh", "visible"},
                              "Pass-Word 1"));
    // The program runs on its own; its answer appears once it has finished.
    for (int i = 0; i < 1000 && !test::PathExists(seen); ++i)
        ::usleep(10000);
    EXPECT_EQ(test::ReadFile(seen), "Pass-Word 1\nvisible\n0\n");
}

TEST(FillListFromQuery, ReturnsField1InOrderOrTheError)
{
    const std::string appDb = test::ProgramFolder() + "Quillon Engine.mdb";
    auto all = FillListFromQuery(appDb, "select provider as field1 from providers;");
    ASSERT_TRUE(all.ok()) << all.status().message();
    EXPECT_GE(all->size(), 3u);
    auto recent = RecentSites(appDb);
    ASSERT_TRUE(recent.ok());
    EXPECT_TRUE(recent->empty());
    EXPECT_FALSE(FillListFromQuery("/nonexistent/Quillon Engine.mdb", "select 1 as field1").ok());
}

} // namespace
} // namespace qle::app
