#include "app/SiteFiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace qle::app {
namespace {

TEST(SiteFileName, AppendsUpperCaseExtensionUnlessPresent)
{
    const std::pair<const char*, const char*> cases[] = {
        {"ab", "ab.QLS"},
        {"Shop", "Shop.QLS"},
        {"x.qls", "x.qls"},
        {"X.QLS", "X.QLS"},
        {"shop.mdb", "shop.mdb.QLS"},
        {"abc", "abc.QLS"},
        {"club.qls", "club.qls"},
        {".qls", ".qls"},
        {"My Site.Qls", "My Site.Qls"},
    };
    for (auto [in, out] : cases)
        EXPECT_EQ(SiteFileName(in), out) << in;
}

TEST(CreateSiteFile, CopiesTheTemplateAndNeverOverwrites)
{
    test::TempDir dir;
    const std::string path = dir / "Club.QLS";
    ASSERT_TRUE(CreateSiteFile(test::ProgramFolder(), path).ok());
    EXPECT_EQ(test::ReadFile(path), test::ReadFile(BlankSitePath(test::ProgramFolder())));

    test::WriteFile(path, "edited site");
    EXPECT_FALSE(CreateSiteFile(test::ProgramFolder(), path).ok());
    EXPECT_EQ(test::ReadFile(path), "edited site");

    const Status missingTemplate = CreateSiteFile(dir / "no-program/", dir / "Other.QLS");
    EXPECT_FALSE(missingTemplate.ok());
    EXPECT_FALSE(test::PathExists(dir / "Other.QLS"));
}

} // namespace
} // namespace qle::app
