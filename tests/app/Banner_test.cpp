// Banners chosen or made from the template, and finding and starting desktop programs.
#include "app/Banner.h"
#include "app/DesktopPrograms.h"
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

// Points PATH at the given folders for one test and puts the old value back afterwards.
class ScopedPath
{
public:
    explicit ScopedPath(const std::string& path)
    {
        if (const char* old = std::getenv("PATH"))
            m_old = old;
        ::setenv("PATH", path.c_str(), 1);
    }
    ~ScopedPath() { ::setenv("PATH", m_old.c_str(), 1); }

private:
    std::string m_old;
};

void MakeProgram(const std::string& path, bool executable = true)
{
    test::WriteFile(path, "#!/bin/sh\nexit 0\n");
    std::filesystem::permissions(path,
                                 executable ? std::filesystem::perms::owner_all : std::filesystem::perms::owner_read);
}

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
    }

    void installEditor(const std::string& name) { MakeProgram(dir / "bin/" + name); }

    TempDir dir;
    ScopedPath path {dir / "bin"};
    std::string base = dir / "base/";
    std::string images = dir / "base/LocalImages/";
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
    EXPECT_EQ(ui.fileChoices[0].filter,
              "Graphics files (gif, jpg, jpeg, bmp, png, webp, svg)|*.gif;*.jpg;*.jpeg;*.bmp;*.png;*.webp;*.svg");
    EXPECT_EQ(ui.fileChoices[1].title, "Create a new banner file");
    EXPECT_EQ(ui.fileChoices[1].initialFolder, dir / "base/LocalImages");
    EXPECT_EQ(ui.fileChoices[1].filter, "GIF pictures (*.gif)|*.gif");
    EXPECT_TRUE(ui.fileChoices[1].save) << "a dialog whose button says Save";
    EXPECT_EQ(ui.fileChoices[1].defaultName, "banner.gif");
}

TEST_F(BannerFixture, ANewBannerStartsFromTheSitesNameAndIsAGif)
{
    ui.fileAnswers = {dir / "anywhere/Club banner"};
    EXPECT_EQ(CreateBanner(base, dir / "program/", ui, "Garden: Club"), images + "Club banner.gif");
    EXPECT_EQ(ui.fileChoices[0].defaultName, "Garden- Club.gif");
    EXPECT_EQ(ui.fileChoices[0].defaultSuffix, "gif");
    ui.fileAnswers = {"Shouting.GIF"};
    EXPECT_EQ(CreateBanner(base, dir / "program/", ui, "x"), images + "Shouting.GIF");
}

TEST_F(BannerFixture, ChosenBannerIsCopiedIntoAFolderMadeForIt)
{
    test::WriteFile(dir / "pictures/logo.gif", "GIF89a logo");
    ui.fileAnswers = {dir / "pictures/logo.gif"};
    EXPECT_EQ(ChooseBanner(base, ui), images + "logo.gif");
    EXPECT_EQ(test::ReadFile(images + "logo.gif"), "GIF89a logo");

    // Choosing the copy itself keeps it; a different logo.gif never replaces it but gets a free name.
    ui.fileAnswers = {images + "logo.gif"};
    EXPECT_EQ(ChooseBanner(base, ui), images + "logo.gif");
    test::WriteFile(dir / "pictures/logo.gif", "GIF89a newer logo");
    ui.fileAnswers = {dir / "pictures/logo.gif"};
    EXPECT_EQ(ChooseBanner(base, ui), images + "logo-2.gif");
    EXPECT_EQ(test::ReadFile(images + "logo.gif"), "GIF89a logo");
    EXPECT_EQ(test::ReadFile(images + "logo-2.gif"), "GIF89a newer logo");

    // A file that cannot be copied still names the copy, silently.
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

TEST(DesktopPrograms, FindProgramSearchesThePathInOrder)
{
    TempDir dir;
    std::filesystem::create_directories(dir / "a");
    std::filesystem::create_directories(dir / "b");
    std::filesystem::create_directories(dir / "b/folder-not-program");
    MakeProgram(dir / "a/tool", false);
    MakeProgram(dir / "b/tool");
    MakeProgram(dir / "a/first");
    MakeProgram(dir / "b/first");
    ScopedPath path(":" + (dir / "a") + "::" + (dir / "b/"));

    EXPECT_EQ(FindProgram("tool"), dir / "b/tool") << "a file that cannot be run is passed over";
    EXPECT_EQ(FindProgram("first"), dir / "a/first");
    EXPECT_EQ(FindProgram("folder-not-program"), "");
    EXPECT_EQ(FindProgram("missing"), "");
    EXPECT_EQ(FindProgram(""), "");
    EXPECT_EQ(FindProgram(dir / "b/tool"), dir / "b/tool");
    EXPECT_EQ(FindProgram(dir / "a/tool"), "");
}

TEST(DesktopPrograms, StartSysInfoStartsTheToolOrSaysItIsUnavailable)
{
    struct Case
    {
        const char* name;
        std::vector<std::string> installed;
        bool starts;
        std::vector<std::string> expected; // relative first word; empty: the message
    };
    const Case cases[] = {
        {"nothing installed", {}, true, {}},
        {"stand-alone tool", {"hardinfo"}, true, {"hardinfo"}},
        {"the desktop's own tool first", {"hardinfo", "kinfocenter"}, true, {"kinfocenter"}},
        {"settings panel", {"gnome-control-center"}, true, {"gnome-control-center", "info-overview"}},
        {"tool that does not start", {"hardinfo"}, false, {}},
    };
    for (const Case& c : cases) {
        TempDir dir;
        for (const auto& name : c.installed)
            MakeProgram(dir / name);
        ScopedPath path(dir.path());
        test::RecordingUi ui;
        ui.startSucceeds = c.starts;
        StartSysInfo(ui);
        if (c.expected.empty()) {
            ASSERT_EQ(ui.messages.size(), 1u) << c.name;
            EXPECT_EQ(ui.messages[0].text, "System Information Is Unavailable At This Time") << c.name;
            EXPECT_EQ(ui.messages[0].title, "Quillon Engine") << c.name;
            continue;
        }
        EXPECT_TRUE(ui.messages.empty()) << c.name;
        std::vector<std::string> expected = c.expected;
        expected.front() = dir / expected.front();
        EXPECT_EQ(ui.started, std::vector<std::vector<std::string>> {expected}) << c.name;
    }
}

} // namespace
} // namespace qle::app
