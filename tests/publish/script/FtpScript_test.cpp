#include "publish/script/FtpScript.h"

#include <gtest/gtest.h>

namespace qle::publish {
namespace {

using Words = std::vector<std::string>;

TEST(FtpScript, SplitsOnBlanksAndQuotesGroup)
{
    const std::pair<std::string, Words> rows[] = {
        {"", {}},
        {"mkdir  site ", {"mkdir", "site"}},
        {"put /a/b.htm", {"put", "/a/b.htm"}},
        {"put \"/a b/c d.htm\" index.htm", {"put", "/a b/c d.htm", "index.htm"}},
        {"put \"/a b/c", {"put", "/a b/c"}},
        {"cd \"\"", {"cd", ""}},
        {"lcd\t/x", {"lcd", "/x"}},
    };
    for (const auto& [line, words] : rows)
        EXPECT_EQ(SplitScriptLine(line), words) << line;
}

TEST(FtpScript, ParsesServerWithOptionalPort)
{
    const std::tuple<std::string, std::string, int> valid[] = {
        {"ftp.example.net", "ftp.example.net", 21},
        {"127.0.0.1:2121", "127.0.0.1", 2121},
        {"[::1]", "::1", 21},
        {"[::1]:65535", "::1", 65535},
    };
    for (const auto& [text, host, port] : valid) {
        auto parsed = ParseServer(text);
        ASSERT_TRUE(parsed.ok()) << text;
        EXPECT_EQ(parsed->host, host) << text;
        EXPECT_EQ(parsed->port, port) << text;
    }
    for (const char* text : {"", "host:", ":21", "host:0", "host:65536", "host:21x", "a b", "[::1", "[]:21", "[::1]x",
                             "user@host", "host/path", "host?x"}) {
        auto parsed = ParseServer(text);
        EXPECT_FALSE(parsed.ok()) << text;
    }
}

TEST(FtpScript, ResolvesRemotePaths)
{
    const std::tuple<std::string, std::string, std::string> rows[] = {
        {"/", "/www/", "/www"},
        {"/www", "site", "/www/site"},
        {"/www", "/www/site/categories", "/www/site/categories"},
        {"/www/site", "../other/./x.htm", "/www/other/x.htm"},
        {"/", "../..", "/"},
        {"/www", "//a//b/", "/a/b"},
        {"/www", "", "/www"},
    };
    for (const auto& [current, path, expected] : rows)
        EXPECT_EQ(ResolveRemotePath(current, path), expected) << current << " + " << path;
}

} // namespace
} // namespace qle::publish
