#include "app/Banner.h"
#include "support/RecordingUi.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace qle::app {
namespace {

namespace fs = std::filesystem;
using test::RecordingUi;
using test::TempDir;

// A base folder without LocalImages, a program folder with the template banner, and a PATH that
// holds only the programs a test puts there.
struct BannerFixture : ::testing::Test
{
    BannerFixture()
    {
        fs::create_directories(dir / "base");
        fs::create_directories(dir / "program");
        fs::create_directories(dir / "bin");
        fs::create_directories(dir / "pictures");
        test::WriteFile(dir / "program/default_banner.gif", "GIF89a template");
        if (const char* old = std::getenv("PATH"))
            oldPath = old;
        ::setenv("PATH", (dir / "bin").c_str(), 1);
    }
    ~BannerFixture() override { ::setenv("PATH", oldPath.c_str(), 1); }

    void installEditor(const std::string& name)
    {
        test::WriteFile(dir / "bin/" + name, "#!/bin/sh\n");
        fs::permissions(dir / "bin/" + name, fs::perms::owner_all);
    }

    TempDir dir;
    std::string base = dir / "base/";
    std::string images = dir / "base/LocalImages/";
    std::string oldPath;
    RecordingUi ui;
};

TEST_F(BannerFixture, CancellingEitherDialogChangesNothing)
{
    EXPECT_EQ(ChooseBanner(base, ui), std::nullopt);
    EXPECT_EQ(CreateBanner(base, dir / "program/", ui), std::nullopt);
    EXPECT_FALSE(test::PathExists(images));
    EXPECT_TRUE(ui.started.empty());
    EXPECT_TRUE(ui.opened.empty());
    EXPECT_TRUE(ui.messages.empty());

    ASSERT_EQ(ui.fileChoices.size(), 2u);
    EXPECT_EQ(ui.fileChoices[0].title, "Select a banner file");
    EXPECT_EQ(ui.fileChoices[0].initialFolder, "");
    EXPECT_EQ(ui.fileChoices[0].filter, "Graphics files (gif, jpg, jpeg, bmp)|*.gif;*.jpg;*.jpeg;*.bmp");
    EXPECT_EQ(ui.fileChoices[1].title, "Create a new banner file");
    EXPECT_EQ(ui.fileChoices[1].initialFolder, dir / "base/LocalImages");
    EXPECT_EQ(ui.fileChoices[1].filter, ui.fileChoices[0].filter);
}

TEST_F(BannerFixture, ChosenBannerIsCopiedIntoAFolderMadeForIt)
{
    test::WriteFile(dir / "pictures/logo.gif", "GIF89a logo");
    ui.fileAnswers = {dir / "pictures/logo.gif"};
    EXPECT_EQ(ChooseBanner(base, ui), images + "logo.gif");
    EXPECT_EQ(test::ReadFile(images + "logo.gif"), "GIF89a logo");

    // Choosing again replaces the earlier copy of that name.
    test::WriteFile(dir / "pictures/logo.gif", "GIF89a newer logo");
    ui.fileAnswers = {dir / "pictures/logo.gif"};
    EXPECT_EQ(ChooseBanner(base, ui), images + "logo.gif");
    EXPECT_EQ(test::ReadFile(images + "logo.gif"), "GIF89a newer logo");
}

TEST_F(BannerFixture, ChoosingTheCopyItselfKeepsIt)
{
    fs::create_directories(images);
    test::WriteFile(images + "mine.gif", "GIF89a drawn by hand");
    ui.fileAnswers = {images + "mine.gif"};
    EXPECT_EQ(ChooseBanner(base, ui), images + "mine.gif");
    EXPECT_EQ(test::ReadFile(images + "mine.gif"), "GIF89a drawn by hand");
}

TEST_F(BannerFixture, ChoosingAFileThatCannotBeCopiedStillNamesTheCopy)
{
    ui.fileAnswers = {dir / "pictures/typed-name.gif"};
    EXPECT_EQ(ChooseBanner(base, ui), images + "typed-name.gif");
    EXPECT_FALSE(test::PathExists(images + "typed-name.gif"));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(BannerFixture, NewBannerIsTheTemplateOpenedInAnEditor)
{
    installEditor("gimp");
    installEditor("kolourpaint");
    ui.fileAnswers = {dir / "anywhere/Summer Banner.gif"};
    EXPECT_EQ(CreateBanner(base, dir / "program/", ui), images + "Summer Banner.gif");
    EXPECT_EQ(test::ReadFile(images + "Summer Banner.gif"), "GIF89a template");
    EXPECT_EQ(ui.started,
              (std::vector<std::vector<std::string>> {{dir / "bin/kolourpaint", images + "Summer Banner.gif"}}))
        << "the simple paint program comes first";
    EXPECT_TRUE(ui.opened.empty());
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(BannerFixture, NewBannerFallsBackToTheDefaultHandlerThenTellsTheAuthor)
{
    // No editor installed: the default handler opens it.
    ui.fileAnswers = {"new.gif"};
    EXPECT_EQ(CreateBanner(base, dir / "program/", ui), images + "new.gif");
    EXPECT_EQ(ui.opened, std::vector<std::string> {images + "new.gif"});
    EXPECT_TRUE(ui.messages.empty());

    // An editor that fails to start, and no default handler either.
    installEditor("pinta");
    ui.startSucceeds = false;
    ui.openSucceeds = false;
    ui.fileAnswers = {"other.gif"};
    EXPECT_EQ(CreateBanner(base, dir / "program/", ui), images + "other.gif");
    EXPECT_EQ(ui.started.size(), 1u);
    EXPECT_EQ(ui.opened.size(), 2u);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find(images + "other.gif"), std::string::npos) << ui.messages[0].text;
    EXPECT_EQ(ui.messages[0].title, "Quillon Engine");
    EXPECT_TRUE(test::PathExists(images + "other.gif")) << "the banner is made all the same";
}

TEST_F(BannerFixture, MissingTemplateIsReportedAndNothingIsStarted)
{
    installEditor("kolourpaint");
    ui.fileAnswers = {"new.gif"};
    EXPECT_EQ(CreateBanner(base, dir / "empty-program/", ui), std::nullopt);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find(dir / "empty-program/default_banner.gif"), std::string::npos);
    EXPECT_TRUE(ui.started.empty());
    EXPECT_FALSE(test::PathExists(images + "new.gif"));
}

} // namespace
} // namespace qle::app
