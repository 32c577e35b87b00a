// External links are asked of their servers (loopback ones here) and the answers kept a day.
#include "check/ExternalLinks.h"
#include "publish/FtpServer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace qle::check {
namespace {

TEST(ExternalLinks, AnswersComeFromTheServersAndAreKeptADay)
{
    test::TempDir dir;
    std::map<std::string, std::string> answers;
    const std::string cache = dir / "links.txt";
    std::string base;
    {
        test::PythonServer server(QLE_CHECK_TEST_FOLDER "http_server.py", {});
        ASSERT_GT(server.port(), 0);
        base = "http://127.0.0.1:" + std::to_string(server.port());
        answers = CheckExternalLinks(
            {base + "/page", base + "/nohead", base + "/moved", base + "/gone", base + "/slow"}, cache, 1, 1000000);
    }
    EXPECT_EQ(answers[base + "/page"], "");
    EXPECT_EQ(answers[base + "/nohead"], "") << "a server that refuses HEAD is asked with GET";
    EXPECT_EQ(answers[base + "/moved"], "") << "redirects are followed";
    EXPECT_EQ(answers[base + "/gone"], "the server answers 404");
    EXPECT_NE(answers[base + "/slow"].find("cannot be reached"), std::string::npos) << "bounded time per link";

    // The server is gone: answers younger than a day are reused, older ones asked again.
    const auto reused = CheckExternalLinks({base + "/gone", base + "/page"}, cache, 1, 1000000 + 3600);
    EXPECT_EQ(reused.at(base + "/gone"), "the server answers 404");
    EXPECT_EQ(reused.at(base + "/page"), "");
    const auto asked = CheckExternalLinks({base + "/page"}, cache, 1, 1000000 + kLinkAnswerLifetime + 1);
    EXPECT_NE(asked.at(base + "/page").find("cannot be reached"), std::string::npos);
}

} // namespace
} // namespace qle::check
