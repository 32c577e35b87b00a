#include "app/Banner.h"

#include "app/DesktopPrograms.h"
#include "app/Folders.h"
#include "app/LocalCopy.h"
#include "app/Paths.h"
#include "store/RecordSet.h"

#include <filesystem>

namespace qle::app {

namespace {

// Copies a file over any file of the destination's name. Copying a file onto itself fails
// without touching it.
bool CopyReplacing(const std::string& from, const std::string& to)
{
    std::error_code ec;
    return std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec);
}

} // namespace

std::string TemplateBannerPath(const std::string& programFolder)
{
    return JoinPath(programFolder, "default_banner.gif");
}

std::optional<std::string> ChooseBanner(const std::string& baseFolder, UserInterface& ui)
{
    FileChoice choice;
    choice.title = "Select a banner file";
    choice.filter = kGraphicsFilter;
    const std::string chosen = ui.chooseFile(choice);
    if (FileNameOfPath(chosen).empty())
        return std::nullopt;

    // Without the folder the copy would fail and the banner would name a file that never existed.
    const std::string images = LocalImagesFolder(baseFolder);
    (void)EnsureFolder(images);
    return CopyUnderFreeName(chosen, images);
}

std::optional<std::string> CreateBanner(const std::string& baseFolder, const std::string& programFolder,
                                        UserInterface& ui, const std::string& siteName)
{
    const std::string images = LocalImagesFolder(baseFolder);
    FileChoice choice;
    choice.title = "Create a new banner file";
    choice.initialFolder = WithTrailingSlash(baseFolder) + "LocalImages";
    // The template is a GIF picture, and so is every banner made from it.
    choice.filter = "GIF pictures (*.gif)|*.gif";
    choice.defaultName = (siteName.empty() ? std::string("banner") : PortableFileName(siteName)) + ".gif";
    choice.save = true;
    choice.defaultSuffix = "gif";
    std::string chosen = ui.chooseFile(choice);
    if (FileNameOfPath(chosen).empty())
        return std::nullopt;
    if (chosen.size() < 4 || !store::EqualsIgnoreCase(chosen.substr(chosen.size() - 4), ".gif"))
        chosen += ".gif";

    if (Status s = EnsureFolder(images); !s.ok()) {
        ui.showMessage("The new banner could not be made. " + s.message(), kProgramTitle, MessageIcon::Warning);
        return std::nullopt;
    }
    const std::string destination = images + FileNameOfPath(chosen);
    const std::string templateBanner = TemplateBannerPath(programFolder);
    if (!CopyReplacing(templateBanner, destination)) {
        ui.showMessage("The new banner could not be made: " + templateBanner + " could not be copied to " + destination,
                       kProgramTitle, MessageIcon::Warning);
        return std::nullopt;
    }

    std::vector<std::string> editor = FindImageEditor();
    bool opened = false;
    if (!editor.empty()) {
        editor.push_back(destination);
        opened = ui.startProgram(editor);
    }
    if (!opened)
        opened = ui.openWithDesktop(destination);
    if (!opened)
        ui.showMessage("No picture editor could be found to open " + destination +
                           ". Install a paint program to draw your banner.",
                       kProgramTitle, MessageIcon::Information);
    return destination;
}

} // namespace qle::app
