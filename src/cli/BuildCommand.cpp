#include "app/Folders.h"
#include "app/Paths.h"
#include "app/SiteSchema.h"
#include "app/StartUp.h"
#include "cli/Commands.h"
#include "generator/CreateWebSite.h"
#include "generator/StoredSiteEditor.h"

#include <iostream>

namespace qle::cli {

void PrintBuildWarnings(const generator::StoredSiteEditor& editor)
{
    for (const auto& warning : editor.buildWarnings())
        std::cerr << "quillon: warning: " << warning << '\n';
}

int BuildCommand(const Arguments& arguments)
{
    Arguments args = arguments;
    const bool all = std::erase(args, std::string("--all")) > 0;
    std::string baseOverride;
    std::vector<std::string> positional;
    if (!ParseBaseOption(args, baseOverride, positional) || positional.size() != 1) {
        std::cerr << "usage: quillon build SITE.qls [--base DIR] [--all]\n";
        return 2;
    }
    const std::string& sitePath = positional[0];
    std::optional<app::AppState> state = PrepareBaseFolder(baseOverride);
    if (!state)
        return 1;
    const std::string webFolder = app::WebFolder(app::BaseFolder(state->options));

    if (Status s = app::UpgradeSiteFile(sitePath, app::TemplateSitePath(app::ProgramFolder())); !s.ok()) {
        std::cerr << "quillon: " << s.message() << '\n';
        return 1;
    }
    // The site must be readable before a snapshot of it means anything.
    auto editor = generator::StoredSiteEditor::open(sitePath, &std::cout);
    if (!editor) {
        std::cerr << "quillon: " << editor.status().message() << '\n';
        return 1;
    }
    Status built;
    SnapshotBesideWork(sitePath, *state, [&] {
        built = generator::UpdateSite(*editor, sitePath, webFolder, true,
                                      all ? generator::Rewrite::All : generator::Rewrite::Changed);
    });
    PrintBuildWarnings(editor.value());
    if (!built.ok()) {
        std::cerr << "quillon: " << built.message() << '\n';
        return 1;
    }
    if (!editor->commitStatus().ok())
        std::cerr << "quillon: the homepage could not be saved: " << editor->commitStatus().message() << '\n';
    std::string home = editor->browserAddress();
    if (home.rfind("file://", 0) == 0)
        home.erase(0, 7);
    std::cout << "Web folder: " << webFolder << '\n' << "Homepage:   " << home << '\n';
    return 0;
}

} // namespace qle::cli
