#include "app/Folders.h"
#include "app/Paths.h"
#include "app/SiteSchema.h"
#include "check/SiteCheck.h"
#include "cli/Commands.h"

#include <algorithm>
#include <iostream>

namespace qle::cli {

std::optional<bool> CheckBeforeWork(const std::string& sitePath, const std::string& webFolder, bool external)
{
    check::CheckOptions options;
    options.external = external;
    auto findings = check::CheckSite(sitePath, webFolder, options);
    if (!findings) {
        std::cerr << "quillon: " << findings.status().message() << '\n';
        return std::nullopt;
    }
    for (const auto& finding : *findings)
        std::cout << finding.text() << '\n';
    const auto errors = std::count_if(findings->begin(), findings->end(), [](const check::Finding& f) {
        return f.severity == check::Finding::Severity::Error;
    });
    std::cout << "Checked " << sitePath << ": " << errors << (errors == 1 ? " error, " : " errors, ")
              << findings->size() - errors << (findings->size() - errors == 1 ? " warning" : " warnings") << '\n';
    return errors == 0;
}

int CheckCommand(const Arguments& arguments)
{
    Arguments args = arguments;
    const bool external = std::erase(args, std::string("--external")) > 0;
    std::string baseOverride;
    std::vector<std::string> positional;
    if (!ParseBaseOption(args, baseOverride, positional) || positional.size() != 1) {
        std::cerr << "usage: quillon check SITE.qls [--base DIR] [--external]\n";
        return 2;
    }
    const std::string& sitePath = positional[0];
    std::optional<app::AppState> state = PrepareBaseFolder(baseOverride);
    if (!state)
        return 1;
    if (Status s = app::UpgradeSiteFile(sitePath, app::TemplateSitePath(app::ProgramFolder())); !s.ok()) {
        std::cerr << "quillon: " << s.message() << '\n';
        return 1;
    }
    const auto clean = CheckBeforeWork(sitePath, app::WebFolder(app::BaseFolder(state->options)), external);
    return clean.value_or(false) ? 0 : 1;
}

} // namespace qle::cli
