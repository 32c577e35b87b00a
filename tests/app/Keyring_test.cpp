// The desktop's keyring, for real: run by tests/support/with_keyring.sh in a session of its own,
// with a keyring ("running") or with none on the bus ("none"). Run bare, it skips rather than
// reach the desktop's own keyring.
#include "app/Keyring.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace qle::app {
namespace {

std::string Session()
{
    const char* mode = std::getenv("QLE_TEST_KEYRING");
    return mode ? mode : "";
}

// The standard output of a shell command, and its exit status.
std::pair<std::string, int> Shell(const std::string& command)
{
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return {out, -1};
    char buffer[256];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        out.append(buffer, n);
    return {out, ::pclose(pipe)};
}

std::string SecretToolAttributes(const KeyringKey& key)
{
    return "protocol '" + key.protocol + "' server '" + key.server + "' port " + std::to_string(key.port) + " user '" +
           key.user + "'";
}

class KeyringRunning : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (Session() != "running")
            GTEST_SKIP() << "needs a keyring of its own: run by with_keyring.sh running";
    }

    std::unique_ptr<Keyring> keyring = DesktopKeyring();
};

TEST_F(KeyringRunning, EachOfTheFourPartsOfTheKeyFindsItsOwnPassword)
{
    const KeyringKey base {"FTP", "ftp.example.net", 21, "jo"};
    struct Item
    {
        KeyringKey key;
        std::string password;
    };
    const std::vector<Item> items = {
        {base, "base pass"},
        {{"SFTP", "ftp.example.net", 21, "jo"}, "other protocol"},
        {{"GIT", "ftp.example.net", 21, "jo"}, "a protocol added later"},
        {{"FTP", "www.example.net", 21, "jo"}, "other server"},
        {{"FTP", "ftp.example.net", 2121, "jo"}, "other port"},
        {{"FTP", "ftp.example.net", 21, "ann"}, "other user"},
        {{"FTP", "ftp.example.net", 21, "jo@example.net"}, "Gr\xc3\xbc\xc3\x9f Gott, \"quoted\" & spaced"},
    };
    for (const Item& item : items)
        ASSERT_TRUE(keyring->store(item.key, item.password, "test item").ok()) << item.password;
    for (const Item& item : items) {
        auto found = keyring->lookup(item.key);
        ASSERT_TRUE(found.ok()) << found.status().message();
        EXPECT_EQ(found.value(), std::optional<std::string>(item.password));
    }

    // Stored again: replaced, not added beside.
    ASSERT_TRUE(keyring->store(base, "new pass", "test item").ok());
    EXPECT_EQ(keyring->lookup(base).value(), std::optional<std::string>("new pass"));
    const auto [listing, listed] = Shell("secret-tool search --all " + SecretToolAttributes(base) + " 2>&1");
    ASSERT_EQ(listed, 0) << listing;
    std::size_t count = 0;
    for (std::size_t at = listing.find("secret = "); at != std::string::npos; at = listing.find("secret = ", at + 1))
        ++count;
    EXPECT_EQ(count, 1u) << listing;

    // Forgotten: gone, the others kept; forgetting again is no error.
    ASSERT_TRUE(keyring->forget(base).ok());
    EXPECT_EQ(keyring->lookup(base).value(), std::nullopt);
    EXPECT_TRUE(keyring->forget(base).ok());
    EXPECT_EQ(keyring->lookup(items[4].key).value(), std::optional<std::string>("other port"));
    for (const Item& item : items)
        (void)keyring->forget(item.key);
}

TEST_F(KeyringRunning, ItemsAreTheSameToTheCommandLineKeyringToolAndToNoOtherSchema)
{
    const KeyringKey key {"FTPS", "ftp.example.net", 990, "jo"};
    ASSERT_TRUE(keyring->store(key, "Seen-By-Tool-7", "Quillon Engine: test").ok());
    // What `secret-tool` (or the desktop's keyring manager) finds under our schema.
    const auto [seen, status] =
        Shell(std::string("secret-tool lookup xdg:schema ") + kKeyringSchema + " " + SecretToolAttributes(key));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(seen, "Seen-By-Tool-7");

    // Stored by the tool, it is read by the program (a password set from a script).
    const KeyringKey scripted {"SFTP", "ssh.example.net", 22, "ann"};
    ASSERT_EQ(Shell(std::string("printf 'From-A-Script' | secret-tool store --label=scripted xdg:schema ") +
                    kKeyringSchema + " " + SecretToolAttributes(scripted))
                  .second,
              0);
    EXPECT_EQ(keyring->lookup(scripted).value(), std::optional<std::string>("From-A-Script"));

    // Another program's item with the very same attributes is neither read nor removed.
    const KeyringKey shared {"FTP", "shared.example.net", 21, "jo"};
    ASSERT_EQ(Shell("printf 'Not-Ours' | secret-tool store --label=other xdg:schema org.example.Other " +
                    SecretToolAttributes(shared))
                  .second,
              0);
    EXPECT_EQ(keyring->lookup(shared).value(), std::nullopt);
    EXPECT_TRUE(keyring->forget(shared).ok());
    EXPECT_EQ(Shell("secret-tool lookup xdg:schema org.example.Other " + SecretToolAttributes(shared)).first,
              "Not-Ours");
}

TEST(KeyringMissing, EveryCallSaysNoKeyringRunsRatherThanFailing)
{
    if (Session() != "none")
        GTEST_SKIP() << "needs a session without a keyring: run by with_keyring.sh none";
    auto keyring = DesktopKeyring();
    const KeyringKey key {"FTP", "ftp.example.net", 21, "jo"};
    const auto found = keyring->lookup(key);
    EXPECT_EQ(found.status().code(), Status::Code::Unavailable) << found.status().message();
    const Status stored = keyring->store(key, "pass", "label");
    EXPECT_EQ(stored.code(), Status::Code::Unavailable) << stored.message();
    EXPECT_EQ(keyring->forget(key).code(), Status::Code::Unavailable);
}

} // namespace
} // namespace qle::app
