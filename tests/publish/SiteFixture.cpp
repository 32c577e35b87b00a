#include "SiteFixture.h"

#include "store/Database.h"

#include <filesystem>
#include <stdexcept>

namespace qle::test {

SiteFixture::SiteFixture(bool built)
{
    CopyBlankSite(site);
    std::filesystem::create_directories(base);
    storeSettings(ftp);
    {
        auto db = store::Database::open(site);
        if (!db || !db->execute("INSERT INTO Articles (ArtID, Title) VALUES (2, 'Welcome'), (7, 'News')").ok())
            throw std::runtime_error("cannot seed the fixture site");
    }
    if (!built)
        return;
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

void SiteFixture::storeSettings(const publish::FtpSettings& settings)
{
    ftp = settings;
    auto db = store::Database::open(site);
    if (!db || !db->execute("UPDATE Options SET Ftp_Destination = ?, Ftp_Username = ?, Ftp_Password = ?, "
                            "Ftp_Root = ?, Ftp_Dir = ?, homepage = 7",
                            {ftp.server, ftp.userName, ftp.password, ftp.root, ftp.dir})
                    .ok())
        throw std::runtime_error("cannot store the fixture's settings");
}

publish::PublishJob SiteFixture::job() const
{
    return {ftp, base, web, site, test::ProgramFolder()};
}

std::map<std::string, std::string> FilesUnder(const std::string& folder)
{
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, ec))
        if (entry.is_regular_file())
            files[std::filesystem::relative(entry.path(), folder).string()] = ReadFile(entry.path().string());
    return files;
}

} // namespace qle::test
