// A site file and a built web folder under a temporary base folder, for the publisher's tests.
#pragma once

#include "publish/FtpSettings.h"
#include "support/TempDir.h"

#include <map>
#include <string>

namespace qle::test {

class SiteFixture
{
public:
    // Makes "<temp>/My Base/" with the site file and its FTP settings. `built` adds the web
    // folder's four content folders and files (see builtFiles()).
    explicit SiteFixture(bool built = true);

    // Stores FTP settings in the site file's Options record.
    void storeSettings(const publish::FtpSettings& ftp);

    publish::PublishJob job() const;

    // The files the fixture's build left, relative to the web folder, with their bytes.
    const std::map<std::string, std::string>& builtFiles() const { return m_files; }

    TempDir dir;
    std::string base = dir / "My Base/";
    std::string web = base + "TempInternetFiles/";
    std::string site = dir / "site.qls";
    publish::FtpSettings ftp {"127.0.0.1:21", "jo", "Secret-Pa55word", "/www/", "site/"};

private:
    std::map<std::string, std::string> m_files;
};

// Every plain file under a folder, relative to it, with its bytes.
std::map<std::string, std::string> FilesUnder(const std::string& folder);

} // namespace qle::test
