// The FTP settings of one site and the folders a publish works with, handed in by the caller.
#pragma once

#include "store/Status.h"

#include <string>
#include <string_view>
#include <vector>

namespace qle::publish {

// What the author typed on the publish tab (or what the site file stores).
struct FtpSettings
{
    std::string server {};     // Ftp_Destination, "host" or "host:port"; for Git and WebDAV an address
                               // (see RemoteAddress.h)
    std::string userName {};   // Ftp_Username
    std::string password {};   // Ftp_Password
    std::string root {};       // Ftp_Root, the first remote folder made and entered
    std::string dir {};        // Ftp_Dir, the site's folder below the root
    std::string protocol {};   // Ftp_Protocol: "FTP", "FTPS", "SFTP", "GIT" or "WEBDAV"; empty means FTP
    std::string trustedKey {}; // Ftp_Trusted_Key: the server identity the author accepted ("SHA256:...")
    std::string keyFile {};    // Ftp_Key_File: SFTP's private key file; empty: password, then the SSH agent
    std::string branch {};     // Ftp_Branch: Git's branch; empty: the repository's default branch
    // Ftp_Connections: how many uploads run at once; empty means kDefaultConnections.
    std::string connections {};
    // Ftp_Password_In_File: the author keeps the password in the site file (as before the keyring)
    // rather than in the desktop's keyring.
    bool passwordInFile = false;
    // Choices for one publish, not stored: send every file again; check the server's files.
    bool sendAll = false;
    bool verify = false;
};

inline constexpr int kDefaultConnections = 4;
inline constexpr int kMostConnections = 16;

// The Ftp_Connections setting as a count: a whole number from 1 to kMostConnections, blanks
// around it allowed; anything else (empty text included) gives kDefaultConnections.
int ConnectionCount(const std::string& setting);

// The upload client's options for these settings: "-c:N", then "-a" and "--verify" when chosen.
std::vector<std::string> ClientOptions(const FtpSettings& ftp);

// Everything one publish needs besides the editor and the person at the screen.
struct PublishJob
{
    FtpSettings ftp;
    std::string baseFolder;    // ends in '/'; receives the script and the batch file
    std::string webFolder;     // ends in '/'; the last site built
    std::string sitePath;      // the open site file; empty when no site is open
    std::string programFolder; // holds the shipped logo; empty: the running program's folder
};

// A server name as typed, without the blanks and tabs that often come with it when pasted.
std::string TrimmedServer(std::string_view typed);

// Reads the FTP fields of the site file's `Options` record (fields an older file lacks read as
// empty), the server name trimmed. The error names the file.
Result<FtpSettings> LoadFtpSettings(const std::string& sitePath);

} // namespace qle::publish
