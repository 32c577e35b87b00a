// Dictionaries found on disk, words judged and suggested, the author's own words, and a
// dictionary in another encoding than the text.
#include "app/SpellChecker.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace qle::app {
namespace {

namespace fs = std::filesystem;
const std::string kTestDictionaries = QLE_TEST_DATA_FOLDER "spell/";

Dictionary TestDictionary()
{
    return {"en_TEST", kTestDictionaries + "en_TEST.aff", kTestDictionaries + "en_TEST.dic"};
}

TEST(SpellChecker, FindsEachLanguageOnceTheFirstFolderWinning)
{
    test::TempDir dir;
    fs::create_directories(dir / "a");
    fs::create_directories(dir / "b");
    test::WriteFile(dir / "a/de_DE.aff", "SET UTF-8\n");
    test::WriteFile(dir / "a/de_DE.dic", "0\n");
    test::WriteFile(dir / "a/fr_FR.aff", "SET UTF-8\n"); // no .dic beside it
    test::WriteFile(dir / "b/de_DE.aff", "SET UTF-8\n");
    test::WriteFile(dir / "b/de_DE.dic", "0\n");
    fs::copy_file(kTestDictionaries + "en_TEST.aff", dir / "b/en_TEST.aff");
    fs::copy_file(kTestDictionaries + "en_TEST.dic", dir / "b/en_TEST.dic");
    const auto found = FindDictionaries({dir / "missing", dir / "a", dir / "b"});
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].language, "de_DE");
    EXPECT_EQ(found[0].affPath, dir / "a/de_DE.aff");
    EXPECT_EQ(found[1].language, "en_TEST");

    ::setenv("DICPATH", (dir / "a:" + dir / "b").c_str(), 1);
    const auto folders = DictionaryFolders();
    ::unsetenv("DICPATH");
    ASSERT_GE(folders.size(), 3u);
    EXPECT_EQ(folders[0], dir / "a");
    EXPECT_EQ(folders[1], dir / "b");
}

TEST(SpellChecker, JudgesSuggestsAndKeepsTheAuthorsWords)
{
    test::TempDir dir;
    const std::string personal = dir / "user/words-en_TEST.txt";
    auto checker = SpellChecker::open(TestDictionary(), personal);
    ASSERT_TRUE(checker.ok()) << checker.status().message();
    for (const char* word : {"rose", "garden", "The", "M\xC3\xBCller"})
        EXPECT_TRUE((*checker)->isCorrect(word)) << word;
    for (const char* word : {"rosse", "Quillon", "gardn"})
        EXPECT_FALSE((*checker)->isCorrect(word)) << word;
    const auto suggestions = (*checker)->suggestions("rosse");
    ASSERT_FALSE(suggestions.empty());
    EXPECT_EQ(suggestions.front(), "rose");
    EXPECT_LE((*checker)->suggestions("gardn", 1).size(), 1u);

    ASSERT_TRUE((*checker)->addWord("Quillon").ok());
    EXPECT_TRUE((*checker)->isCorrect("Quillon"));
    EXPECT_EQ(test::ReadFile(personal), "Quillon\n");
    auto again = SpellChecker::open(TestDictionary(), personal);
    EXPECT_TRUE((*again)->isCorrect("Quillon")) << "the list is read when a dictionary is opened";

    EXPECT_FALSE(SpellChecker::open({"xx", dir / "none.aff", dir / "none.dic"}, personal).ok());
}

TEST(SpellChecker, ADictionaryInLatin1ReadsAndAnswersUtf8)
{
    test::TempDir dir;
    test::WriteFile(dir / "de_OLD.aff", "SET ISO8859-1\nTRY esianrtolcdugmphbyfvkw\xFC\n");
    test::WriteFile(dir / "de_OLD.dic", "2\nM\xFCller\nGr\xFC\xDF"
                                        "e\n");
    auto checker = SpellChecker::open({"de_OLD", dir / "de_OLD.aff", dir / "de_OLD.dic"}, dir / "w.txt");
    ASSERT_TRUE(checker.ok());
    EXPECT_TRUE((*checker)->isCorrect("M\xC3\xBCller"));
    EXPECT_TRUE((*checker)->isCorrect("Gr\xC3\xBC\xC3\x9F"
                                      "e"));
    EXPECT_FALSE((*checker)->isCorrect("Muller"));
    const auto suggestions = (*checker)->suggestions("Muller");
    ASSERT_FALSE(suggestions.empty());
    EXPECT_EQ(suggestions.front(), "M\xC3\xBCller");
}

TEST(SpellChecker, TheSystemLanguageComesFromTheLocale)
{
    const std::pair<const char*, const char*> cases[] = {
        {"de_DE.UTF-8", "de_DE"}, {"fr_CA@euro", "fr_CA"}, {"C", "en_US"}, {"POSIX", "en_US"}, {"", "en_US"}};
    const char* saved[3] = {std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG")};
    const std::string kept[3] = {saved[0] ? saved[0] : "", saved[1] ? saved[1] : "", saved[2] ? saved[2] : ""};
    ::unsetenv("LC_ALL");
    ::unsetenv("LC_MESSAGES");
    for (const auto& [lang, language] : cases) {
        ::setenv("LANG", lang, 1);
        EXPECT_EQ(SystemLanguage(), language) << lang;
    }
    ::setenv("LC_ALL", "nl_NL.UTF-8", 1);
    EXPECT_EQ(SystemLanguage(), "nl_NL") << "LC_ALL goes first";
    const char* names[3] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    for (int i = 0; i < 3; ++i) {
        if (saved[i])
            ::setenv(names[i], kept[i].c_str(), 1);
        else
            ::unsetenv(names[i]);
    }
}

} // namespace
} // namespace qle::app
