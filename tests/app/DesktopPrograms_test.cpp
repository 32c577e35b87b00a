#include "app/DesktopPrograms.h"
#include "support/RecordingUi.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace qle::app {
namespace {

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
