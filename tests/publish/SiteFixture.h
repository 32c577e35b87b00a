// A site file and a built web folder under a temporary base folder, for the publisher's tests.
#pragma once

#include "publish/FtpSettings.h"
#include "store/Database.h"
#include "support/TempDir.h"

#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>

namespace qle::test {

class SiteFixture
{
public:
    // Makes "<temp>/My Base/" with the site file (homepage article 7) and the web folder's four
    // content folders and files (see builtFiles()); the job carries the FTP settings.
    SiteFixture()
    {
        CopyBlankSite(site);
        std::filesystem::create_directories(base);
        {
            auto db = store::Database::open(site);
            if (!db || !db->execute("INSERT INTO Articles (ArtID, Title) VALUES (2, 'Welcome'), (7, 'News')").ok() ||
                !db->execute("UPDATE Options SET homepage = 7").ok())
                throw std::runtime_error("cannot seed the fixture site");
        }
        std::string page = "<html><body>";
        for (int i = 0; i < 200; ++i)
            page += "<p>Paragraph " + std::to_string(i) + " of a generated page.</p>\r\n";
        std::string picture;
        for (int i = 0; i < 70000; ++i)
            picture += static_cast<char>((i * 7919) % 256); // every byte value: the transfer must be binary
        m_files = {
            {"articles/art-2.htm", page + "2"},        {"articles/art-7.htm", page + "7"},
            {"categories/cat-news.htm", page + "cat"}, {"sections/sect-news-local.htm", page + "sect"},
            {"images/qle_logo.bmp", picture},          {"images/My Photo.JPG", picture.substr(100)},
        };
        for (const char* folder : {"articles", "categories", "sections", "images"})
            std::filesystem::create_directories(web + folder);
        for (const auto& [name, bytes] : m_files)
            WriteFile(web + name, bytes);
        // Left out of every upload: a hidden file and a sub-folder.
        WriteFile(web + "images/.thumbs", "x");
        std::filesystem::create_directories(web + "images/old");
    }

    publish::PublishJob job() const { return {ftp, base, web, site, ProgramFolder()}; }

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
inline std::map<std::string, std::string> FilesUnder(const std::string& folder)
{
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, ec))
        if (entry.is_regular_file())
            files[std::filesystem::relative(entry.path(), folder).string()] = ReadFile(entry.path().string());
    return files;
}

} // namespace qle::test
