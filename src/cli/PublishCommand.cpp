#include "cli/Commands.h"
#include "cli/ConsoleUi.h"
#include "cli/SiteConnection.h"

#include "app/Folders.h"
#include "app/Paths.h"
#include "app/SiteSchema.h"
#include "app/StartUp.h"
#include "generator/CreateWebSite.h"
#include "generator/StoredSiteEditor.h"
#include "publish/client/BatchRunner.h"
#include "publish/client/Publisher.h"

#include <csignal>
#include <iostream>
#include <string>
#include <vector>

namespace qle::cli {

namespace {

int PublishUsage()
{
    std::cerr << "usage: quillon publish SITE.qls [--base DIR] [--trust FINGERPRINT] [--all] [--verify] [--dry-run]\n"
                 "                               [--allow-deletes] [--force]\n";
    return 2;
}

// Takes the options of one publish out of the arguments. "--all" and
// "--verify" go into the settings, the others straight to the upload client.
void TakeSyncOptions(Arguments& args, publish::FtpSettings& choices, std::vector<std::string>& clientOptions)
{
    Arguments rest;
    for (const std::string& arg : args) {
        if (arg == "--all")
            choices.sendAll = true;
        else if (arg == "--verify")
            choices.verify = true;
        else if (arg == "--dry-run" || arg == "--allow-deletes")
            clientOptions.push_back(arg);
        else
            rest.push_back(arg);
    }
    args = std::move(rest);
}

} // namespace

int PublishCommand(const Arguments& arguments)
{
    Arguments args = arguments;
    publish::FtpSettings choices;
    std::vector<std::string> clientOptions;
    TakeSyncOptions(args, choices, clientOptions);
    std::string trust;
    if (!TakeTrustOption(args, trust))
        return PublishUsage();
    const bool force = std::erase(args, std::string("--force")) > 0;
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
    SiteSecrets secrets;
    if (int status = PrepareSite(sitePath, trust, job.ftp, secrets); status != 0)
        return status;
    job.ftp.sendAll = choices.sendAll;
    job.ftp.verify = choices.verify;
    for (auto& option : publish::ClientOptions(job.ftp))
        clientOptions.push_back(std::move(option));
    auto editor = generator::StoredSiteEditor::open(sitePath, &std::cout);
    if (!editor) {
        std::cerr << "quillon: " << editor.status().message() << '\n';
        return 1;
    }

    // A site changed since its last build is built first: a stale build is never uploaded.
    Status built;
    SnapshotBesideWork(sitePath, *state,
                       [&] { built = generator::BuildIfChanged(editor.value(), sitePath, job.webFolder); });
    PrintBuildWarnings(editor.value());
    if (!built.ok()) {
        std::cerr << "quillon: the site was not published. " << built.message() << '\n';
        return 1;
    }

    // The batch file runs here in the foreground; nobody is at a console window to press a key.
    int uploadStatus = 1;
    const publish::ConsoleLauncher runHere = [&uploadStatus, &job, &clientOptions, force,
                                              &secrets](const std::string& batchFile) {
        // Nothing broken goes live unasked: errors stop the upload unless --force. Checked once the
        // publisher found the web folder fit to publish, so its own advice comes first.
        const auto clean = CheckBeforeWork(job.sitePath, job.webFolder, false);
        if (!clean)
            return true; // uploadStatus stays 1: nothing was sent
        if (!*clean && !force) {
            std::cerr << "quillon: the site has errors; nothing was published (--force publishes it anyway)\n";
            return true;
        }
        // Asked only once the upload files are written: a site that cannot be published asks nothing.
        const auto secret = AskSecret(job.ftp, secrets);
        if (!secret)
            return true; // uploadStatus stays 1: nothing was sent
        publish::BatchOptions options;
        options.ftpProgram = publish::DefaultFtpProgram();
        options.ftpArguments = clientOptions;
        options.secret = *secret;
        publish::BatchCallbacks callbacks;
        callbacks.output = [](const std::string& line) { std::cout << line << std::endl; };
        // Ctrl+C reaches the upload client, which stops cleanly and reports what was sent.
        const auto previous = std::signal(SIGINT, SIG_IGN);
        auto result = publish::RunBatchFile(batchFile, options, callbacks);
        std::signal(SIGINT, previous);
        if (!result) {
            std::cerr << "quillon: " << result.status().message() << '\n';
            return false;
        }
        uploadStatus = result.value();
        return true;
    };
    if (!publish::PublishSite(job, editor.value(), secrets.ui, runHere).ok())
        return 1;
    return uploadStatus;
}

} // namespace qle::cli
