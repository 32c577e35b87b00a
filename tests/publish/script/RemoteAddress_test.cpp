#include "publish/script/PublishPlan.h"
#include "publish/script/RemoteAddress.h"

#include <gtest/gtest.h>

namespace qle::publish {
namespace {

TEST(RemoteAddress, TypedAddressesAreWrittenOnTheUploadLineAndReadBackAsTheSame)
{
    const struct
    {
        Protocol protocol;
        const char* typed;
        const char* written; // nullptr: refused
        const char* url;     // what the network library gets
    } rows[] = {
        {Protocol::Git, "ssh://git@example.org/jo/site.git", "git+ssh://git@example.org/jo/site.git",
         "ssh://git@example.org/jo/site.git"},
        {Protocol::Git, "ssh://[::1]:2222/srv/site.git", "git+ssh://[::1]:2222/srv/site.git",
         "ssh://[::1]:2222/srv/site.git"},
        // scp-like: relative to the login's home folder, and kept so on the line.
        {Protocol::Git, "git@example.org:jo/site.git", "git+ssh:git@example.org:jo/site.git",
         "git@example.org:jo/site.git"},
        {Protocol::Git, "example.org:site.git", "git+ssh:example.org:site.git", "example.org:site.git"},
        {Protocol::Git, "example.org:/srv/site.git", "git+ssh://example.org/srv/site.git",
         "ssh://example.org/srv/site.git"},
        {Protocol::Git, " https://example.org/jo/site.git ", "git+https://example.org/jo/site.git",
         "https://example.org/jo/site.git"},
        {Protocol::Git, "http://127.0.0.1:8080/git/site.git", "git+http://127.0.0.1:8080/git/site.git",
         "http://127.0.0.1:8080/git/site.git"},
        {Protocol::Git, "file:///srv/site.git", "git+file:///srv/site.git", "file:///srv/site.git"},
        {Protocol::WebDav, "https://dav.example.org:2078/", "davs://dav.example.org:2078/",
         "https://dav.example.org:2078/"},
        {Protocol::WebDav, "https://example.org", "davs://example.org/", "https://example.org/"},
        {Protocol::WebDav, "http://localhost/dav/", "dav://localhost/dav/", "http://localhost/dav/"},
        // Refused: passwords in clear across a network, what is no address, and a host part that
        // is no server name.
        {Protocol::Git, "http://example.org/site.git", nullptr, nullptr},
        {Protocol::WebDav, "http://example.org/dav/", nullptr, nullptr},
        {Protocol::WebDav, "ssh://example.org/dav/", nullptr, nullptr},
        {Protocol::WebDav, "dav.example.org", nullptr, nullptr},
        {Protocol::Git, "/srv/site.git", nullptr, nullptr},
        {Protocol::Git, "https://user@example.org/site.git", nullptr, nullptr},
        {Protocol::Git, "ssh://a@b@example.org/site.git", nullptr, nullptr},
        {Protocol::Git, "ssh://example.org:0/site.git", nullptr, nullptr},
        {Protocol::Git, "ssh://example.org/my site.git", nullptr, nullptr},
        {Protocol::Git, "ssh://example.org/site.git#x", nullptr, nullptr},
        {Protocol::Git, "https://example.org/", nullptr, nullptr},
        {Protocol::Git, "file://otherhost/srv/site.git", nullptr, nullptr},
        {Protocol::Git, "example.org:", nullptr, nullptr},
        {Protocol::Git, "", nullptr, nullptr},
    };
    for (const auto& row : rows) {
        auto address = ParseAddress(row.protocol, row.typed);
        ASSERT_EQ(address.ok(), row.written != nullptr) << row.typed;
        if (!address.ok()) {
            EXPECT_NE(address.status().message().find(row.typed), std::string::npos) << address.status().message();
            EXPECT_EQ(ServerArgument(row.protocol, row.typed), row.typed) << "left for the client to refuse";
            continue;
        }
        EXPECT_EQ(WrittenForm(address.value()), row.written) << row.typed;
        EXPECT_EQ(ServerArgument(row.protocol, row.typed), row.written) << row.typed;
        EXPECT_EQ(UrlOf(address.value()), row.url) << row.typed;
        ASSERT_TRUE(IsWrittenAddress(row.written)) << row.written;
        auto read = ParseWrittenForm(row.written);
        ASSERT_TRUE(read.ok()) << row.written << ": " << read.status().message();
        EXPECT_EQ(UrlOf(read.value()), row.url) << row.written;
        EXPECT_EQ(read->protocol, row.protocol) << row.written;
        EXPECT_EQ(read->homeRelative, address->homeRelative) << row.written;
    }
    EXPECT_FALSE(IsWrittenAddress("ftp.example.net:21"));
    EXPECT_FALSE(IsWrittenAddress("sftp://example.net"));
}

TEST(RemoteAddress, BranchNamesGitRefuses)
{
    for (const char* good : {"", "main", "gh-pages", "pages", "release/2026", "v1.0"})
        EXPECT_TRUE(CheckBranchName(good).ok()) << good;
    for (const char* bad : {"a b", "-x", "/main", "main/", "a..b", "x.lock", "a:b", "a~1", "a^", "a?", "a*", "a[",
                            "a\\b", "a@{1}", "a//b", "dot.", "tab\t"})
        EXPECT_FALSE(CheckBranchName(bad).ok()) << bad;
}

TEST(RemoteAddress, UploadLineCarriesTheBranchTheKeyFileOverSshAndTheWrittenAddress)
{
    const std::string key = "SHA256:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU";
    const struct
    {
        FtpSettings ftp;
        const char* line;
    } rows[] = {
        {{.server = "git@example.org:jo/site.git", .protocol = "GIT", .keyFile = "/k", .branch = "pages"},
         "ftp -s:/b/s.txt -i:/k -b:pages git+ssh:git@example.org:jo/site.git"},
        {{.server = "https://example.org/jo/site.git", .protocol = "GIT", .trustedKey = key, .keyFile = "/k"},
         "ftp -s:/b/s.txt -k:SHA256:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU git+https://example.org/jo/site.git"},
        {{.server = "https://dav.example.org/", .protocol = "WEBDAV", .keyFile = "/k", .branch = "main"},
         "ftp -s:/b/s.txt davs://dav.example.org/"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(UploadLine("/b/s.txt", row.ftp), row.line) << row.ftp.server;
}

} // namespace
} // namespace qle::publish
