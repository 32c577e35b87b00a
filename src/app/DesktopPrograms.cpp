#include "app/DesktopPrograms.h"

#include "app/Paths.h"

#include <cstdlib>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace qle::app {

namespace {

bool IsExecutableFile(const std::string& path)
{
    struct stat info
    {
    };
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

} // namespace

std::string FindProgram(const std::string& name)
{
    if (name.empty())
        return {};
    if (name.find('/') != std::string::npos)
        return IsExecutableFile(name) ? name : std::string();
    const char* path = std::getenv("PATH");
    std::string_view folders = path ? path : "";
    while (!folders.empty()) {
        const std::size_t colon = folders.find(':');
        const std::string_view folder = folders.substr(0, colon);
        folders = colon == std::string_view::npos ? std::string_view() : folders.substr(colon + 1);
        // An empty entry means the current folder, which is not searched on purpose.
        if (folder.empty())
            continue;
        const std::string candidate = JoinPath(folder, name);
        if (IsExecutableFile(candidate))
            return candidate;
    }
    return {};
}

std::vector<std::string> FirstInstalled(const std::vector<std::vector<std::string>>& candidates)
{
    for (const auto& candidate : candidates) {
        if (candidate.empty())
            continue;
        std::string found = FindProgram(candidate.front());
        if (found.empty())
            continue;
        std::vector<std::string> argv = candidate;
        argv.front() = std::move(found);
        return argv;
    }
    return {};
}

std::vector<std::string> FindSysInfoTool()
{
    return FirstInstalled({
        {"kinfocenter"},
        {"gnome-control-center", "info-overview"}, // the About panel up to version 45
        {"xfce4-about"},
        {"hardinfo2"},
        {"hardinfo"},
    });
}

std::vector<std::string> FindImageEditor()
{
    return FirstInstalled({{"kolourpaint"}, {"pinta"}, {"drawing"}, {"mtpaint"}, {"gimp"}, {"krita"}});
}

void StartSysInfo(UserInterface& ui)
{
    const std::vector<std::string> tool = FindSysInfoTool();
    if (!tool.empty() && ui.startProgram(tool))
        return;
    ui.showMessage("System Information Is Unavailable At This Time", kProgramTitle, MessageIcon::None);
}

} // namespace qle::app
