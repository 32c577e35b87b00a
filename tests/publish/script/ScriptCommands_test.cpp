// The one reader of script commands: what both runners carry out, and the lines neither can.
#include "publish/script/ScriptCommands.h"

#include <gtest/gtest.h>

namespace qle::publish {
namespace {

using Verb = ScriptCommand::Verb;

TEST(ScriptCommands, ReadsTheCommandsBothRunnersCarryOut)
{
    const auto read = ReadScriptCommands({"BINARY", "lcd \"/my base/\"", "mkdir", "mkdir \"my site\"", "cd /www/", "",
                                          "Put a.htm", "put \"/a b/c.htm\" index.htm", "quit", "frobnicate"});
    ASSERT_TRUE(read.ok()) << read.status().message();
    const auto& commands = read.value();
    ASSERT_EQ(commands.size(), 7u) << "nothing after quit is read";
    EXPECT_EQ(commands[0].verb, Verb::Binary);
    EXPECT_EQ(commands[1].args, std::vector<std::string> {"/my base/"});
    EXPECT_TRUE(commands[2].args.empty()) << "an empty root setting: nothing to make";
    EXPECT_EQ(commands[3].args, std::vector<std::string> {"my site"});
    EXPECT_EQ(commands[5].verb, Verb::Put);
    EXPECT_EQ(commands[6].args, (std::vector<std::string> {"/a b/c.htm", "index.htm"}));
    EXPECT_EQ(commands[6].line, "put \"/a b/c.htm\" index.htm");
}

TEST(ScriptCommands, ALineNeitherRunnerCanCarryFailsTheWholeScript)
{
    const std::pair<const char*, const char*> rows[] = {
        {"mkdir my site ", "wrong number of names"}, // a folder with a blank, unquoted
        {"cd a b", "wrong number of names"},
        {"lcd", "wrong number of names"},
        {"put", "wrong number of names"},
        {"put a b c", "wrong number of names"},
        {"put \"\"", "no file to send"},
        {"frobnicate", "unknown command"},
        {"delete a.htm", "unknown command"},
    };
    for (const auto& [line, why] : rows) {
        const auto read = ReadScriptCommands({"binary", "cd /www", line, "put a.htm"});
        ASSERT_FALSE(read.ok()) << line;
        EXPECT_NE(read.status().message().find("Line 5 of the upload script"), std::string::npos)
            << read.status().message();
        EXPECT_NE(read.status().message().find(why), std::string::npos) << read.status().message();
        EXPECT_NE(read.status().message().find(line), std::string::npos) << read.status().message();
    }
}

TEST(ScriptCommands, LinesEndInLineFeedsOrCarriageReturnsAndLineFeeds)
{
    EXPECT_EQ(ScriptLines("jo\r\npw\nbinary\r\n\r\n"), (std::vector<std::string> {"jo", "pw", "binary", ""}));
    EXPECT_TRUE(ScriptLines("").empty());
}

} // namespace
} // namespace qle::publish
