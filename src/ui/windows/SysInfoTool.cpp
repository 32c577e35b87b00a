#include "ui/windows/SysInfoTool.h"

#include "app/UserInterface.h"

#include <QStandardPaths>

#include <initializer_list>

namespace qle::ui {

std::vector<std::string> FindSysInfoTool()
{
    const std::initializer_list<std::vector<std::string>> candidates = {
        {"kinfocenter"}, {"gnome-control-center", "info-overview"}, // the About panel up to version 45
        {"xfce4-about"}, {"hardinfo2"},
        {"hardinfo"},
    };
    for (const auto& candidate : candidates) {
        const QString found = QStandardPaths::findExecutable(QString::fromStdString(candidate.front()));
        if (found.isEmpty())
            continue;
        std::vector<std::string> argv = candidate;
        argv.front() = found.toStdString();
        return argv;
    }
    return {};
}

void StartSysInfo(app::UserInterface& ui)
{
    const std::vector<std::string> tool = FindSysInfoTool();
    if (!tool.empty() && ui.startProgram(tool))
        return;
    ui.showMessage("System Information Is Unavailable At This Time", app::kProgramTitle, app::MessageIcon::None);
}

} // namespace qle::ui
