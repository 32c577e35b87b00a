#include "cli/Commands.h"
#include "cli/ConsoleUi.h"

#include "app/Folders.h"
#include "app/Paths.h"
#include "app/SiteSchema.h"
#include "app/StartUp.h"
#include "generator/StoredSiteEditor.h"
#include "publish/BatchRunner.h"
#include "publish/Publisher.h"

#include <iostream>
#include <string>
#include <vector>

namespace qle::cli {

namespace {

int PublishUsage()
{
    std::cerr << "usage: quillon publish SITE.qls [--base DIR]\n";
    return 2;
}

} // namespace

int PublishCommand(const Arguments& args)
{
    std::string baseOverride;
    std::vector<std::string> positional;
    if (!ParseBaseOption(args, baseOverride, positional))
        return PublishUsage();
    if (positional.size() != 1)
        return PublishUsage();
    const std::string sitePath = positional[0];

    std::optional<app::AppState> state = PrepareBaseFolder(baseOverride);
    if (!state)
        return 1;
    publish::PublishJob job;
    job.baseFolder = app::BaseFolder(state->options);
    job.webFolder = app::WebFolder(job.baseFolder);
    job.sitePath = sitePath;
    if (Status s = app::UpgradeSiteFile(sitePath, app::TemplateSitePath(app::ProgramFolder())); !s.ok()) {
        std::cerr << "quillon: " << s.message() << '\n';
        return 1;
    }
    auto ftp = publish::LoadFtpSettings(sitePath);
    if (!ftp) {
        std::cerr << "quillon: " << ftp.status().message() << '\n';
        return 1;
    }
    job.ftp = std::move(ftp.value());
    auto editor = generator::StoredSiteEditor::open(sitePath, nullptr);
    if (!editor) {
        std::cerr << "quillon: " << editor.status().message() << '\n';
        return 1;
    }

    SnapshotBeforeWork(sitePath, *state);

    // The batch file runs here in the foreground; nobody is at a console window to press a key.
    int uploadStatus = 1;
    const publish::ConsoleLauncher runHere = [&uploadStatus](const std::string& batchFile) {
        publish::BatchOptions options;
        options.ftpProgram = publish::DefaultFtpProgram();
        publish::BatchCallbacks callbacks;
        callbacks.output = [](const std::string& line) { std::cout << line << std::endl; };
        auto result = publish::RunBatchFile(batchFile, options, callbacks);
        if (!result) {
            std::cerr << "quillon: " << result.status().message() << '\n';
            return false;
        }
        uploadStatus = result.value();
        return true;
    };
    ConsoleUi ui;
    if (!publish::PublishSite(job, editor.value(), ui, runHere).ok())
        return 1;
    return uploadStatus;
}

} // namespace qle::cli
