// SHA-256 digests: the values other programs compute for the same bytes, however the bytes come.
#include "app/Sha256.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace qle::app {
namespace {

TEST(Sha256, KnownValuesWholeInPiecesAndFromAFile)
{
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");

    const std::string big(600000, 'x'); // several read blocks
    Sha256 pieces;
    for (std::size_t at = 0; at < big.size(); at += 4099)
        pieces.add(std::string_view(big).substr(at, 4099));
    const std::string whole = Sha256Hex(big);
    EXPECT_EQ(pieces.hex(), whole);

    test::TempDir dir;
    test::WriteFile(dir / "big", big);
    auto file = Sha256OfFile(dir / "big");
    ASSERT_TRUE(file.ok()) << file.status().message();
    EXPECT_EQ(file->size, big.size());
    EXPECT_EQ(file->hex, whole);
}

TEST(Sha256, AFileThatCannotBeReadIsNamedAndAPipeIsNotWaitedOn)
{
    test::TempDir dir;
    auto missing = Sha256OfFile(dir / "none");
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.status().message().find(dir / "none"), std::string::npos);

    // A pipe that nobody writes would hold a build or a publish for ever.
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    auto pipe = Sha256OfFile(dir / "pipe");
    ASSERT_TRUE(pipe.ok()) << pipe.status().message();
    EXPECT_EQ(pipe->size, 0u);
}

} // namespace
} // namespace qle::app
