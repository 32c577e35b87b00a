// The publisher's plan: the exact text of the upload script, the batch file and the forwarding
// page. Pure: no file is read or written here, so every byte can be checked in memory.
#pragma once

#include "publish/script/FtpSettings.h"
#include "publish/script/Protocol.h"

#include <array>
#include <string>
#include <vector>

namespace qle::publish {

inline constexpr const char* kScriptFileName = "QuillonEngine_ftp.txt";
inline constexpr const char* kBatchFileName = "QuillonEngine_ftp.bat";
inline constexpr const char* kForwardingPageName = "Index.htm";
// The program logo the forwarding page shows, shipped in the program folder.
inline constexpr const char* kLogoFileName = "qle_logo.bmp";

// The web folder's content folders, in the order they are uploaded.
inline constexpr std::array<const char*, 4> kContentFolders = {"categories", "sections", "articles", "images"};

// A local path as written on a script line: inside double quotes when it holds a blank, so the
// client reads it as one argument.
std::string ScriptPathArgument(const std::string& path);

// True when the site logs in over SSH, where a key file applies: SFTP, and Git over SSH.
bool UsesKeyFile(Protocol protocol, const std::string& server);

// The batch file's upload line. Plain FTP: "ftp -s:SCRIPT SERVER". The others:
// "ftp -s:SCRIPT [-k:FINGERPRINT] [-i:KEYFILE] [-b:BRANCH] SCHEME://SERVER" (the key file only
// over SSH, quoted when it holds a blank; the branch only for Git; Git and WebDAV addresses in
// their written form). REQUIRES: ftp.protocol is one ParseProtocol accepts.
std::string UploadLine(const std::string& scriptPath, const FtpSettings& ftp);

// The seven lines of the batch file, each ending in CR LF.
std::string BatchFileText(const std::string& baseFolder, const std::string& scriptPath, const FtpSettings& ftp);

// The put block of one folder: for each file name a CR LF and then "put " + folder path + name.
// No files give the empty text. `folder` ends in '/'; names are used in the order given.
std::string PutBlock(const std::string& folder, const std::vector<std::string>& fileNames);

// The site's folder on the server: the remote root and the site folder as typed, joined with
// exactly one '/' and ending in one ("/www/" + "site/" -> "/www/site/"); relative to the login
// folder when the root is ("" + "site/" -> "site/"), empty when both are.
std::string SiteFolderPath(const std::string& root, const std::string& dir);

// Fails (InvalidArgument, naming the setting) when the remote root or the site folder holds a
// character no script line can carry: a double quote or a control character.
Status CheckRemoteFolders(const FtpSettings& ftp);

// The whole upload script. `indexPath` is the forwarding page's full path; `putBlocks` holds the
// PutBlock of each content folder in kContentFolders order; `siteFiles` (full paths) are put
// after the forwarding page under their own names, in order. Every line ends in CR LF.
// A root ending in '/' with a site folder of one level and no blanks gives the classic lines (the
// root made and entered, then the folder, the content folders named as root + dir + name). Any
// other setting gives lines that make and enter each level of SiteFolderPath, quoted where a name
// has blanks. REQUIRES: CheckRemoteFolders(ftp) is OK.
std::string ScriptText(const FtpSettings& ftp, const std::string& baseFolder, const std::string& indexPath,
                       const std::array<std::string, 4>& putBlocks, const std::vector<std::string>& siteFiles = {});

// The twelve lines of the forwarding front page for a homepage address relative to the web folder.
std::string ForwardingPageText(const std::string& address);

} // namespace qle::publish
