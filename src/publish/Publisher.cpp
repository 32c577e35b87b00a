#include "publish/Publisher.h"

#include "app/Desktop.h"
#include "app/Paths.h"
#include "app/TextFiles.h"
#include "app/UserInterface.h"
#include "generator/HomePage.h"
#include "publish/Connection.h"
#include "publish/PublishPlan.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace qle::publish {

namespace {

struct DirCloser
{
    void operator()(DIR* dir) const { ::closedir(dir); }
};

bool IsFolder(const std::string& path)
{
    struct stat info
    {
    };
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

Result<std::vector<std::string>> SortedPlainFiles(const std::string& folder)
{
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir)
        return Status::IoError("Cannot list the folder " + folder + ": " + std::strerror(errno));
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name.empty() || name[0] == '.')
            continue;
        struct stat info
        {
        };
        if (::stat(app::JoinPath(folder, name).c_str(), &info) == 0 && S_ISREG(info.st_mode))
            names.push_back(name);
    }
    if (errno != 0)
        return Status::IoError("Cannot list the folder " + folder + ": " + std::strerror(errno));
    std::sort(names.begin(), names.end());
    return names;
}

void CopyLogoIfMissing(const PublishJob& job)
{
    const std::string images = job.webFolder + "images";
    if (!IsFolder(images))
        return;
    const std::string folder = job.programFolder.empty() ? app::ProgramFolder() : job.programFolder;
    std::error_code ignored; // a missing logo only costs the picture on the forwarding page
    std::filesystem::copy_file(app::JoinPath(folder, kLogoFileName), app::JoinPath(images, kLogoFileName),
                               std::filesystem::copy_options::skip_existing, ignored);
}

} // namespace

ConsoleLauncher DetachedConsole(app::UserInterface& ui, const std::string& consoleProgram)
{
    return [&ui, consoleProgram](const std::string& batchFile) { return ui.startProgram({consoleProgram, batchFile}); };
}

Result<std::string> PutLinesForFolder(const std::string& folder)
{
    auto names = SortedPlainFiles(folder);
    if (!names)
        return names.status();
    return PutBlock(app::WithTrailingSlash(folder), names.value());
}

Result<std::string> WriteForwardingPage(const std::string& address, const std::string& webFolder)
{
    if (address.empty())
        return std::string();
    const std::string path = app::JoinPath(webFolder, kForwardingPageName);
    if (Status s = app::WriteTextFile(path, ForwardingPageText(address)); !s.ok())
        return s;
    return path;
}

Result<std::string> WriteFtpFiles(const PublishJob& job, generator::SiteEditor& editor)
{
    if (job.sitePath.empty())
        return Status::InvalidArgument("No site is open. Open a site, build it, then publish it.");
    if (!ParseProtocol(job.ftp.protocol))
        return Status::InvalidArgument("The protocol \"" + job.ftp.protocol +
                                       "\" is not one of FTP, FTPS and SFTP. Choose one on the Publish tab.");

    // The forwarding page shows the program's logo from the site's images folder, which a build
    // fills only with the pictures its pages use; without this the front page shows a broken image.
    CopyLogoIfMissing(job);

    // Every content folder is listed before anything is written, so that an unbuilt site leaves
    // the files of the last publish as they were and starts nothing.
    std::array<std::string, 4> putBlocks;
    for (std::size_t i = 0; i < kContentFolders.size(); ++i) {
        const std::string folder = job.webFolder + kContentFolders[i];
        if (!IsFolder(folder))
            return Status::NotFound("The site has not been built yet: the folder " + folder +
                                    " is missing. Build the site first (View Updated Web Site Now!), then publish.");
        auto block = PutLinesForFolder(folder);
        if (!block)
            return block.status();
        putBlocks[i] = std::move(block.value());
    }

    auto address = generator::HomePagePath(false, editor, job.sitePath, job.webFolder);
    if (!address)
        return address.status().withContext("Cannot look up the homepage");
    auto indexPath = WriteForwardingPage(address.value(), job.webFolder);
    if (!indexPath)
        return indexPath.status();
    if (indexPath->empty())
        return Status::NotFound("The site has no homepage. Choose a homepage, build the site, then publish.");

    const std::string scriptPath = job.baseFolder + kScriptFileName;
    const std::string batchPath = job.baseFolder + kBatchFileName;
    if (Status s =
            app::WriteOwnerOnlyFile(scriptPath, ScriptText(job.ftp, job.baseFolder, indexPath.value(), putBlocks));
        !s.ok())
        return s;
    // The batch file comes last: while it is missing or stale nothing can start a half-written upload.
    if (Status s = app::WriteTextFile(batchPath, BatchFileText(job.baseFolder, scriptPath, job.ftp)); !s.ok())
        return s;
    return batchPath;
}

Status PublishSite(const PublishJob& job, generator::SiteEditor& editor, app::UserInterface& ui,
                   const ConsoleLauncher& launch)
{
    auto batch = WriteFtpFiles(job, editor);
    if (!batch) {
        ui.showMessage("The site was not published. " + batch.status().message(), app::kProgramTitle,
                       app::MessageIcon::Warning);
        return batch.status();
    }
    const ConsoleLauncher launcher =
        launch ? launch : DetachedConsole(ui, app::JoinPath(app::ExecutableFolder(), "quillon-console"));
    if (!launcher(batch.value())) {
        Status failed = Status::IoError("The upload console could not be started for " + batch.value() + ".");
        ui.showMessage("The site was not published. " + failed.message(), app::kProgramTitle,
                       app::MessageIcon::Critical);
        return failed;
    }
    return Status::OK();
}

} // namespace qle::publish
