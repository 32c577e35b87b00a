#include "publish/script/PublishPlan.h"

#include "app/Paths.h"
#include "publish/script/Protocol.h"

namespace qle::publish {

namespace {

constexpr const char* kLineEnd = "\r\n";

void AddLine(std::string& text, const std::string& line)
{
    text += line;
    text += kLineEnd;
}

} // namespace

std::string ScriptPathArgument(const std::string& path)
{
    if (path.find_first_of(" \t") == std::string::npos)
        return path;
    return '"' + path + '"';
}

std::string UploadLine(const std::string& scriptPath, const FtpSettings& ftp)
{
    const Protocol protocol = ParseProtocol(ftp.protocol).value_or(Protocol::Ftp);
    if (protocol == Protocol::Ftp)
        return "ftp -s:" + scriptPath + " " + ftp.server;
    std::string line = "ftp -s:" + scriptPath;
    if (!ftp.trustedKey.empty())
        line += " -k:" + ftp.trustedKey;
    if (protocol == Protocol::Sftp && !ftp.keyFile.empty())
        line += " -i:" + ScriptPathArgument(ftp.keyFile);
    return line + " " + ServerArgument(protocol, ftp.server);
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

std::string ScriptText(const FtpSettings& ftp, const std::string& baseFolder, const std::string& indexPath,
                       const std::array<std::string, 4>& putBlocks, const std::vector<std::string>& siteFiles)
{
    // Root and dir are joined without a separator: the publish tab keeps both ending in '/'.
    const std::string remote = ftp.root + ftp.dir;
    const std::string dirWords = app::ReplaceChar(ftp.dir, '/', " ");

    std::string text;
    AddLine(text, ftp.userName);
    AddLine(text, ftp.password);
    AddLine(text, "binary");
    AddLine(text, "lcd " + ScriptPathArgument(baseFolder));
    AddLine(text, "mkdir " + ftp.root);
    AddLine(text, "cd " + ftp.root);
    AddLine(text, "mkdir " + dirWords);
    AddLine(text, "cd " + dirWords);
    AddLine(text, "put " + ScriptPathArgument(indexPath) + " index.htm");
    for (const auto& file : siteFiles)
        AddLine(text, "put " + ScriptPathArgument(file) + " " + app::FileNameOfPath(file));
    for (std::size_t i = 0; i < kContentFolders.size(); ++i) {
        AddLine(text, "mkdir " + remote + kContentFolders[i]);
        AddLine(text, "cd " + remote + kContentFolders[i]);
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
