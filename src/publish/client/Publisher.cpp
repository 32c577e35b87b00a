#include "publish/client/Publisher.h"

#include "app/BaseFolderLock.h"
#include "app/Desktop.h"
#include "app/PageStyle.h"
#include "app/Paths.h"
#include "app/TextFiles.h"
#include "app/UserInterface.h"
#include "generator/BuildRecord.h"
#include "generator/HomePage.h"
#include "publish/remote/Connection.h"
#include "publish/script/PublishPlan.h"
#include "publish/script/RemoteAddress.h"
#include "store/Database.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
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

// The marker file the folder routines leave; never part of the site.
constexpr const char* kMarkerFile = "temp.fle";

bool ScriptCanCarry(const std::string& name)
{
    return std::none_of(name.begin(), name.end(), [](char c) { return c == '"' || app::IsUnportableNameChar(c); });
}

// The regular files directly in the folder, sorted by name, dot files included. Links, folders and
// names the upload script cannot carry are left out and named in `skipped`.
Result<std::vector<std::string>> SortedPlainFiles(const std::string& folder, std::vector<std::string>* skipped)
{
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir)
        return Status::IoError("Cannot list the folder " + folder + ": " + std::strerror(errno));
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || name == kMarkerFile)
            continue;
        struct stat info
        {
        };
        const std::string path = app::JoinPath(folder, name);
        // lstat: a link is never followed, so nothing outside the web folder is uploaded.
        if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ScriptCanCarry(name))
            names.push_back(name);
        else if (skipped)
            skipped->push_back(path);
        errno = 0;
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
    const std::string target = app::JoinPath(images, kLogoFileName);
    struct stat info
    {
    };
    if (::lstat(target.c_str(), &info) == 0)
        return;              // the author's own file of that name, or a link that must not be written through
    std::error_code ignored; // a missing logo only costs the picture on the forwarding page
    const std::string logo = app::JoinPath(folder, kLogoFileName);
    if (!std::filesystem::copy_file(logo, target, ignored))
        return;
    // A build leaves it out of the images folder, so it is copied again after each one: with the
    // program's time stamp, tools that compare times see the same file every time.
    struct stat source
    {
    };
    if (::stat(logo.c_str(), &source) == 0) {
        const struct timespec times[2] = {source.st_atim, source.st_mtim};
        ::utimensat(AT_FDCWD, target.c_str(), times, AT_SYMLINK_NOFOLLOW);
    }
}

std::string SkippedMessage(const std::vector<std::string>& skipped)
{
    std::string text = "These were not uploaded: only plain files whose names the upload can carry are sent.";
    for (const auto& path : skipped)
        text += "\n" + path;
    return text;
}

Result<app::SiteStyle> StyleOfSite(const PublishJob& job)
{
    auto db = store::Database::open(job.sitePath);
    if (!db)
        return db.status();
    return app::ReadSiteStyle(*db);
}

bool IsPlainFile(const std::string& path)
{
    struct stat info
    {
    };
    return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode); // never a link
}

// Whether the file holds exactly `bytes` (read only as far as its size allows).
bool HasBytes(const std::string& path, const std::string& bytes)
{
    std::ifstream in(path, std::ios::binary);
    std::string held(bytes.size() + 1, '\0');
    in.read(held.data(), static_cast<std::streamsize>(held.size()));
    return static_cast<std::size_t>(in.gcount()) == bytes.size() && held.compare(0, bytes.size(), bytes) == 0;
}

// The sitemap and the feed of a Modern site that knows its address, as far as the last build
// wrote them; a Classic site sends neither, even when an earlier build left them.
std::vector<std::string> ModernSiteFiles(const PublishJob& job, const app::SiteStyle& style)
{
    std::vector<std::string> files;
    if (style.style != app::PageStyle::Modern || style.homepage.empty())
        return files;
    for (const char* name : {app::kSitemapFileName, app::kFeedFileName}) {
        const std::string path = app::JoinPath(job.webFolder, name);
        if (IsPlainFile(path))
            files.push_back(path);
    }
    return files;
}

} // namespace

ConsoleLauncher DetachedConsole(app::UserInterface& ui, const std::string& consoleProgram)
{
    return [&ui, consoleProgram](const std::string& batchFile) { return ui.startProgram({consoleProgram, batchFile}); };
}

Result<std::string> PutLinesForFolder(const std::string& folder, std::vector<std::string>* skipped)
{
    auto names = SortedPlainFiles(folder, skipped);
    if (!names)
        return names.status();
    return PutBlock(app::WithTrailingSlash(folder), names.value());
}

Result<std::string> WriteForwardingPage(const std::string& address, const std::string& webFolder)
{
    if (address.empty())
        return std::string();
    const std::string path = app::JoinPath(webFolder, kForwardingPageName);
    const std::string text = ForwardingPageText(address);
    // Unchanged bytes keep their time stamp, so tools that compare times do not send the page again.
    if (IsPlainFile(path) && HasBytes(path, text))
        return path;
    if (Status s = app::WriteTextFile(path, text); !s.ok())
        return s;
    return path;
}

Result<std::string> WriteFtpFiles(const PublishJob& job, generator::SiteEditor& editor,
                                  std::vector<std::string>* skipped)
{
    if (job.sitePath.empty())
        return Status::InvalidArgument("No site is open. Open a site, build it, then publish it.");
    const auto protocol = ParseProtocol(job.ftp.protocol);
    if (!protocol)
        return Status::InvalidArgument("The protocol \"" + job.ftp.protocol +
                                       "\" is not one of FTP, FTPS, SFTP, Git and WebDAV. Choose one on the Publish "
                                       "tab.");
    // The upload line carries the address and the branch as single words: check them before anything is written.
    if (TakesAddress(*protocol))
        if (auto address = ParseAddress(*protocol, job.ftp.server); !address)
            return address.status();
    if (*protocol == Protocol::Git)
        if (Status s = CheckBranchName(job.ftp.branch); !s.ok())
            return s;
    if (Status s = CheckRemoteFolders(job.ftp); !s.ok())
        return s;

    // No build may swap the web folder's files while they are listed, so the record is read under
    // the lock: once, as reading it means reading the whole site file.
    auto lock = app::BaseFolderLock::acquire(job.baseFolder, app::BaseFolderLock::Mode::Upload);
    if (!lock)
        return lock.status();
    if (Status s = generator::CheckBuiltSite(job.webFolder, job.sitePath); !s.ok())
        return s;

    auto style = StyleOfSite(job);
    if (!style)
        return style.status();
    const bool modern = style->style == app::PageStyle::Modern;
    // The Classic forwarding page shows the program's logo from the site's images folder, which a
    // build fills only with the pictures its pages use; without this it shows a broken image.
    if (!modern)
        CopyLogoIfMissing(job);

    // Every content folder is listed before anything is written, so that an unbuilt site leaves
    // the files of the last publish as they were and starts nothing.
    std::array<std::string, 4> putBlocks;
    for (std::size_t i = 0; i < kContentFolders.size(); ++i) {
        const std::string folder = job.webFolder + kContentFolders[i];
        if (!IsFolder(folder))
            return Status::NotFound("The site has not been built yet: the folder " + folder +
                                    " is missing. Build the site first (View Updated Web Site Now!), then publish.");
        auto block = PutLinesForFolder(folder, skipped);
        if (!block)
            return block.status();
        putBlocks[i] = std::move(block.value());
    }

    auto address = generator::HomePagePath(false, editor, job.sitePath, job.webFolder);
    if (!address)
        return address.status().withContext("Cannot look up the homepage");
    const std::vector<std::string> siteFiles = ModernSiteFiles(job, *style);
    // A Modern build writes its own forwarding page; the Classic one is written now.
    auto indexPath = modern ? Result<std::string>(app::JoinPath(job.webFolder, kForwardingPageName))
                            : WriteForwardingPage(address.value(), job.webFolder);
    if (!indexPath)
        return indexPath.status();
    if (indexPath->empty() || (modern && !IsPlainFile(*indexPath)))
        return Status::NotFound("The site has no homepage. Add a page, build the site, then publish.");

    const std::string scriptPath = job.baseFolder + kScriptFileName;
    const std::string batchPath = job.baseFolder + kBatchFileName;
    FtpSettings ftp = job.ftp;
    // A Git branch or a WebDAV address has no login folder: the folders inside it start at its top.
    if (TakesAddress(*protocol))
        ftp.root = app::WithTrailingSlash(ftp.root.starts_with('/') ? ftp.root : "/" + ftp.root);
    if (Status s = app::WriteOwnerOnlyFile(scriptPath,
                                           ScriptText(ftp, job.baseFolder, indexPath.value(), putBlocks, siteFiles));
        !s.ok())
        return s;
    // The batch file comes last: while it is missing or stale nothing can start a half-written upload.
    if (Status s = app::WriteTextFile(batchPath, BatchFileText(job.baseFolder, scriptPath, ftp)); !s.ok())
        return s;
    return batchPath;
}

Status PublishSite(const PublishJob& job, generator::SiteEditor& editor, app::UserInterface& ui,
                   const ConsoleLauncher& launch)
{
    std::vector<std::string> skipped;
    auto batch = WriteFtpFiles(job, editor, &skipped);
    if (!batch) {
        ui.showMessage("The site was not published. " + batch.status().message(), app::kProgramTitle,
                       app::MessageIcon::Warning);
        return batch.status();
    }
    if (!skipped.empty())
        ui.showMessage(SkippedMessage(skipped), app::kProgramTitle, app::MessageIcon::Warning);
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
