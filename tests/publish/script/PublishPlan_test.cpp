#include "publish/script/PublishPlan.h"

#include <gtest/gtest.h>

namespace qle::publish {
namespace {

FtpSettings Settings(const std::string& root, const std::string& dir)
{
    return {"ftp.example.net", "jo", "pa55word", root, dir};
}

TEST(PublishPlan, BatchFileHasItsSevenLines)
{
    EXPECT_EQ(BatchFileText("/home/jo/QuillonEngine/", "/home/jo/QuillonEngine/QuillonEngine_ftp.txt",
                            {.server = "ftp.example.net"}),
              "cd /home/jo/QuillonEngine/\r\n"
              "ftp -s:/home/jo/QuillonEngine/QuillonEngine_ftp.txt ftp.example.net\r\n"
              "echo off\r\n"
              "echo Your web site has been published to ftp.example.net\r\n"
              "echo Please close this window \r\n"
              "pause\r\n"
              "exit\r\n");
}

TEST(PublishPlan, UploadLineNamesTheProtocolTheTrustedKeyAndTheKeyFile)
{
    const std::string key = "SHA256:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU";
    const struct
    {
        FtpSettings ftp;
        const char* line;
    } rows[] = {
        // Plain FTP keeps every byte, whatever else the site holds.
        {{.server = "ftp.example.net", .protocol = "", .trustedKey = key, .keyFile = "/k"},
         "ftp -s:/b/s.txt ftp.example.net"},
        {{.server = "ftp.example.net:2121", .protocol = "FTP"}, "ftp -s:/b/s.txt ftp.example.net:2121"},
        {{.server = "ftp.example.net", .protocol = "FTPS"}, "ftp -s:/b/s.txt ftps://ftp.example.net"},
        {{.server = "ftp.example.net:990", .protocol = "ftps", .trustedKey = key, .keyFile = "/k"},
         "ftp -s:/b/s.txt -k:SHA256:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU ftps://ftp.example.net:990"},
        {{.server = "[::1]:2222", .protocol = "SFTP", .keyFile = "/home/jo/my keys/id"},
         "ftp -s:/b/s.txt -i:\"/home/jo/my keys/id\" sftp://[::1]:2222"},
        {{.server = "h", .protocol = "SFTP", .trustedKey = key, .keyFile = "/k"},
         "ftp -s:/b/s.txt -k:SHA256:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU -i:/k sftp://h"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(UploadLine("/b/s.txt", row.ftp), row.line) << row.ftp.protocol << " " << row.ftp.server;
        const std::string batch = BatchFileText("/b/", "/b/s.txt", row.ftp);
        EXPECT_NE(batch.find("\r\necho Your web site has been published to " + row.ftp.server + "\r\n"),
                  std::string::npos)
            << batch;
    }
}

TEST(PublishPlan, ScriptFollowsRootAndDirAsTyped)
{
    // The whole script of a usual site, with its files: the publisher's test pins it.
    const std::string head = "jo\r\npa55word\r\nbinary\r\nlcd /b/\r\n";
    const std::string index = "put /b/w/Index.htm index.htm\r\n";
    const std::string tail = "quit\r\n\r\n\r\n";
    const std::tuple<std::string, std::string, std::string> rows[] = {
        {"/www/", "/site/",
         head + "mkdir /www/\r\ncd /www/\r\nmkdir  site \r\ncd  site \r\n" + index +
             "mkdir /www//site/categories\r\ncd /www//site/categories\r\n\r\n"
             "mkdir /www//site/sections\r\ncd /www//site/sections\r\n\r\n"
             "mkdir /www//site/articles\r\ncd /www//site/articles\r\n\r\n"
             "mkdir /www//site/images\r\ncd /www//site/images\r\n\r\n" +
             tail},
        // Settings the classic lines would send astray get a line per level, quoted where needed.
        {"/www/", "my site/",
         head + "mkdir /www\r\ncd /www\r\nmkdir \"/www/my site\"\r\ncd \"/www/my site\"\r\n" + index +
             "mkdir \"/www/my site/categories\"\r\ncd \"/www/my site/categories\"\r\n\r\n"
             "mkdir \"/www/my site/sections\"\r\ncd \"/www/my site/sections\"\r\n\r\n"
             "mkdir \"/www/my site/articles\"\r\ncd \"/www/my site/articles\"\r\n\r\n"
             "mkdir \"/www/my site/images\"\r\ncd \"/www/my site/images\"\r\n\r\n" +
             tail},
        {"", "",
         head + index + "mkdir categories\r\ncd categories\r\n\r\n" +
             "mkdir ../sections\r\ncd ../sections\r\n\r\nmkdir ../articles\r\ncd ../articles\r\n\r\n" +
             "mkdir ../images\r\ncd ../images\r\n\r\n" + tail},
    };
    for (const auto& [root, dir, expected] : rows)
        EXPECT_EQ(ScriptText(Settings(root, dir), "/b/", "/b/w/Index.htm", {}), expected) << root << "|" << dir;
}

TEST(PublishPlan, ForwardingPageHasItsTwelveLines)
{
    EXPECT_EQ(ForwardingPageText("articles/art-5.htm"),
              "<html>\r\n"
              "<head>\r\n"
              "<meta http-equiv=\"REFRESH\" content=\"5; URL=articles/art-5.htm\">\r\n"
              "<title>Homepage</title>\r\n"
              "</head>\r\n"
              "<body BGCOLOR=WHITE>\r\n"
              "<center>\r\n"
              "<img src=\"images/qle_logo.bmp\"><BR><BR>\r\n"
              "You are being forwarded to the Homepage.<BR>\r\n"
              "This should happen automatically, but if this fail click here, <a "
              "href=\"articles/art-5.htm\">Homepage</a>\r\n"
              "</body>\r\n"
              "</html>\r\n");
}

} // namespace
} // namespace qle::publish
