// A site file and a built web folder under a temporary base folder, for the publisher's tests.
#pragma once

#include "generator/CreateWebSite.h"
#include "publish/script/FtpSettings.h"
#include "store/Database.h"
#include "support/TempDir.h"

#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>

namespace qle::test {

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

class SiteFixture
{
public:
    // Makes "<temp>/My Base/" with the site file (homepage article 7) and the web folder's four
    // content folders and files; the job carries the FTP settings.
    SiteFixture()
    {
        CopyBlankSite(site);
        std::filesystem::create_directories(base);
        std::string body;
        for (int i = 0; i < 200; ++i)
            body += "Paragraph " + std::to_string(i) + " of a generated page.\r\n";
        // JPEG's first bytes, then every byte value: the transfer must be binary.
        std::string picture = "\xFF\xD8\xFF\xE0";
        for (int i = 0; i < 70000; ++i)
            picture += static_cast<char>((i * 7919) % 256);
        WriteFile(dir / "My Photo.JPG", picture);
        auto db = store::Database::open(site);
        if (!db ||
            !db->execute("INSERT INTO Articles (ArtID, Category, Section, Title, Body, Image) VALUES "
                         "(2, 'News', 'News Local', 'Welcome', ?, NULL), (7, 'News', 'News Local', 'News', ?, ?)",
                         {body, body, dir / "My Photo.JPG"})
                 .ok() ||
            // The Classic style, whose forwarding page the publisher writes and whose logo it adds.
            !db->execute("UPDATE Options SET homepage = 7, Page_Style = 'Classic'").ok())
            throw std::runtime_error("cannot seed the fixture site");
        build();
    }

    // Builds the site into the web folder, as the author does before publishing.
    void build()
    {
        if (!generator::CreateWebSite(site, web).ok())
            throw std::runtime_error("cannot build the fixture site");
    }

    // Adds a page to the site (build() again to see it).
    void addPage(const std::string& category, const std::string& section, const std::string& picture = {})
    {
        auto db = store::Database::open(site);
        const store::Value image = picture.empty() ? store::Value() : store::Value(picture);
        if (!db || !db->insert("Articles", {{"Category", category},
                                            {"Section", section},
                                            {"Title", std::string("t")},
                                            {"Body", std::string("b")},
                                            {"Image", image}}))
            throw std::runtime_error("cannot add a page");
    }

    publish::PublishJob job() const { return {ftp, base, web, site, ProgramFolder()}; }

    TempDir dir;
    std::string base = dir / "My Base/";
    std::string web = base + "TempInternetFiles/";
    std::string site = dir / "site.qls";
    publish::FtpSettings ftp {"127.0.0.1:21", "jo", "Secret-Pa55word", "/www/", "site/"};
};

} // namespace qle::test
