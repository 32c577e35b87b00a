#include "publish/remote/RemoteListing.h"

#include <gtest/gtest.h>

namespace qle::publish {
namespace {

std::string Shown(const std::vector<RemoteFs::Entry>& entries)
{
    std::string text;
    for (const auto& e : entries)
        text += e.name + (e.folder ? "/" : "") + (e.size ? "=" + std::to_string(*e.size) : "") + "|";
    return text;
}

TEST(RemoteListing, ReadsMlsdFactsAndLongListings)
{
    const struct
    {
        bool mlsd;
        const char* listing;
        const char* entries;
    } rows[] = {
        {true, "type=file;size=12;modify=20240101000000; a.htm\r\n", "a.htm=12|"},
        {true, "type=dir;modify=20240101000000; images\r\ntype=cdir; .\r\ntype=pdir; ..\r\n", "images/|"},
        {true, "Type=File;Size=7;UNIX.mode=0644; name with  blanks.htm\r\n", "name with  blanks.htm=7|"},
        {true, "type=file;size=x; odd size\r\n", "odd size|"},
        {true, "no facts here\r\n\r\n", ""},
        {true, "type=OS.unix=symlink;size=9; link\n", "link=9|"},
        {false, "-rw-r--r--    1 1000     1000           12 Jan 01 12:00 a.htm\r\n", "a.htm=12|"},
        {false, "total 8\r\ndrwxr-xr-x 2 jo jo 4096 Mar  3  2023 images\r\n", "images/|"},
        {false, "-rw-r--r-- 1 jo jo 5 Mar  3 10:01 two  blanks.htm\n", "two  blanks.htm=5|"},
        {false, "lrwxrwxrwx 1 jo jo 5 Mar  3 10:01 latest -> a.htm\n", "latest|"},
        {false, "drwxr-xr-x 2 jo jo 4096 Mar  3 10:01 .\ndrwxr-xr-x 2 jo jo 4096 Mar  3 10:01 ..\n", ""},
        {false, "-rw-r--r-- 1 jo jo 5 Mar  3\n", ""},
        // Names that would point outside the folder listed, whatever a server sends.
        {true, "type=file;size=1; ../../etc/passwd\r\ntype=file;size=1; a/b.htm\r\ntype=file;size=1; ok.htm\r\n",
         "ok.htm=1|"},
        {false, "-rw-r--r-- 1 jo jo 1 Mar  3 10:01 ../up.htm\n-rw-r--r-- 1 jo jo 1 Mar  3 10:01 bell\x07.htm\n", ""},
        {true, "type=file;size=1; tab\there\r\ntype=file;size=1; del\x7f\r\n", ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Shown(row.mlsd ? ParseMlsdListing(row.listing) : ParseLongListing(row.listing)), row.entries)
            << row.listing;
}

} // namespace
} // namespace qle::publish
