#include "publish/PublishPlan.h"

#include <gtest/gtest.h>

namespace qle::publish {
namespace {

FtpSettings Settings(const std::string& root, const std::string& dir)
{
    return {"ftp.example.net", "jo", "pa55word", root, dir};
}

TEST(PublishPlan, BatchFileHasItsSevenLines)
{
    EXPECT_EQ(
        BatchFileText("/home/jo/QuillonEngine/", "/home/jo/QuillonEngine/QuillonEngine_ftp.txt", "ftp.example.net"),
        "cd /home/jo/QuillonEngine/\r\n"
        "ftp -s:/home/jo/QuillonEngine/QuillonEngine_ftp.txt ftp.example.net\r\n"
        "echo off\r\n"
        "echo Your web site has been published to ftp.example.net\r\n"
        "echo Please close this window \r\n"
        "pause\r\n"
        "exit\r\n");
}

TEST(PublishPlan, ScriptForRootAndSiteFolderWithAnEmptyImagesFolder)
{
    const std::string base = "/home/jo/QuillonEngine/";
    const std::string web = base + "TempInternetFiles/";
    const std::array<std::string, 4> blocks = {
        PutBlock(web + "categories/", {"cat-news.htm"}),
        PutBlock(web + "sections/", {"sect-news-local.htm", "sect-news-world.htm"}),
        PutBlock(web + "articles/", {"art-1.htm"}),
        PutBlock(web + "images/", {}),
    };
    EXPECT_EQ(ScriptText(Settings("/www/", "site/"), base, web + "Index.htm", blocks),
              "jo\r\n"
              "pa55word\r\n"
              "binary\r\n"
              "lcd /home/jo/QuillonEngine/\r\n"
              "mkdir /www/\r\n"
              "cd /www/\r\n"
              "mkdir site \r\n"
              "cd site \r\n"
              "put /home/jo/QuillonEngine/TempInternetFiles/Index.htm index.htm\r\n"
              "mkdir /www/site/categories\r\n"
              "cd /www/site/categories\r\n"
              "\r\n"
              "put /home/jo/QuillonEngine/TempInternetFiles/categories/cat-news.htm\r\n"
              "mkdir /www/site/sections\r\n"
              "cd /www/site/sections\r\n"
              "\r\n"
              "put /home/jo/QuillonEngine/TempInternetFiles/sections/sect-news-local.htm\r\n"
              "put /home/jo/QuillonEngine/TempInternetFiles/sections/sect-news-world.htm\r\n"
              "mkdir /www/site/articles\r\n"
              "cd /www/site/articles\r\n"
              "\r\n"
              "put /home/jo/QuillonEngine/TempInternetFiles/articles/art-1.htm\r\n"
              "mkdir /www/site/images\r\n"
              "cd /www/site/images\r\n"
              "\r\n"
              "quit\r\n"
              "\r\n"
              "\r\n");
}

TEST(PublishPlan, FolderLinesFollowRootAndDirAsTyped)
{
    struct Row
    {
        std::string root, dir;
        std::string lines5to8;
        std::string categoriesLines;
    };
    const Row rows[] = {
        {"/www/", "/site/", "mkdir /www/\r\ncd /www/\r\nmkdir  site \r\ncd  site \r\n",
         "mkdir /www//site/categories\r\ncd /www//site/categories\r\n"},
        {"", "", "mkdir \r\ncd \r\nmkdir \r\ncd \r\n", "mkdir categories\r\ncd categories\r\n"},
    };
    const std::array<std::string, 4> none;
    for (const auto& row : rows) {
        const std::string script = ScriptText(Settings(row.root, row.dir), "/b/", "/b/w/Index.htm", none);
        EXPECT_NE(script.find("lcd /b/\r\n" + row.lines5to8 + "put /b/w/Index.htm index.htm\r\n" + row.categoriesLines),
                  std::string::npos)
            << row.root << "|" << row.dir;
        EXPECT_TRUE(script.ends_with("cd " + row.root + row.dir + "images\r\n\r\nquit\r\n\r\n\r\n"))
            << row.root << "|" << row.dir;
    }
}

TEST(PublishPlan, LocalPathsWithBlanksAreQuotedAndCaseIsKept)
{
    EXPECT_EQ(PutBlock("/home/Jo/Web Sites/w/images/", {"My Photo.JPG", "Logo.GIF"}),
              "\r\nput \"/home/Jo/Web Sites/w/images/My Photo.JPG\""
              "\r\nput \"/home/Jo/Web Sites/w/images/Logo.GIF\"");
    EXPECT_EQ(PutBlock("/home/Jo/w/articles/", {"Art-3.htm"}), "\r\nput /home/Jo/w/articles/Art-3.htm");
    const std::string script =
        ScriptText(Settings("/www/", "site/"), "/home/Jo/My Base/", "/home/Jo/My Base/TempInternetFiles/Index.htm", {});
    EXPECT_NE(script.find("\r\nlcd \"/home/Jo/My Base/\"\r\n"), std::string::npos);
    EXPECT_NE(script.find("\r\nput \"/home/Jo/My Base/TempInternetFiles/Index.htm\" index.htm\r\n"), std::string::npos);
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
