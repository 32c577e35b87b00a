// Rows of the application database's catalogue of web-space providers.
#pragma once

#include "store/Status.h"

#include <string>
#include <vector>

namespace qle::ui {

struct ProviderRecord
{
    std::string provider;
    std::string ftpServer;
    std::string root;
    std::string yourpage;
    std::string description;
    std::string homepage;
    std::string joiningPage;
    std::string protocol; // "FTP", "FTPS", "SFTP", "GIT", "WEBDAV"; empty means FTP
    std::string branch;   // Git: the branch; empty means the repository's default
};

// Every provider row of that exact name, in the order the database returns them. The name is a
// bound value, so any text (an apostrophe included) is looked up safely. The error names the file.
Result<std::vector<ProviderRecord>> FindProviders(const std::string& appDatabasePath, const std::string& name);

} // namespace qle::ui
