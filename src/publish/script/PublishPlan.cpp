#include "publish/script/PublishPlan.h"

#include "app/Paths.h"
#include "publish/script/Protocol.h"
#include "publish/script/RemoteAddress.h"

#include <algorithm>

namespace qle::publish {

namespace {

constexpr const char* kLineEnd = "\r\n";

void AddLine(std::string& text, const std::string& line)
{
    text += line;
    text += kLineEnd;
}

// The names of a folder setting's levels ("/www//my site/" -> "www", "my site").
std::vector<std::string> Levels(const std::string& folder)
{
    std::vector<std::string> levels;
    std::size_t start = 0;
    while (start < folder.size()) {
        auto end = folder.find('/', start);
        if (end == std::string::npos)
            end = folder.size();
        if (end > start)
            levels.push_back(folder.substr(start, end - start));
        start = end + 1;
    }
    return levels;
}

bool HasBlank(const std::string& text)
{
    return text.find_first_of(" \t") != std::string::npos;
}

// Whether the classic lines send the site where the settings say: an absolute root ending in '/'
// and a site folder of one level (or none) ending in '/', neither with blanks. The classic lines
// write the site folder with its '/' read as blanks and name each content folder as root + dir +
// name, so any other setting goes astray: to the root, to "/www/sitearticles", or, with no root,
// each content folder into the one before.
bool ClassicLinesWork(const std::string& root, const std::string& dir)
{
    const bool rootWorks = !root.empty() && root.front() == '/' && root.back() == '/' && !HasBlank(root);
    const bool dirWorks = dir.empty() || (dir.back() == '/' && Levels(dir).size() == 1 && !HasBlank(dir));
    return rootWorks && dirWorks;
}

void AddClassicFolderLines(std::string& text, const std::string& root, const std::string& dir)
{
    const std::string dirWords = app::ReplaceChar(dir, '/', " ");
    AddLine(text, "mkdir " + root);
    AddLine(text, "cd " + root);
    AddLine(text, "mkdir " + dirWords);
    AddLine(text, "cd " + dirWords);
}

// Each level of the site's folder made and entered: by its whole path when the folder is
// absolute, by its name (from the level above) when it lies below the login folder.
void AddLevelLines(std::string& text, const std::string& site)
{
    const bool absolute = !site.empty() && site.front() == '/';
    std::string path = absolute ? "/" : "";
    for (const auto& level : Levels(site)) {
        path = absolute ? path + level + "/" : level;
        const std::string argument = ScriptPathArgument(absolute ? path.substr(0, path.size() - 1) : level);
        AddLine(text, "mkdir " + argument);
        AddLine(text, "cd " + argument);
    }
    if (site == "/")
        AddLine(text, "cd /");
}

// The i-th content folder as a script line names it: its whole path below an absolute site
// folder; below the login folder, by its name from the site folder (the first) or from the
// content folder before it.
std::string ContentFolder(const std::string& site, std::size_t i)
{
    if (!site.empty() && site.front() == '/')
        return ScriptPathArgument(site + kContentFolders[i]);
    return ScriptPathArgument((i == 0 ? "" : "../") + std::string(kContentFolders[i]));
}

} // namespace

std::string ScriptPathArgument(const std::string& path)
{
    if (path.find_first_of(" \t") == std::string::npos)
        return path;
    return '"' + path + '"';
}

bool UsesKeyFile(Protocol protocol, const std::string& server)
{
    if (protocol == Protocol::Sftp)
        return true;
    if (protocol != Protocol::Git)
        return false;
    auto address = ParseAddress(protocol, server);
    return address && address->transport == Transport::Ssh;
}

std::string UploadLine(const std::string& scriptPath, const FtpSettings& ftp)
{
    const Protocol protocol = ParseProtocol(ftp.protocol).value_or(Protocol::Ftp);
    if (protocol == Protocol::Ftp)
        return "ftp -s:" + scriptPath + " " + ftp.server;
    std::string line = "ftp -s:" + scriptPath;
    if (!ftp.trustedKey.empty())
        line += " -k:" + ftp.trustedKey;
    if (UsesKeyFile(protocol, ftp.server) && !ftp.keyFile.empty())
        line += " -i:" + ScriptPathArgument(ftp.keyFile);
    // The upload client reads only the script and its arguments: the branch travels here.
    if (protocol == Protocol::Git && !ftp.branch.empty())
        line += " -b:" + ftp.branch;
    return line + " " + ServerArgument(protocol, TrimmedServer(ftp.server));
}

std::string BatchFileText(const std::string& baseFolder, const std::string& scriptPath, const FtpSettings& ftp)
{
    std::string text;
    AddLine(text, "cd " + baseFolder);
    AddLine(text, UploadLine(scriptPath, ftp));
    AddLine(text, "echo off");
    AddLine(text, "echo Your web site has been published to " + ftp.server);
    AddLine(text, "echo Please close this window ");
    AddLine(text, "pause");
    AddLine(text, "exit");
    return text;
}

std::string PutBlock(const std::string& folder, const std::vector<std::string>& fileNames)
{
    std::string text;
    for (const auto& name : fileNames) {
        text += kLineEnd;
        text += "put " + ScriptPathArgument(folder + name);
    }
    return text;
}

std::string SiteFolderPath(const std::string& root, const std::string& dir)
{
    std::string folder;
    for (const std::string* part : {&root, &dir})
        for (const auto& name : Levels(*part))
            folder += name + '/';
    return (!root.empty() && root.front() == '/' ? "/" : "") + folder;
}

Status CheckRemoteFolders(const FtpSettings& ftp)
{
    for (const auto& [name, value] :
         {std::pair<const char*, const std::string&> {"remote root", ftp.root}, {"site folder", ftp.dir}})
        if (std::any_of(value.begin(), value.end(),
                        [](char c) { return c == '"' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }))
            return Status::InvalidArgument("The " + std::string(name) + " \"" + value +
                                           "\" holds a double quote or a control character, which the upload "
                                           "cannot carry. Change it on the Publish tab.");
    return Status::OK();
}

std::string ScriptText(const FtpSettings& ftp, const std::string& baseFolder, const std::string& indexPath,
                       const std::array<std::string, 4>& putBlocks, const std::vector<std::string>& siteFiles)
{
    std::string text;
    AddLine(text, ftp.userName);
    AddLine(text, ftp.password);
    AddLine(text, "binary");
    AddLine(text, "lcd " + ScriptPathArgument(baseFolder));
    const bool classic = ClassicLinesWork(ftp.root, ftp.dir);
    if (classic)
        AddClassicFolderLines(text, ftp.root, ftp.dir);
    else
        AddLevelLines(text, SiteFolderPath(ftp.root, ftp.dir));
    AddLine(text, "put " + ScriptPathArgument(indexPath) + " index.htm");
    for (const auto& file : siteFiles)
        AddLine(text, "put " + ScriptPathArgument(file) + " " + app::FileNameOfPath(file));
    for (std::size_t i = 0; i < kContentFolders.size(); ++i) {
        // Root and dir joined without a separator: the classic lines need both ending in '/'.
        const std::string folder =
            classic ? ftp.root + ftp.dir + kContentFolders[i] : ContentFolder(SiteFolderPath(ftp.root, ftp.dir), i);
        AddLine(text, "mkdir " + folder);
        AddLine(text, "cd " + folder);
        AddLine(text, putBlocks[i]);
    }
    AddLine(text, "quit");
    AddLine(text, "");
    AddLine(text, "");
    return text;
}

std::string ForwardingPageText(const std::string& address)
{
    std::string text;
    AddLine(text, "<html>");
    AddLine(text, "<head>");
    AddLine(text, "<meta http-equiv=\"REFRESH\" content=\"5; URL=" + address + "\">");
    AddLine(text, "<title>Homepage</title>");
    AddLine(text, "</head>");
    AddLine(text, "<body BGCOLOR=WHITE>");
    AddLine(text, "<center>");
    AddLine(text, std::string("<img src=\"images/") + kLogoFileName + "\"><BR><BR>");
    AddLine(text, "You are being forwarded to the Homepage.<BR>");
    AddLine(text,
            "This should happen automatically, but if this fail click here, <a href=\"" + address + "\">Homepage</a>");
    AddLine(text, "</body>");
    AddLine(text, "</html>");
    return text;
}

} // namespace qle::publish
